#include "signature/formats/TransportStream.h"

#include <array>
#include <vector>

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

namespace {

constexpr uint8_t kSyncByte = 0x47;
constexpr int32_t kPacketSize = 188;
constexpr int32_t kProbeBytes = 4096;  // 22 packets
constexpr int32_t kProbePackets = 22;

enum class Continuation { kReadFailed, kContinues, kNew };

// Whether the sector before the cursor ends with packets of a stream: a packet start at any
// 188-byte step back from its end.
Continuation PreviousSector(uint8_t* buffer, size_t capacity) {
    const SignatureContext& context = GetSignatureContext();
    if (!ReadContextSectors(context.cursorSector - 1, 1, buffer, capacity)) {
        return Continuation::kReadFailed;
    }
    const int32_t sectorSize = context.sectorSize;
    for (int32_t j = 1; j <= sectorSize / kPacketSize; ++j) {
        if (buffer[sectorSize - kPacketSize * j] == kSyncByte) return Continuation::kContinues;
    }
    return Continuation::kNew;
}

}  // namespace

int32_t CheckTransportStream(const uint8_t* block, int32_t length) {
    if (!block || length < kPacketSize) return kNoMatchType;
    if (block[0] != kSyncByte) return kNoMatchType;
    if (block[1] == 0 && block[2] == 0 && block[3] == 0) return kNoMatchType;
    for (int32_t offset = kPacketSize; offset < length; offset += kPacketSize) {
        if (block[offset] != kSyncByte) return kNoMatchType;
    }

    const SignatureContext& context = GetSignatureContext();
    const int32_t sectorSize = context.sectorSize;
    if (sectorSize <= 0 || sectorSize > kMaxSignatureSectorSize) return kNoMatchType;
    // Whole sectors covering the 22 packets, whatever the sector size divides into.
    const int32_t count = (kProbeBytes + sectorSize - 1) / sectorSize;
    const size_t bytes = size_t(count) * size_t(sectorSize);
    std::array<uint8_t, kProbeBytes> local{};
    std::vector<uint8_t> large;
    uint8_t* buffer = local.data();
    if (bytes > local.size()) {
        large.assign(bytes, 0);
        buffer = large.data();
    }
    if (!ReadContextSectors(context.cursorSector, count, buffer, bytes)) return kNoMatchType;
    for (int32_t k = 0; k < kProbePackets; ++k) {
        if (buffer[kPacketSize * k] != kSyncByte) return kNoMatchType;
    }

    // A block inside a stream found before is not a new stream. Sector 0 has nothing before it.
    if (context.tsContinuation && context.cursorSector > 0 &&
        PreviousSector(buffer, bytes) != Continuation::kNew) {
        return kNoMatchType;
    }
    for (const auto& [first, last] : context.tsRegions) {
        if (first <= context.hitSector && context.hitSector <= last) return kNoMatchType;
    }
    return 20;
}

int32_t CheckAvchdStream(const uint8_t* block, int32_t length) {
    // 192-byte packets: a 4-byte arrival time stamp, then a packet carrying the program
    // association section.
    if (!block || length < 16) return kNoMatchType;
    static constexpr uint8_t kAssociationSection[8] = {0x00, 0x00, 0xB0, 0x11,
                                                       0x00, 0x00, 0xC1, 0x00};
    if (!BytesAt(block, length, 8, kAssociationSection, 8)) return kNoMatchType;
    if (Le32(block) == 0) return 47;
    // A non-zero time stamp right after an MTS hit is a later packet of that stream.
    return GetSignatureContext().previousHitWasMts ? kNoMatchType : 47;
}

uint64_t SizeTransportStream(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

uint64_t SizeAvchdStream(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
