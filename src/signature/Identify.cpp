#include <array>
#include <cstdlib>

#include "signature/FileTypeSignature.h"
#include "signature/FormatCheck.h"

namespace keldrin {

namespace {

constexpr size_t kMaskWords = 2;
constexpr size_t kMaxKeyOffsets = 8;

struct RowMask {
    uint64_t words[kMaskWords] = {};
    void Set(size_t row) { words[row / 64] |= uint64_t(1) << (row % 64); }
};

// For each byte offset some check keys on, the rows that can answer for each value of that byte.
// A row is a candidate for a block when one of its alternatives holds, so the union over the
// offsets is a superset of the rows whose check can answer, and walking it in order gives the
// answer of the plain walk.
struct DispatchIndex {
    size_t offsetCount = 0;
    std::array<uint8_t, kMaxKeyOffsets> offsets{};
    std::array<std::array<RowMask, 256>, kMaxKeyOffsets> byValue{};
    RowMask always;  // rows without a key
};

DispatchIndex BuildIndex() {
    DispatchIndex index;
    const size_t rows = SignatureTableSize();
    if (rows > kMaskWords * 64) std::abort();
    auto slotOf = [&index](uint8_t offset) {
        for (size_t i = 0; i < index.offsetCount; ++i) {
            if (index.offsets[i] == offset) return i;
        }
        if (index.offsetCount == kMaxKeyOffsets) std::abort();
        index.offsets[index.offsetCount] = offset;
        return index.offsetCount++;
    };
    for (size_t row = 0; row < rows; ++row) {
        const FormatCheck& check = SignatureRowCheck(row);
        if (check.keyCount == 0) {
            index.always.Set(row);
            continue;
        }
        for (uint8_t k = 0; k < check.keyCount; ++k) {
            const KeyByte& key = check.keys[k];
            const size_t slot = slotOf(key.offset);
            for (uint8_t v = 0; v < key.count; ++v) index.byValue[slot][key.values[v]].Set(row);
        }
    }
    return index;
}

const DispatchIndex& Index() {
    static const DispatchIndex index = BuildIndex();
    return index;
}

}  // namespace

SignatureHit IdentifyBlock(const uint8_t* block, int32_t length) {
    if (!block || length <= 0) return {nullptr, kNoMatchType};
    const DispatchIndex& index = Index();
    RowMask candidates = index.always;
    for (size_t i = 0; i < index.offsetCount; ++i) {
        const uint8_t offset = index.offsets[i];
        if (int32_t(offset) >= length) continue;
        const RowMask& rows = index.byValue[i][block[offset]];
        for (size_t w = 0; w < kMaskWords; ++w) candidates.words[w] |= rows.words[w];
    }
    const FileTypeSignature* table = SignatureTable();
    // Rows sharing a check stand together and give the same answer for the same block.
    HeaderCheck lastMiss = nullptr;
    for (size_t w = 0; w < kMaskWords; ++w) {
        uint64_t bits = candidates.words[w];
        while (bits) {
            const size_t row = w * 64 + size_t(__builtin_ctzll(bits));
            bits &= bits - 1;
            const HeaderCheck check = table[row].check;
            if (check == lastMiss) continue;
            const int32_t type = check(block, length);
            if (type != kNoMatchType) return {&table[row], type};
            lastMiss = check;
        }
    }
    return {nullptr, kNoMatchType};
}

SignatureHit IdentifyBlockByWalk(const uint8_t* block, int32_t length) {
    const FileTypeSignature* table = SignatureTable();
    for (size_t row = 0; table[row].check; ++row) {
        const int32_t type = table[row].check(block, length);
        if (type != kNoMatchType) return {&table[row], type};
    }
    return {nullptr, kNoMatchType};
}

int32_t MatchesExtension(const uint8_t* block, int32_t length, std::string_view extension,
                         SectorDevice* device, int32_t sectorSize, uint64_t sector) {
    const FileTypeSignature* row = FindSignatureByExtension(extension);
    if (!row) return 1;  // a kind the table does not know cannot be judged: count it as matching
    SignatureContext& context = GetSignatureContext();
    context.device = device;
    context.sectorSize = sectorSize;
    context.hitSector = sector;
    context.cursorSector = sector;
    context.tsContinuation = false;
    return row->check(block, length) == row->typeId ? 1 : 0;
}

}  // namespace keldrin
