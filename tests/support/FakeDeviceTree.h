// A fake device tree for tests of everything that finds disks: a sysfs folder, a device-node
// folder whose "nodes" are regular image files, and a mount table, all in a temporary folder.
// While the object lives, KELDRIN_SYSFS_ROOT, KELDRIN_DEV_ROOT and KELDRIN_MOUNTINFO point at it
// (the earlier values come back when it goes) and the disk registry starts empty, so disk numbers
// in a test count from 0. Nothing here touches the host's real disks.
//
// What it builds, as the kernel lays it out:
//   sys/block/<name>            -> symlink to sys/devices/<bus path>/block/<name>
//   .../block/<name>/size       whole disk in 512-byte units, whatever the sector size
//   .../block/<name>/removable  "0" or "1"
//   .../block/<name>/queue/logical_block_size
//   .../block/<name>/device     -> symlink to the bus device (a USB interface, an MMC card, a
//                                  SATA/SCSI device); the bus folders carry "subsystem" links
//   .../block/<name>/<part>/{partition,start,size}   start and size in 512-byte units
//   dev/<name>, dev/<part>      image files (or symlinks to a test's own image)
//   mountinfo                   lines in /proc/self/mountinfo format
//
// Typical use:
//   FakeDeviceTree tree;
//   FakeDisk card;
//   card.bytes = 8 << 20; card.removable = true; card.bus = FakeBus::kUsb;
//   tree.AddDisk("sdb", card);                     // a zero-filled 8 MiB sparse node
//   tree.AddPartition("sdb", 1, 2048, 14336);      // sdb1, bytes copied from the disk node
//   tree.AddMount("/media/card", "vfat", tree.NodeOf("sdb1"));
// One tree at a time: the environment is process-wide. Not thread-safe.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "TempDir.h"

namespace keldrin::test {

enum class FakeBus { kSata, kUsb, kMmc };

struct FakeDisk {
    uint64_t bytes = 1 << 20;         // size of the node and of the sysfs "size" (÷ 512)
    uint32_t logicalBlockSize = 512;  // queue/logical_block_size
    bool removable = false;           // the "removable" attribute
    FakeBus bus = FakeBus::kSata;     // what the "device" link passes through
    // When set, dev/<name> is a symlink to this file (a real file-system or partitioned image
    // made by the test) instead of a new zero-filled node; bytes defaults to its size.
    std::filesystem::path image;
    // The bus port: re-adding a disk of the same name in the same port models the same device
    // coming back (same sysfs device path); another port is another device. -1: one per name.
    int port = -1;
    // The SCSI host number below the port (hostN/targetN:0:0/N:0:0:0). The kernel counts hosts
    // afresh on every arrival, so a re-plugged stick has a new one. -1: the port number.
    int scsiHost = -1;
    // Size attribute override (512-byte units) for cases where sysfs and the node disagree,
    // e.g. a reader with no medium reports 0.
    std::optional<uint64_t> sysfsSize512;
};

class FakeDeviceTree {
public:
    FakeDeviceTree();
    ~FakeDeviceTree();
    FakeDeviceTree(const FakeDeviceTree&) = delete;
    FakeDeviceTree& operator=(const FakeDeviceTree&) = delete;

    const std::filesystem::path& root() const { return dir_.path(); }
    std::filesystem::path SysfsRoot() const { return root() / "sys"; }
    std::filesystem::path DevRoot() const { return root() / "dev"; }
    std::filesystem::path MountInfo() const { return root() / "mountinfo"; }

    // Adds a whole disk; returns its device node.
    std::filesystem::path AddDisk(const std::string& name, const FakeDisk& disk);
    // Adds partition number index of disk (named as the kernel does: sdb1, mmcblk0p1), with start
    // and size in 512-byte units. Its node gets a copy of those bytes of the disk node as they
    // are now (write the disk's content first). Returns the partition's node.
    std::filesystem::path AddPartition(const std::string& disk, int index, uint64_t start512,
                                       uint64_t size512);
    // Makes the disk vanish: its sysfs entry and node go, as when a stick is pulled.
    void RemoveDisk(const std::string& name);
    // Writes (or overwrites) any attribute below the disk's sysfs folder ("removable", ...).
    void SetAttribute(const std::string& name, const std::string& relativePath,
                      const std::string& text);
    // Appends one mount-table line for mountPoint.
    void AddMount(const std::filesystem::path& mountPoint, const std::string& fsType,
                  const std::string& source);

    std::filesystem::path NodeOf(const std::string& name) const { return DevRoot() / name; }
    std::filesystem::path SysfsDirOf(const std::string& name) const;
    // "sdb" + 1 -> "sdb1"; "mmcblk0" + 1 -> "mmcblk0p1".
    static std::string PartitionName(const std::string& disk, int index);

private:
    std::filesystem::path BusDevicePath(const std::string& name, const FakeDisk& disk);

    TempDir dir_;
    std::map<std::string, std::optional<std::string>> savedEnv_;
    std::map<std::string, int> ports_;
    std::map<std::string, std::filesystem::path> blockDirs_;
    int nextPort_ = 0;
    int mountId_ = 100;
};

}  // namespace keldrin::test
