// 7z archives.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckSevenZip(const uint8_t* block, int32_t length);
uint64_t SizeSevenZip(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kSevenZipCheck = Keyed(CheckSevenZip, Key(0, '7'));

}  // namespace keldrin
