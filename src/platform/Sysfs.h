// Reading the sysfs attributes of a block device folder (SysfsRoot()/block/<name>, or a
// partition folder below it). Missing or unreadable attributes answer std::nullopt.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace keldrin {

// The attribute's text with surrounding white space removed.
std::optional<std::string> ReadSysfsAttribute(const std::filesystem::path& dir,
                                              const std::filesystem::path& name);
std::optional<uint64_t> ReadSysfsNumber(const std::filesystem::path& dir,
                                        const std::filesystem::path& name);

// "size": always in 512-byte units, whatever the disk's sector size.
std::optional<uint64_t> SysfsSize512(const std::filesystem::path& dir);
// "queue/logical_block_size" of a whole disk.
std::optional<uint32_t> SysfsLogicalBlockSize(const std::filesystem::path& diskDir);
// "removable" is 1.
bool SysfsRemovable(const std::filesystem::path& diskDir);

enum class DiskBus { kOther, kUsb, kSd };
// USB when the disk's device path passes through a USB device; SD for an mmcblk disk or one on
// the mmc subsystem.
DiskBus SysfsDiskBus(const std::filesystem::path& diskDir);

}  // namespace keldrin
