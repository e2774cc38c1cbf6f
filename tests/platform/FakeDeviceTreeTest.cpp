// The fake tree other suites build disks, partitions and volumes on: its layout must read the
// way the kernel's does through the platform's sysfs readers.
#include <gtest/gtest.h>

#include <cstdlib>

#include "FakeDeviceTree.h"
#include "Fixtures.h"
#include "platform/DiskRegistry.h"
#include "platform/Sysfs.h"

namespace keldrin {
namespace {

using test::FakeBus;
using test::FakeDeviceTree;
using test::FakeDisk;

TEST(FakeDeviceTree, PartitionsCarryStartSizeAndTheDisksBytes) {
    FakeDeviceTree tree;
    FakeDisk disk;
    disk.bytes = 4 << 20;
    std::vector<uint8_t> content = test::PseudoRandomBytes(disk.bytes, 4);
    test::WriteWholeFile(tree.AddDisk("mmcblk0", disk), content);
    auto node = tree.AddPartition("mmcblk0", 1, 2048, 4096);
    EXPECT_EQ(node, tree.NodeOf("mmcblk0p1"));
    EXPECT_EQ(test::FakeDeviceTree::PartitionName("sdb", 2), "sdb2");

    std::filesystem::path dir = tree.SysfsRoot() / "block" / "mmcblk0" / "mmcblk0p1";
    EXPECT_EQ(ReadSysfsNumber(dir, "partition"), 1u);
    EXPECT_EQ(ReadSysfsNumber(dir, "start"), 2048u);
    EXPECT_EQ(SysfsSize512(dir), 4096u);
    EXPECT_EQ(SysfsSize512(tree.SysfsRoot() / "block" / "mmcblk0"), 8192u);
    auto bytes = test::ReadWholeFile(node);
    ASSERT_EQ(bytes.size(), 4096u * 512);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), content.begin() + 2048 * 512));

    // A partition reaching past the disk node reads zeros there.
    auto tail = test::ReadWholeFile(tree.AddPartition("mmcblk0", 2, 8000, 400));
    ASSERT_EQ(tail.size(), 400u * 512);
    EXPECT_EQ(tail.back(), 0);

    tree.RemoveDisk("mmcblk0");
    EXPECT_FALSE(std::filesystem::exists(node));
    EXPECT_FALSE(std::filesystem::exists(tree.NodeOf("mmcblk0")));
}

TEST(FakeDeviceTree, DisksReadBackTheirAttributesAndBus) {
    FakeDeviceTree tree;
    FakeDisk usb;
    usb.removable = true;
    usb.bus = FakeBus::kUsb;
    usb.logicalBlockSize = 4096;
    usb.bytes = 1 << 20;
    tree.AddDisk("sdb", usb);
    const auto dir = tree.SysfsRoot() / "block" / "sdb";
    EXPECT_TRUE(SysfsRemovable(dir));
    EXPECT_EQ(SysfsLogicalBlockSize(dir), 4096u);
    EXPECT_EQ(SysfsDiskBus(dir), DiskBus::kUsb);
    EXPECT_EQ(SysfsDiskBus(tree.SysfsRoot() / "block" / "nothing"), DiskBus::kOther);

    // A disk whose node is the test's own image.
    test::TempDir images;
    test::WriteWholeFile(images / "fs.img", std::vector<uint8_t>(3 * 512, 7));
    FakeDisk fromImage;
    fromImage.image = images / "fs.img";
    tree.AddDisk("sdc", fromImage);
    EXPECT_EQ(SysfsSize512(tree.SysfsRoot() / "block" / "sdc"), 3u);
    EXPECT_EQ(test::ReadWholeFile(tree.NodeOf("sdc")).size(), 3u * 512);
}

TEST(FakeDeviceTree, RestoresTheEnvironmentItChanged) {
    setenv("KELDRIN_DEV_ROOT", "/earlier/dev", 1);
    unsetenv("KELDRIN_SYSFS_ROOT");
    {
        FakeDeviceTree tree;
        EXPECT_EQ(DeviceRoot(), tree.DevRoot());
    }
    EXPECT_STREQ(std::getenv("KELDRIN_DEV_ROOT"), "/earlier/dev");
    EXPECT_EQ(std::getenv("KELDRIN_SYSFS_ROOT"), nullptr);
    unsetenv("KELDRIN_DEV_ROOT");
}

}  // namespace
}  // namespace keldrin
