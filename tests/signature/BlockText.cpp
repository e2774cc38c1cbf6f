#include "BlockText.h"

#include <stdexcept>

namespace keldrin::test {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw std::invalid_argument(std::string("bad hex digit ") + c);
}

}  // namespace

void PatchBlock(std::vector<uint8_t>& block, const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == ';')) ++i;
        if (i >= text.size()) break;
        const size_t colon = text.find(':', i);
        if (colon == std::string::npos)
            throw std::invalid_argument("patch without offset: " + text);
        size_t at = std::stoul(text.substr(i, colon - i), nullptr, 0);
        i = colon + 1;
        auto put = [&](uint8_t b) {
            if (block.size() <= at) block.resize(at + 1, 0);
            block[at++] = b;
        };
        while (i < text.size() && text[i] != ';') {
            if (text[i] == ' ') {
                ++i;
            } else if (text[i] == '\'') {
                const size_t close = text.find('\'', i + 1);
                if (close == std::string::npos) throw std::invalid_argument("open quote: " + text);
                for (size_t k = i + 1; k < close; ++k) put(uint8_t(text[k]));
                i = close + 1;
            } else {
                put(uint8_t(HexDigit(text[i]) * 16 + HexDigit(text[i + 1])));
                i += 2;
            }
        }
    }
}

std::vector<uint8_t> BlockFromText(const std::string& text, size_t size) {
    std::vector<uint8_t> block(size, 0);
    PatchBlock(block, text);
    return block;
}

}  // namespace keldrin::test
