// Flash movies, plain ("FWS") or compressed ("CWS").
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckSwf(const uint8_t* block, int32_t length);
uint64_t SizeSwf(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kSwfCheck = Keyed(CheckSwf, Key(0, 'C', 'F'));

}  // namespace keldrin
