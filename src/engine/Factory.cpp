#include "engine/Factory.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/EngineTable.h"
#include "platform/ByteOrder.h"
#include "platform/DiskRegistry.h"
#include "platform/Errors.h"
#include "storage/SectorDevice.h"

namespace keldrin {
namespace {

bool HasBootSignature(const uint8_t* s) { return s[510] == 0x55 && s[511] == 0xAA; }

bool IsPowerOfTwoUpTo128(uint8_t v) { return v != 0 && (v & (v - 1)) == 0; }

bool AllZero(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (p[i] != 0) return false;
    }
    return true;
}

bool PassesFat1216BootTest(const uint8_t* s) {
    return s[16] != 0 && (Le16(s + 19) != 0 || Le32(s + 32) != 0) && IsPowerOfTwoUpTo128(s[13]) &&
           Le16(s + 22) >= 1 && HasBootSignature(s);
}

bool PassesFat32BootTest(const uint8_t* s) {
    return BytesEqual(s + 82, "FAT32   ", 8) && s[16] != 0 && Le32(s + 32) != 0 &&
           IsPowerOfTwoUpTo128(s[13]) && Le32(s + 36) != 0 && HasBootSignature(s);
}

// The FAT test: kFat12/kFat16 when the FAT12/16 boot test made it pass (by cluster count),
// kFat32 when the FAT32 boot test did, kBitLocker or kNone when it failed.
DetectedFileSystem ClassifyFat(const uint8_t* s) {
    if (IsBitLockerBootSector(s)) return DetectedFileSystem::kBitLocker;
    uint32_t bytesPerSector = Le16(s + 11);
    uint32_t sectorsPerCluster = s[13];
    if (bytesPerSector == 0 || bytesPerSector % 512 != 0 || sectorsPerCluster == 0) {
        return DetectedFileSystem::kNone;
    }
    uint32_t totalSectors = Le32(s + 32);
    if (totalSectors == 0) totalSectors = Le16(s + 19);
    uint32_t fatSize = Le16(s + 22);
    if (fatSize == 0) fatSize = Le32(s + 36);
    // Rounded up, as the FAT model lays out the root directory.
    uint32_t rootSectors = (uint32_t(Le16(s + 17)) * 32 + bytesPerSector - 1) / bytesPerSector;
    // Metadata larger than the volume would wrap the 32-bit count into the FAT32 range.
    uint64_t overhead = uint64_t(rootSectors) + uint64_t(s[16]) * fatSize + Le16(s + 14);
    if (overhead > totalSectors) return DetectedFileSystem::kNone;
    uint32_t clusters = uint32_t(totalSectors - overhead) / sectorsPerCluster;

    DetectedFileSystem small =
        clusters < 4085 ? DetectedFileSystem::kFat12 : DetectedFileSystem::kFat16;
    if (clusters < 65525) {
        if (PassesFat1216BootTest(s)) return small;
        if (PassesFat32BootTest(s)) return DetectedFileSystem::kFat32;
    } else if (clusters < 0x0FFFFFF0u) {
        if (PassesFat32BootTest(s)) return DetectedFileSystem::kFat32;
        if (PassesFat1216BootTest(s)) return small;
    }
    return DetectedFileSystem::kNone;
}

// Largest log-block-size an ext volume can have (64 KiB blocks); anything above is not ext, and
// an unchecked shift by it would be undefined.
constexpr uint32_t kMaxExtLogBlockSize = 6;

// The partition node of a disk region, for the flush before a raw read: the sysfs partition of
// the disk whose start (in 512-byte units) is the region's start.
std::filesystem::path PartitionNode(const DiskInfo& disk, uint64_t startSector,
                                    uint32_t bytesPerSector) {
    if (disk.sysfsPath.empty() || startSector == 0) return {};
    std::error_code ec;
    for (const auto& child : std::filesystem::directory_iterator(disk.sysfsPath, ec)) {
        std::ifstream partition(child.path() / "partition");
        std::ifstream start(child.path() / "start");
        uint64_t start512 = 0;
        if (!partition || !(start >> start512)) continue;
        if (start512 * 512 == startSector * bytesPerSector) {
            return DeviceRoot() / child.path().filename();
        }
    }
    return {};
}

// Makes what the system still caches for the mounted volume reach the disk, and drops the whole
// disk's cached pages, so that the raw read sees current sectors (a partition and its disk have
// separate page caches). Every failure is ignored.
void FlushBeforeRawRead(uint32_t diskNumber, SectorDevice& disk, uint64_t startSector,
                        uint32_t bytesPerSector) {
    if (auto info = DiskRegistry::Instance().Find(diskNumber)) {
        std::filesystem::path node = PartitionNode(*info, startSector, bytesPerSector);
        if (!node.empty()) {
            int fd = ::open(node.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                (void)::fsync(fd);
                ::close(fd);
            }
        }
    }
    (void)::posix_fadvise(disk.handle, 0, 0, POSIX_FADV_DONTNEED);
    (void)::ioctl(disk.handle, BLKFLSBUF, 0);
}

}  // namespace

bool IsNtfsBootSector(const uint8_t* s) {
    int8_t sectorsPerCluster = int8_t(s[13]);
    bool clusterOk = false;
    for (int8_t v : {1, 2, 4, 8, 16, 32, 64}) clusterOk = clusterOk || sectorsPerCluster == v;
    return BytesEqual(s + 3, "NTFS    ", 8) && Le16(s + 11) % 512 == 0 && Le16(s + 14) == 0 &&
           clusterOk && Le64(s + 40) != 0 && AllZero(s + 16, 5) && AllZero(s + 22, 2) &&
           AllZero(s + 32, 4) && HasBootSignature(s);
}

bool IsBitLockerBootSector(const uint8_t* s) {
    static const uint8_t kPattern[30] = {'x',  'x',  'x',  'x',  'x',  'x',  'x',  'x',
                                         0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                         0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                         0xFF, 0xFF, 0xFF, 0x00, 0x1F, 0x2C};
    return BytesEqual(s + 3, "-FVE-FS-", 8) || std::memcmp(s + 480, kPattern, 30) == 0;
}

bool IsFatBootSector(const uint8_t* s) {
    DetectedFileSystem fs = ClassifyFat(s);
    return fs == DetectedFileSystem::kFat12 || fs == DetectedFileSystem::kFat16 ||
           fs == DetectedFileSystem::kFat32;
}

bool IsExtSuperblock(const uint8_t* sb) {
    if (Le16(sb + 56) != 0xEF53) return false;
    uint32_t inodes = Le32(sb + 0), blocks = Le32(sb + 4), firstDataBlock = Le32(sb + 20);
    uint32_t logBlockSize = Le32(sb + 24), blocksPerGroup = Le32(sb + 32);
    uint32_t inodesPerGroup = Le32(sb + 40), firstInode = Le32(sb + 84);
    if (inodes == 0 || blocks == 0 || blocksPerGroup == 0 || inodesPerGroup == 0) return false;
    if (firstInode <= 2 || logBlockSize > kMaxExtLogBlockSize) return false;
    if (blocks <= firstDataBlock) return false;  // the group count below would wrap
    if ((blocks - firstDataBlock - 1) / blocksPerGroup + 1 != (inodes - 1) / inodesPerGroup + 1) {
        return false;
    }
    uint32_t expectedFirstDataBlock = (1024u << logBlockSize) == 1024 ? 1 : 0;
    return firstDataBlock == expectedFirstDataBlock && inodes > firstInode;
}

DetectedFileSystem DetectFileSystem(const uint8_t* first16k) {
    if (IsNtfsBootSector(first16k)) return DetectedFileSystem::kNtfs;
    DetectedFileSystem fat = ClassifyFat(first16k);
    if (fat != DetectedFileSystem::kNone && fat != DetectedFileSystem::kBitLocker) return fat;
    if (IsExtSuperblock(first16k + 1024)) return DetectedFileSystem::kExt;
    return fat;  // kBitLocker or kNone
}

const char* FileSystemName(DetectedFileSystem fs) {
    switch (fs) {
        case DetectedFileSystem::kNtfs: return "NTFS";
        case DetectedFileSystem::kFat12: return "FAT12";
        case DetectedFileSystem::kFat16: return "FAT16";
        case DetectedFileSystem::kFat32: return "FAT32";
        case DetectedFileSystem::kExt: return "ext";
        case DetectedFileSystem::kBitLocker: return "BitLocker";
        case DetectedFileSystem::kNone: return "none";
    }
    return "none";
}

std::unique_ptr<IFileRecoveryParse> OpenDiskRecovery(uint32_t diskNumber, uint64_t startSector,
                                                     uint64_t sectorCount, uint16_t driveLetter,
                                                     int32_t deep) {
    if (deep != 0 && !HaveDeepEngine()) return nullptr;
    SectorDevice disk;
    if (OpenPhysicalDisk(disk, diskNumber) != kErrorSuccess) return nullptr;
    uint32_t bytesPerSector = 512;
    if (DiskSectorSize(diskNumber, &bytesPerSector) != kErrorSuccess || bytesPerSector == 0) {
        bytesPerSector = 512;
    }
    FlushBeforeRawRead(diskNumber, disk, startSector, bytesPerSector);

    std::vector<uint8_t> head;
    bool tooShort = false;
    int32_t err = ReadDetectionBytes(disk, startSector, sectorCount, bytesPerSector, head, &tooShort);
    if (err != kErrorSuccess) {
        CloseDevice(disk);
        return nullptr;
    }
    auto engine = CreateEngine(DetectFileSystem(head.data()), deep != 0);
    if (engine) {
        // An engine whose open failed is still returned: its scan reports the device's error.
        (void)engine->OpenDisk(diskNumber, startSector, sectorCount, driveLetter);
    }
    CloseDevice(disk);
    return engine;
}

std::unique_ptr<IFileRecoveryParse> OpenImageRecovery(const std::filesystem::path& image,
                                                      uint16_t imageNumber, int32_t deep) {
    if (deep != 0 && !HaveDeepEngine()) return nullptr;
    SectorDevice file;
    if (OpenImageFile(file, image) != kErrorSuccess) return nullptr;
    std::vector<uint8_t> head;
    bool tooShort = false;
    int32_t err = ReadDetectionBytes(file, 0, file.sectorCount, 512, head, &tooShort);
    if (err != kErrorSuccess) {
        CloseDevice(file);
        return nullptr;
    }
    auto engine = CreateEngine(DetectFileSystem(head.data()), deep != 0);
    if (engine) (void)engine->OpenImage(image, imageNumber);
    CloseDevice(file);
    return engine;
}

}  // namespace keldrin
