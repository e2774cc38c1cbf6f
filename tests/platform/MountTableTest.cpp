#include <gtest/gtest.h>

#include <fstream>

#include "FakeDeviceTree.h"
#include "platform/MountTable.h"

namespace keldrin {
namespace {

TEST(MountTable, ParsesOptionalFieldsAndEscapedPaths) {
    test::FakeDeviceTree tree;
    {
        std::ofstream out(tree.MountInfo());
        out << "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
            << "35 22 8:17 / /media/my\\040card rw,nosuid shared:7 master:2 - vfat /dev/sdb1 "
               "rw,fmask=0022\n"
            << "36 22 8:33 / /mnt/tab\\011here rw - ntfs3 /dev/disk\\040x rw\n"
            << "garbage line\n"
            << "37 22 0:5 / relative rw - tmpfs tmpfs rw\n"
            << "38 22 259:3 / /mnt/nvme rw - btrfs /dev/nvme0n1p3 rw\n";
    }
    auto table = ReadMountTable();
    ASSERT_EQ(table.size(), 4u) << "malformed and relative lines are skipped";
    EXPECT_EQ(table[1].mountPoint, "/media/my card");
    EXPECT_EQ(table[1].fsType, "vfat");
    EXPECT_EQ(table[1].source, "/dev/sdb1");
    EXPECT_EQ(table[1].major, 8u);
    EXPECT_EQ(table[1].minor, 17u);
    EXPECT_EQ(table[2].mountPoint, "/mnt/tab\there");
    EXPECT_EQ(table[2].source, "/dev/disk x");
    EXPECT_EQ(table[3].major, 259u);
    EXPECT_EQ(table[3].fsType, "btrfs");
}

TEST(MountTable, DisplayNamesOfFileSystems) {
    struct Case {
        const char* type;
        const char* version;
        const char* expected;
    } cases[] = {
        {"vfat", "FAT32", "FAT32"}, {"vfat", "FAT16", "FAT"}, {"vfat", "FAT12", "FAT"},
        {"vfat", "", "FAT32"},      {"ntfs", "", "NTFS"},     {"ntfs3", "", "NTFS"},
        {"exfat", "", "exFAT"},     {"ext4", "1.0", "ext4"},  {"btrfs", "", "btrfs"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileSystemDisplayName(c.type, c.version), c.expected) << c.type << c.version;
    }
}

}  // namespace
}  // namespace keldrin
