// Compound documents (Word, Excel, PowerPoint and other OLE files), told apart by
// their first data sector and their root directory.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckCompoundDocument(const uint8_t* block, int32_t length);
uint64_t SizeCompoundDocument(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kCompoundDocumentCheck = Keyed(CheckCompoundDocument, Key(0, 0xD0));

}  // namespace keldrin
