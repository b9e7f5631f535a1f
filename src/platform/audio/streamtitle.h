// What a station says plays now, from its in-band ICY metadata ("StreamTitle='...';").
// Pure functions, any thread.
#pragma once

#include <string>
#include <string_view>

namespace tunedeck {

// The StreamTitle of an ICY metadata block, as UTF-8 (a block that is not UTF-8 is read as
// Latin-1, as older servers send it), control characters left out; "" when it has none. The
// title ends at the "';" that ends the block or starts its next field (StreamUrl='...'), so that
// a title holding "';" is kept whole.
std::string icystreamtitle(std::string_view metadata);

}  // namespace tunedeck
