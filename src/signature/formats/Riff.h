// RIFF files: AVI video and WAV audio.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckAvi(const uint8_t* block, int32_t length);
int32_t CheckWav(const uint8_t* block, int32_t length);
uint64_t SizeAvi(const uint8_t* block, int32_t length);
uint64_t SizeWav(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kAviCheck = Keyed(CheckAvi, Key(0, 'R'));
inline constexpr FormatCheck kWavCheck = Keyed(CheckWav, Key(0, 'R'));

}  // namespace keldrin
