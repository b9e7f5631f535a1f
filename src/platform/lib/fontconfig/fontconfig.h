// Owning handles for fontconfig's objects.
#pragma once

#include <fontconfig/fontconfig.h>

#include "platform/lib/handle.h"

namespace tunedeck {

using FcPatternHandle = UniqueHandle<FcPattern*, FcPatternDestroy>;
using FcCharSetHandle = UniqueHandle<FcCharSet*, FcCharSetDestroy>;
using FcFontSetHandle = UniqueHandle<FcFontSet*, FcFontSetDestroy>;

}  // namespace tunedeck
