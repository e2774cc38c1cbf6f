// RealMedia files (".RMF" header chunk).
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckRealMedia(const uint8_t* block, int32_t length);
uint64_t SizeRealMedia(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kRealMediaCheck = Keyed(CheckRealMedia, Key(0, '.'));

}  // namespace keldrin
