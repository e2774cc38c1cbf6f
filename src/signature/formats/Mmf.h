// Synthetic music mobile application files ("MMMD").
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckMmf(const uint8_t* block, int32_t length);
uint64_t SizeMmf(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kMmfCheck = Keyed(CheckMmf, Key(0, 'M'));

}  // namespace keldrin
