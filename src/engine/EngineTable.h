// The factory's engine table: which engine a detected file system gets, fast or deep. Each engine
// joins the table with one row in EngineTable.cpp naming its maker below; a maker is defined by
// the layer that owns the engine, so the factory includes no engine header.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/Factory.h"
#include "engine/IFileRecoveryParse.h"
#include "storage/SectorDevice.h"

namespace keldrin {

using EngineMaker = std::unique_ptr<IFileRecoveryParse> (*)();

// Makers, each a fresh unopened engine. Defined in the layer of the engine:
std::unique_ptr<IFileRecoveryParse> MakeFastExtEngine();   // engine/CFastExtRecovery.cpp
std::unique_ptr<IFileRecoveryParse> MakeFastFatEngine();   // fat/ (CFastFatRecovery)
std::unique_ptr<IFileRecoveryParse> MakeFastNtfsEngine();  // ntfs/ (CFastNtfsRecovery)
std::unique_ptr<IFileRecoveryParse> MakeDeepEngine();      // signature/ (CProfessionalRecovery)

// The engine for a detected file system, unopened: the fast engine of its family, or the deep
// engine for any region when deep is set. Null when the table has no such engine (nothing
// recognised in fast mode, BitLocker, or an engine that has not joined the table).
std::unique_ptr<IFileRecoveryParse> CreateEngine(DetectedFileSystem fs, bool deep);
// True when CreateEngine can ever answer for deep scans.
bool HaveDeepEngine();

inline constexpr uint32_t kDetectionBytes = 16384;

// Reads the first 16 KiB of a region (start and count in the device's own sectors of
// bytesPerSector bytes) into out for DetectFileSystem. Returns 0; kErrorInvalidParameter with
// *tooShort set when the region is shorter than 16 KiB (nothing is read past a region's end, which
// would be another volume's data); or the device's read error.
int32_t ReadDetectionBytes(SectorDevice& device, uint64_t startSector, uint64_t sectorCount,
                           uint32_t bytesPerSector, std::vector<uint8_t>& out, bool* tooShort);

}  // namespace keldrin
