// The table of contents as libcdio reads it from an open drive or image.
#pragma once

#include "platform/cd/toc.h"
#include "platform/lib/cdio/cdio.h"

namespace tunedeck::cd {

// The disc's table, or an empty one when libcdio cannot read a sound one.
Toc readtoc(const CdioHandle& cdio);

}  // namespace tunedeck::cd
