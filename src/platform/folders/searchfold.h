// Text as the search compares it: without case and accents, words apart.
// Safe to call from any thread.
#pragma once

#include <string>
#include <string_view>

namespace tunedeck {

// The search form of a name: canonically decomposed, accents (nonspacing marks) dropped, case
// folded; every run of characters that are neither letters nor digits becomes one space, with
// none at either end. "Émile & Zoë" gives "emile zoe". Invalid bytes read as U+FFFD.
std::string searchfold(std::string_view text);

}  // namespace tunedeck
