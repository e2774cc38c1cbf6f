#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "FakeDeviceTree.h"
#include "Fixtures.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/DiskRegistry.h"

namespace keldrin {
namespace {

using test::FakeBus;
using test::FakeDeviceTree;
using test::FakeDisk;

std::map<std::string, uint32_t> Numbers() {
    std::map<std::string, uint32_t> out;
    for (const auto& disk : DiskRegistry::Instance().Refresh()) out[disk.name] = disk.number;
    return out;
}

TEST(DiskRegistry, FirstEnumerationNumbersDisksInNameOrderAndLaterOnesAfterThem) {
    FakeDeviceTree tree;
    for (const char* name : {"sdc", "sda", "mmcblk0", "sdb"}) tree.AddDisk(name, FakeDisk{});
    EXPECT_EQ(Numbers(), (std::map<std::string, uint32_t>{
                             {"mmcblk0", 0}, {"sda", 1}, {"sdb", 2}, {"sdc", 3}}));
    tree.AddDisk("sdaa", FakeDisk{});
    tree.AddDisk("nvme0n1", FakeDisk{});
    auto numbers = Numbers();
    EXPECT_EQ(numbers["nvme0n1"], 4u) << "disks seen later come after, in name order";
    EXPECT_EQ(numbers["sdaa"], 5u);
    EXPECT_EQ(numbers["sdc"], 3u);

    auto disk = DiskRegistry::Instance().Find(2);
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->name, "sdb");
    EXPECT_EQ(disk->deviceNode, tree.NodeOf("sdb"));
    EXPECT_EQ(disk->sysfsPath, tree.SysfsRoot() / "block" / "sdb");
    EXPECT_FALSE(disk->isImage);
}

TEST(DiskRegistry, VanishedDiskKeepsItsNumberAndNobodyElseGetsIt) {
    FakeDeviceTree tree;
    for (const char* name : {"sda", "sdb", "sdc"}) tree.AddDisk(name, FakeDisk{});
    ASSERT_EQ(Numbers().size(), 3u);
    tree.RemoveDisk("sdb");
    EXPECT_EQ(Numbers(), (std::map<std::string, uint32_t>{{"sda", 0}, {"sdc", 2}}))
        << "the others are not renumbered";
    EXPECT_FALSE(DiskRegistry::Instance().Find(1));
    tree.AddDisk("sdd", FakeDisk{});
    EXPECT_EQ(Numbers()["sdd"], 3u) << "number 1 is not handed to another disk";

    // The same device back in the same port is the same disk again, though the kernel gave it
    // a new SCSI host.
    FakeDisk replugged;
    replugged.scsiHost = 17;
    tree.AddDisk("sdb", replugged);
    EXPECT_EQ(Numbers()["sdb"], 1u);
    // Another device taking the name in another port is a new disk: a number opened for the old
    // one must not reach it.
    tree.RemoveDisk("sdb");
    FakeDisk other;
    other.port = 40;
    tree.AddDisk("sdb", other);
    EXPECT_EQ(Numbers()["sdb"], 4u);
    EXPECT_FALSE(DiskRegistry::Instance().Find(1));
}

TEST(DiskRegistry, SkipsRamDisksCompressedSwapAndEmptyDevices) {
    FakeDeviceTree tree;
    FakeDisk empty;
    empty.sysfsSize512 = 0;
    tree.AddDisk("ram0", FakeDisk{});
    tree.AddDisk("zram0", FakeDisk{});
    tree.AddDisk("loop0", empty);       // nothing attached
    tree.AddDisk("sdb", empty);         // a reader without a card
    tree.AddDisk("loop1", FakeDisk{});  // an attached loop device is a disk
    tree.AddDisk("sdc", FakeDisk{});
    EXPECT_EQ(Numbers(), (std::map<std::string, uint32_t>{{"loop1", 0}, {"sdc", 1}}));
    // A card put into the reader makes it a disk.
    tree.SetAttribute("sdb", "size", "2048");
    EXPECT_EQ(Numbers()["sdb"], 2u);
}

TEST(DiskRegistry, ImagesEnterAsDisksOncePerFile) {
    FakeDeviceTree tree;
    tree.AddDisk("sda", FakeDisk{});
    test::TempDir dir;
    test::WriteWholeFile(dir / "card.img", std::vector<uint8_t>(4096, 0));
    EXPECT_EQ(Numbers().size(), 1u);
    auto number = DiskRegistry::Instance().RegisterImage(dir / "card.img");
    ASSERT_TRUE(number);
    EXPECT_EQ(*number, 1u);
    std::filesystem::create_directory(dir / "sub");
    EXPECT_EQ(DiskRegistry::Instance().RegisterImage(dir / "sub" / ".." / "card.img"), number);
    EXPECT_FALSE(DiskRegistry::Instance().RegisterImage(dir / "missing.img"));
    EXPECT_FALSE(DiskRegistry::Instance().RegisterImage(dir.path())) << "a folder is no image";

    auto disks = DiskRegistry::Instance().Refresh();
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[1].number, *number);
    EXPECT_TRUE(disks[1].isImage);
    EXPECT_EQ(disks[1].name, "card.img");
    EXPECT_EQ(disks[1].deviceNode, std::filesystem::canonical(dir / "card.img"));
    EXPECT_TRUE(disks[1].sysfsPath.empty());

    tree.AddDisk("sdb", FakeDisk{});
    EXPECT_EQ(Numbers()["sdb"], 2u) << "images and disks share one numbering";
    std::filesystem::remove(dir / "card.img");
    EXPECT_FALSE(DiskRegistry::Instance().Find(*number)) << "a deleted image is gone";
}

TEST(DiskRegistry, HandsOutAtMost128Numbers) {
    FakeDeviceTree tree;
    test::TempDir dir;
    for (uint32_t i = 0; i < kMaxDisks; ++i) {
        auto path = dir / ("img" + std::to_string(i));
        test::WriteWholeFile(path, {1});
        ASSERT_EQ(DiskRegistry::Instance().RegisterImage(path), i);
    }
    test::WriteWholeFile(dir / "one-too-many", {1});
    EXPECT_FALSE(DiskRegistry::Instance().RegisterImage(dir / "one-too-many"));
    EXPECT_EQ(DiskRegistry::Instance().RegisterImage(dir / "img5"), 5u)
        << "known ones still answer";
    tree.AddDisk("sdb", FakeDisk{});
    EXPECT_EQ(Numbers().count("sdb"), 0u);
}

TEST(DiskRegistry, ResetForTestingForgetsEveryNumber) {
    FakeDeviceTree tree;
    tree.AddDisk("sdb", FakeDisk{});
    tree.AddDisk("sdc", FakeDisk{});
    ASSERT_EQ(Numbers().size(), 2u);
    tree.RemoveDisk("sdb");
    DiskRegistry::Instance().ResetForTesting();
    EXPECT_EQ(Numbers(), (std::map<std::string, uint32_t>{{"sdc", 0}}));
}

TEST(DiskRegistry, RootsComeFromTheEnvironmentWithSystemDefaults) {
    {
        FakeDeviceTree tree;
        EXPECT_EQ(SysfsRoot(), tree.SysfsRoot());
        EXPECT_EQ(DeviceRoot(), tree.DevRoot());
        EXPECT_EQ(MountInfoPath(), tree.MountInfo());
    }
    // Outside a fake tree (and with nothing set by the caller) the system's own.
    test::ScopedEnv noSysfs("KELDRIN_SYSFS_ROOT", std::nullopt);
    test::ScopedEnv noDev("KELDRIN_DEV_ROOT", "");
    test::ScopedEnv noMounts("KELDRIN_MOUNTINFO", std::nullopt);
    EXPECT_EQ(SysfsRoot(), "/sys");
    EXPECT_EQ(DeviceRoot(), "/dev") << "an empty value counts as unset";
    EXPECT_EQ(MountInfoPath(), "/proc/self/mountinfo");
}

TEST(DriveMounts, LettersMapToMountPointsUntilCleared) {
    EXPECT_FALSE(DriveMount('Q'));
    SetDriveMount('Q', "/media/card");
    EXPECT_EQ(DriveMount('Q'), std::filesystem::path("/media/card"));
    SetDriveMount('Q', "/media/other");
    EXPECT_EQ(DriveMount('Q'), std::filesystem::path("/media/other"));
    SetDriveMount('Q', {});
    EXPECT_FALSE(DriveMount('Q'));
}

}  // namespace
}  // namespace keldrin
