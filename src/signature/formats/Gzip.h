// gzip streams written at maximum or fastest compression.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckGzip(const uint8_t* block, int32_t length);
uint64_t SizeGzip(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kGzipCheck = Keyed(CheckGzip, Key(0, 0x1F));

}  // namespace keldrin
