// PDF documents.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckPdf(const uint8_t* block, int32_t length);
uint64_t SizePdf(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kPdfCheck = Keyed(CheckPdf, Key(0, '%'));

}  // namespace keldrin
