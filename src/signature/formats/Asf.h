// ASF containers (WMV, WMA), found by the header object GUID.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckAsf(const uint8_t* block, int32_t length);
uint64_t SizeAsf(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kAsfCheck = Keyed(CheckAsf, Key(0, 0x30));

}  // namespace keldrin
