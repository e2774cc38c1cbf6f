// Raw disks and image files as sector devices, and the small disk and drive queries beside them.
// Every operation reports failure with an error code of platform/Errors.h, never by exception.
// Media are opened read-only: nothing in the program writes to the medium it scans.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace keldrin {

inline constexpr int kInvalidHandle = -1;

// An open whole disk or image with its size in sectors. Owned by value by the engine that opened
// it, which closes it in its destructor. Not thread-safe: one thread at a time.
struct SectorDevice {
    int handle = kInvalidHandle;  // file descriptor; kInvalidHandle while closed
    uint64_t sectorCount = 0;     // for an image: file size / 512, rounded down
};

// Opens disk number N of the process-wide disk registry (platform/DiskRegistry.h).
int32_t OpenPhysicalDisk(SectorDevice& device, uint32_t diskNumber);
// Opens an image file; an image always counts 512-byte sectors.
int32_t OpenImageFile(SectorDevice& device, const std::filesystem::path& image);
// Reads count sectors of bytesPerSector bytes from firstSector (absolute) into buffer, in pieces
// of at most 64 KiB. Returns 0, 87 (out of bounds, negative count, wrapping range), 30 (a piece
// failed or hit the end; sectorsRead holds the whole sectors that arrived) or a seek error.
int32_t ReadSectors(SectorDevice& device, void* buffer, uint64_t firstSector, int32_t count,
                    uint32_t bytesPerSector, uint32_t* sectorsRead);
void CloseDevice(SectorDevice& device);

int32_t QueryFileSize(const std::filesystem::path& path, uint64_t* size);
// Reads byteCount bytes from the descriptor's current position in 64 KiB pieces. 0 or 30.
int32_t ReadFileFully(int fd, uint32_t byteCount, void* buffer, uint32_t* bytesRead);

// Disk and drive queries; each opens what it needs and closes it again.
bool IsRemovableDisk(uint32_t diskNumber);
int32_t DiskLength(uint32_t diskNumber, uint64_t* length);
// Bytes per logical sector of a registered disk (512 for regular files unless the fake tree says
// otherwise).
int32_t DiskSectorSize(uint32_t diskNumber, uint32_t* bytesPerSector);
// Free space and file-system name ("NTFS", "FAT32", "FAT", "ext4", ...) of the mounted file
// system that holds path.
int32_t DriveFreeBytes(const std::filesystem::path& path, uint64_t* freeBytes);
int32_t DriveFileSystem(const std::filesystem::path& path, std::string* name);
// The same by a volume's letter (its source id): Linux volumes have no drive letter, so the
// letter is looked up in the platform's letter-to-mount-point table (platform/DiskRegistry.h);
// a letter with no mounted file system answers kErrorNotReady.
int32_t DriveFreeBytes(uint16_t driveLetter, uint64_t* freeBytes);
int32_t DriveFileSystem(uint16_t driveLetter, std::string* name);

}  // namespace keldrin
