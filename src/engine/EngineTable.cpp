#include "engine/EngineTable.h"

#include <algorithm>

#include "platform/Errors.h"

namespace keldrin {
namespace {

enum class Family { kNtfs, kFat, kExt };

struct EngineRow {
    Family family;
    EngineMaker fast;
};

// One row per fast engine; an engine joins by adding its row.
constexpr EngineRow kFastEngines[] = {
    {Family::kNtfs, MakeFastNtfsEngine},
    {Family::kFat, MakeFastFatEngine},
    {Family::kExt, MakeFastExtEngine},
};

// The deep-scan engine, for any region; null until it exists.
constexpr EngineMaker kDeepEngine = nullptr;

bool FamilyOf(DetectedFileSystem fs, Family* family) {
    switch (fs) {
        case DetectedFileSystem::kNtfs: *family = Family::kNtfs; return true;
        case DetectedFileSystem::kFat12:
        case DetectedFileSystem::kFat16:
        case DetectedFileSystem::kFat32: *family = Family::kFat; return true;
        case DetectedFileSystem::kExt: *family = Family::kExt; return true;
        case DetectedFileSystem::kNone:
        case DetectedFileSystem::kBitLocker: return false;
    }
    return false;
}

}  // namespace

bool HaveDeepEngine() { return kDeepEngine != nullptr; }

std::unique_ptr<IFileRecoveryParse> CreateEngine(DetectedFileSystem fs, bool deep) {
    if (deep) return kDeepEngine ? kDeepEngine() : nullptr;
    Family family;
    if (!FamilyOf(fs, &family)) return nullptr;
    for (const EngineRow& row : kFastEngines) {
        if (row.family == family) return row.fast();
    }
    return nullptr;
}

int32_t ReadDetectionBytes(SectorDevice& device, uint64_t startSector, uint64_t sectorCount,
                           uint32_t bytesPerSector, std::vector<uint8_t>& out, bool* tooShort) {
    if (tooShort) *tooShort = false;
    if (bytesPerSector == 0) return kErrorInvalidParameter;
    // Sectors needed to cover 16 KiB (one sector when a sector is larger than that).
    uint64_t needed = (kDetectionBytes + bytesPerSector - 1) / bytesPerSector;
    bool shortRegion = sectorCount < needed;
    if (!shortRegion && device.sectorCount != 0) {
        shortRegion = startSector >= device.sectorCount || device.sectorCount - startSector < needed;
    }
    if (shortRegion) {
        if (tooShort) *tooShort = true;
        return kErrorInvalidParameter;
    }
    std::vector<uint8_t> buffer(size_t(needed) * bytesPerSector);
    uint32_t sectorsRead = 0;
    int32_t err = ReadSectors(device, buffer.data(), startSector, int32_t(needed), bytesPerSector,
                              &sectorsRead);
    if (err != kErrorSuccess) return err;
    if (sectorsRead < needed) return kErrorReadFault;
    buffer.resize(kDetectionBytes);
    out = std::move(buffer);
    return kErrorSuccess;
}

}  // namespace keldrin
