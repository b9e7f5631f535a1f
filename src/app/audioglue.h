// The audio library's helper routines the application uses, in one place.
#pragma once

#include "audio/bassutil.h"
