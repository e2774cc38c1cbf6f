// Executable images (EXE, DLL, SYS): recognised as boundaries, never recorded.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckPeImage(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kPeImageCheck = Keyed(CheckPeImage, Key(0, 'M'));

}  // namespace keldrin
