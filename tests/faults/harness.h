// The jukebox of the application tests, and the checks the fault tests share.
#pragma once

#include <string>

#include "app/harness.h"

namespace tunedeck::faults {

using testing::Harness;
namespace fs = std::filesystem;
namespace fx = tunedeck::fixtures;

// The browsing and queue invariants that must hold after any key; empty when they do,
// otherwise what is wrong.
std::string checkstate(Application& app);

}  // namespace tunedeck::faults
