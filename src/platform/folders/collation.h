// Names in the order people read them, through ICU's root collation: letters first, then
// accents, then case (so "Émile" sorts among the E's, not after Z), and runs of digits by their
// value ("Track 2" before "Track 10"). Bytes that are not valid UTF-8 are read as U+FFFD.
// The collators are opened once and only read afterwards: safe to call from any thread.
#pragma once

#include <string>
#include <string_view>

namespace tunedeck {

// A name's sort key: names compare as their keys, byte by byte. Equal keys (canonically equal
// names, or names differing only in invalid bytes) are to be ordered by their raw bytes, which
// makes the order total. Empty for every name when the collation data cannot be loaded, which
// leaves the raw bytes alone to order the names.
std::string collationkey(std::string_view name);

// The Latin letter 'A' to 'Z' under which a reader looks for a name: the base letter of its first
// character (É, È, Ê under E; Ø under O; Ł under L; Æ under A), and for a Latin letter without
// one the letter it sorts after (Þ under Z). 0 when the name does not begin with a Latin letter:
// a digit, a symbol, a blank, a letter of another script, a byte that is not valid UTF-8.
char baseletter(std::string_view name);

}  // namespace tunedeck
