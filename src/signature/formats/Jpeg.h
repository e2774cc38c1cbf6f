// JPEG pictures (JFIF, Exif or a bare start of image).
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckJpeg(const uint8_t* block, int32_t length);
uint64_t SizeJpeg(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kJpegCheck = Keyed(CheckJpeg, Key(0, 0xFF));

}  // namespace keldrin
