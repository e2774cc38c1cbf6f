// Outlook personal folders.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckPst(const uint8_t* block, int32_t length);
uint64_t SizePst(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kPstCheck = Keyed(CheckPst, Key(0, '!'));

}  // namespace keldrin
