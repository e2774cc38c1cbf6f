// Byte-level blocks written as text: "0:FF D8 FF DB 00 43; 6:'JFIF'" puts hexadecimal bytes and
// quoted ASCII at the given offsets of a zero-filled block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace keldrin::test {

std::vector<uint8_t> BlockFromText(const std::string& text, size_t size = 512);
// Writes the patches of text into an existing block (growing it when needed).
void PatchBlock(std::vector<uint8_t>& block, const std::string& text);

}  // namespace keldrin::test
