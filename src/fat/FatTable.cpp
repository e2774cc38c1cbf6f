#include "fat/FatTable.h"

#include <algorithm>

#include "platform/ByteOrder.h"
#include "platform/Errors.h"

namespace keldrin {
namespace {

constexpr uint32_t kFat32Mask = 0x0FFFFFFF;

// Byte offset of a cluster's entry in the FAT and the bytes it occupies.
uint64_t EntryOffset(FatKind kind, uint32_t cluster) {
    switch (kind) {
        case FatKind::kFat12:
            return uint64_t(cluster) + cluster / 2;
        case FatKind::kFat16:
            return uint64_t(cluster) * 2;
        case FatKind::kFat32:
            return uint64_t(cluster) * 4;
    }
    return 0;
}

uint32_t EntryBytes(FatKind kind) {
    return kind == FatKind::kFat32 ? 4 : 2;
}

}  // namespace

int32_t FatTable::Open(SectorDevice* device, uint64_t deviceSectors, const FatGeometry& geometry) {
    device_ = device;
    deviceSectors_ = deviceSectors;
    geometry_ = geometry;
    window_.clear();
    windowStartSector_ = 0;
    windowBytes_ = 0;
    // A window that cannot be read now is retried by ReadFatEntry, which then answers 30.
    return FillWindow(0);
}

int32_t FatTable::FillWindow(uint64_t fatRelativeSector) {
    const uint32_t bps = geometry_.bytesPerSector;
    if (fatRelativeSector >= geometry_.fatSectors) return kErrorReadFault;
    // Never more than the first FAT, the 16 MiB window or what the device holds.
    uint64_t sectors =
        std::min<uint64_t>(kFatWindowBytes / bps, geometry_.fatSectors - fatRelativeSector);
    uint64_t first = geometry_.FatStart() + fatRelativeSector;
    if (first >= deviceSectors_) return kErrorReadFault;
    sectors = std::min<uint64_t>(sectors, deviceSectors_ - first);
    window_.resize(size_t(sectors) * bps);
    uint32_t got = 0;
    int32_t err = ReadSectors(*device_, window_.data(), first, int32_t(sectors), bps, &got);
    windowStartSector_ = fatRelativeSector;
    windowBytes_ = uint64_t(got) * bps;
    if (got == 0) return err != kErrorSuccess && err != kErrorReadFault ? err : kErrorReadFault;
    return kErrorSuccess;
}

int32_t FatTable::ReadFatEntry(uint32_t cluster, uint32_t* entry) {
    if (device_ == nullptr) {
        *entry = cluster + 1;
        return kErrorSuccess;
    }
    const uint32_t bps = geometry_.bytesPerSector;
    uint64_t offset = EntryOffset(geometry_.kind, cluster);
    uint32_t width = EntryBytes(geometry_.kind);
    if (offset + width > uint64_t(geometry_.fatSectors) * bps) return kErrorReadFault;
    uint64_t windowStart = windowStartSector_ * bps;
    if (offset < windowStart || offset + width > windowStart + windowBytes_) {
        int32_t err = FillWindow(offset / bps);
        if (err != kErrorSuccess) return err;
        windowStart = windowStartSector_ * bps;
        if (offset + width > windowStart + windowBytes_) return kErrorReadFault;
    }
    const uint8_t* p = window_.data() + (offset - windowStart);
    switch (geometry_.kind) {
        case FatKind::kFat12: {
            uint16_t pair = Le16(p);
            // An odd cluster holds the high 12 bits of its pair of bytes.
            *entry = (cluster & 1) ? (pair >> 4) : (pair & 0x0FFF);
            break;
        }
        case FatKind::kFat16:
            *entry = Le16(p);
            break;
        case FatKind::kFat32:
            *entry = Le32(p) & kFat32Mask;
            break;
    }
    return kErrorSuccess;
}

bool FatTable::IsEndOfChain(uint32_t entry) const {
    switch (geometry_.kind) {
        case FatKind::kFat12:
            return entry >= 0x0FF8;
        case FatKind::kFat16:
            return (entry & 0xFFFF) >= 0xFFF8;
        case FatKind::kFat32:
            return (entry & kFat32Mask) >= 0x0FFFFFF8;
    }
    return true;
}

uint32_t FatTable::NextCluster(uint32_t cluster) {
    uint32_t entry = 0;
    if (ReadFatEntry(cluster, &entry) != kErrorSuccess) return 0;
    uint32_t next;
    if (entry == 0) {
        // A cleared chain: the data is taken to go on into the next cluster while it is free.
        uint32_t following = 0;
        if (ReadFatEntry(cluster + 1, &following) != kErrorSuccess || following != 0) return 0;
        next = cluster + 1;
    } else if (IsEndOfChain(entry)) {
        return 0;
    } else {
        next = entry;
    }
    if (device_ != nullptr && !geometry_.IsDataCluster(next)) return 0;
    return next;
}

uint32_t FatTable::NextFreeCluster(uint32_t cluster) {
    for (uint64_t c = uint64_t(cluster) + 1; c <= geometry_.LastCluster(); ++c) {
        uint32_t entry = 0;
        if (ReadFatEntry(uint32_t(c), &entry) != kErrorSuccess) return 0;
        if (entry == 0) return uint32_t(c);
    }
    return 0;
}

bool VisitedClusters::Insert(uint32_t cluster) {
    if (!bits_.empty()) {
        if (cluster >= bits_.size()) return set_.insert(cluster).second;
        if (bits_[cluster]) return false;
        bits_[cluster] = true;
        return true;
    }
    if (!set_.insert(cluster).second) return false;
    if (set_.size() > kSetLimit && lastCluster_ != 0) {
        bits_.assign(size_t(lastCluster_) + 1, false);
        std::unordered_set<uint32_t> outside;
        for (uint32_t c : set_) {
            if (c < bits_.size())
                bits_[c] = true;
            else
                outside.insert(c);
        }
        set_.swap(outside);
    }
    return true;
}

}  // namespace keldrin
