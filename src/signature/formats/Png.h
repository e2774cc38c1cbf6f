// PNG pictures.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckPng(const uint8_t* block, int32_t length);
uint64_t SizePng(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kPngCheck = Keyed(CheckPng, Key(0, 0x89));

}  // namespace keldrin
