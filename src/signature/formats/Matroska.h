// Matroska / WebM (EBML header).
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckMatroska(const uint8_t* block, int32_t length);
uint64_t SizeMatroska(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kMatroskaCheck = Keyed(CheckMatroska, Key(0, 0x1A));

}  // namespace keldrin
