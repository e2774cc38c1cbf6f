// ZIP archives.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckZip(const uint8_t* block, int32_t length);
uint64_t SizeZip(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kZipCheck = Keyed(CheckZip, Key(0, 'P'));

}  // namespace keldrin
