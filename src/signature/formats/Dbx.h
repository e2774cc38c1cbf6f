// Outlook Express mail folders.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckDbx(const uint8_t* block, int32_t length);
uint64_t SizeDbx(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kDbxCheck = Keyed(CheckDbx, Key(0, 0xCF));

}  // namespace keldrin
