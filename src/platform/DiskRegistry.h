// The process-wide disk registry: disk numbers 0..127 for block devices (the counterpart of
// "PhysicalDrive N"), handed out in first-seen order (sorted by name at the first enumeration)
// and never reused for another device while the process lives. An image file with a partition
// table can be entered as a disk of its own. The sysfs root, device-node root and mount table are
// read from paths that KELDRIN_SYSFS_ROOT, KELDRIN_DEV_ROOT and KELDRIN_MOUNTINFO override, so
// tests build a fake tree whose device nodes are image files. Thread-safe.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace keldrin {

inline constexpr uint32_t kMaxDisks = 128;

struct DiskInfo {
    uint32_t number = 0;
    std::string name;                  // "sdb", "mmcblk0", or the image's file name
    std::filesystem::path deviceNode;  // what is opened: /dev/sdb, or the image file
    std::filesystem::path sysfsPath;   // empty for an image entered as a disk
    bool isImage = false;
};

std::filesystem::path SysfsRoot();      // default /sys
std::filesystem::path DeviceRoot();     // default /dev
std::filesystem::path MountInfoPath();  // default /proc/self/mountinfo

class DiskRegistry {
public:
    static DiskRegistry& Instance();

    // Rescans the sysfs block folder (skipping ram*, zram*, loop devices without a backing file
    // and size-0 devices) and numbers new disks. Returns the disks present now.
    std::vector<DiskInfo> Refresh();
    std::optional<DiskInfo> Find(uint32_t number) const;
    // Enters an image file as a disk; the same path gets the same number again.
    std::optional<uint32_t> RegisterImage(const std::filesystem::path& image);
    // For tests: forget every number (a new "process").
    void ResetForTesting();

private:
    DiskRegistry() = default;
    struct Impl;
    Impl* impl();
};

// Linux volumes have no drive letter: a letter (a volume's source id) can be tied to the mount
// point of its file system so that the letter queries of storage/SectorDevice.h answer.
void SetDriveMount(uint16_t driveLetter, const std::filesystem::path& mountPoint);
std::optional<std::filesystem::path> DriveMount(uint16_t driveLetter);

}  // namespace keldrin
