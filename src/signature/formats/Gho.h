// Disk image backups: recognised as boundaries, never recorded.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckGho(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kGhoCheck = Keyed(CheckGho, Key(0, 0xFE));

}  // namespace keldrin
