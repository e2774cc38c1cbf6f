// ISO base-media files: MP4, 3GP and QuickTime, told apart by the "ftyp" brand.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckMp4(const uint8_t* block, int32_t length);
int32_t Check3gp(const uint8_t* block, int32_t length);
int32_t CheckQuickTime(const uint8_t* block, int32_t length);
uint64_t SizeMp4(const uint8_t* block, int32_t length);
uint64_t Size3gp(const uint8_t* block, int32_t length);
uint64_t SizeQuickTime(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kMp4Check = Keyed(CheckMp4, Key(4, 'f'));
inline constexpr FormatCheck k3gpCheck = Keyed(Check3gp, Key(4, 'f'));
inline constexpr FormatCheck kQuickTimeCheck = Keyed(CheckQuickTime, Key(0, 'm'), Key(4, 'f'));

}  // namespace keldrin
