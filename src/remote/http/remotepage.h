// The phone remote's page (src/remote/http/page.html), compiled into the program.
#pragma once

#include <string_view>

namespace tunedeck {

extern const std::string_view kRemotePage;

}  // namespace tunedeck
