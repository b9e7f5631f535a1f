// Reading command strings: words and numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tunedeck::cd {

// Lower-case words separated by blanks (spaces, tabs, line ends). Throws CdError
// (CommandTooLong) for strings no command needs.
std::vector<std::string> splitwords(std::string_view command);

// A non-negative decimal number of at most nine digits. Throws CdError: PositionOutOfRange for a
// negative or absurdly long number, BadNumber for anything that is not a number.
int64_t parsenumber(std::string_view word);

// Colon-separated numbers ("3", "3:01:15:40"), at most four. Throws as parsenumber.
std::vector<int64_t> parsefields(std::string_view word);

}  // namespace tunedeck::cd
