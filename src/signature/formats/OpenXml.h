// Office Open XML packages (DOCX, XLSX, PPTX), told apart by their part names.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckOpenXml(const uint8_t* block, int32_t length);
uint64_t SizeOpenXml(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kOpenXmlCheck = Keyed(CheckOpenXml, Key(0, 'P'), Key(31, '['));

}  // namespace keldrin
