// MPEG transport streams: plain 188-byte packets and AVCHD 192-byte packets.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckTransportStream(const uint8_t* block, int32_t length);
int32_t CheckAvchdStream(const uint8_t* block, int32_t length);
uint64_t SizeTransportStream(const uint8_t* block, int32_t length);
uint64_t SizeAvchdStream(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kTransportStreamCheck = Keyed(CheckTransportStream, Key(0, 0x47));
inline constexpr FormatCheck kAvchdStreamCheck = Keyed(CheckAvchdStream, Key(10, 0xB0));

}  // namespace keldrin
