// Standard MIDI files.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckMidi(const uint8_t* block, int32_t length);
uint64_t SizeMidi(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kMidiCheck = Keyed(CheckMidi, Key(0, 'M'));

}  // namespace keldrin
