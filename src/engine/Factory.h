// File-system detection and the engine factory: reads the first 16 KiB of a region, recognises
// NTFS, FAT or ext, and creates and opens the matching engine (or the deep-scan engine when a deep
// scan was asked for). The caller owns the engine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "engine/IFileRecoveryParse.h"

namespace keldrin {

enum class DetectedFileSystem { kNone, kNtfs, kFat12, kFat16, kFat32, kExt, kBitLocker };

// The tests on the region's first 16 384 bytes, in the factory's order (NTFS, FAT with the
// BitLocker guard, ext). kBitLocker is reported only for display: the factory treats it as none.
DetectedFileSystem DetectFileSystem(const uint8_t* first16k);
bool IsNtfsBootSector(const uint8_t* sector);
bool IsFatBootSector(const uint8_t* sector);
bool IsBitLockerBootSector(const uint8_t* sector);
bool IsExtSuperblock(const uint8_t* superblock);
const char* FileSystemName(DetectedFileSystem fs);  // "NTFS", "FAT32", "FAT16", "FAT12", ...

std::unique_ptr<IFileRecoveryParse> OpenDiskRecovery(uint32_t diskNumber, uint64_t startSector,
                                                     uint64_t sectorCount, uint16_t driveLetter,
                                                     int32_t deep);
std::unique_ptr<IFileRecoveryParse> OpenImageRecovery(const std::filesystem::path& image,
                                                      uint16_t imageNumber, int32_t deep);

}  // namespace keldrin
