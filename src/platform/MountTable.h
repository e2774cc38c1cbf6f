// The mount table (MountInfoPath(), /proc/self/mountinfo by default) and the file-system name a
// mounted file system is shown with.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace keldrin {

struct MountEntry {
    uint32_t major = 0;
    uint32_t minor = 0;
    std::filesystem::path mountPoint;  // octal escapes (\040 ...) decoded
    std::string fsType;                // "vfat", "ntfs3", "fuseblk", "ext4", ...
    std::string source;                // "/dev/sdb1", or whatever the mount was given
};

// Every entry of the mount table in file order; empty when it cannot be read. Malformed lines
// are skipped.
std::vector<MountEntry> ReadMountTable();
// The mount that holds path: the entry whose mount point is the longest leading run of whole
// components of the canonical path (the last of equal ones, as later mounts cover earlier ones).
// std::nullopt when the path does not exist or no entry holds it.
std::optional<MountEntry> MountHolding(const std::filesystem::path& path);

// What a probe of a device or image finds at a byte offset (libblkid superblock probe).
struct FileSystemProbe {
    std::string type;     // blkid's name: "vfat", "ntfs", "ext4", ...
    std::string version;  // "FAT12", "FAT16", "FAT32" for vfat; may be empty
    std::string label;
    std::string uuid;
};
// Probes the file system of the region [offset, offset + size) of a device node or image file
// (size 0: to the end). std::nullopt when the source cannot be read or holds no known file system.
std::optional<FileSystemProbe> ProbeFileSystem(const std::filesystem::path& source,
                                               uint64_t offset = 0, uint64_t size = 0);

// The name a file system is shown with: vfat "FAT32" (version FAT32, or unknown) or "FAT"
// (FAT12/FAT16), ntfs "NTFS", exfat "exFAT", others as named.
std::string FileSystemDisplayName(const std::string& type, const std::string& version);
// The same for a mount: vfat/msdos by the FAT size probed on its source ("FAT32" when the source
// cannot be read), ntfs/ntfs3/ntfs-3g and fuseblk holding NTFS "NTFS", others as named.
std::string MountedFileSystemName(const MountEntry& mount);

}  // namespace keldrin
