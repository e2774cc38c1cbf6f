// Flash authoring files: compound files that lack the full eight-byte signature.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckFlashAuthoring(const uint8_t* block, int32_t length);
uint64_t SizeFlashAuthoring(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kFlashAuthoringCheck = Keyed(CheckFlashAuthoring, Key(0, 0xD0));

}  // namespace keldrin
