#include <gtest/gtest.h>

#include <vector>

#include "FakeDeviceTree.h"
#include "Fixtures.h"
#include "platform/DiskRegistry.h"
#include "platform/Errors.h"
#include "storage/SectorDevice.h"

namespace keldrin {
namespace {

using test::FakeBus;
using test::FakeDeviceTree;
using test::FakeDisk;

std::optional<uint32_t> NumberOf(const std::string& name) {
    for (const auto& disk : DiskRegistry::Instance().Refresh()) {
        if (disk.name == name) return disk.number;
    }
    return std::nullopt;
}

TEST(PhysicalDisk, OpensAFakeNodeWith4096ByteSectors) {
    FakeDeviceTree tree;
    FakeDisk disk;
    disk.bytes = 8 << 20;
    disk.logicalBlockSize = 4096;
    std::vector<uint8_t> content = test::PseudoRandomBytes(disk.bytes, 11);
    test::WriteWholeFile(tree.AddDisk("sdb", disk), content);
    auto number = NumberOf("sdb");
    ASSERT_TRUE(number);

    SectorDevice device;
    ASSERT_EQ(OpenPhysicalDisk(device, *number), kErrorSuccess);
    EXPECT_EQ(device.sectorCount, 2048u) << "counted in the disk's own sectors";
    std::vector<uint8_t> buffer(2 * 4096);
    uint32_t read = 0;
    EXPECT_EQ(ReadSectors(device, buffer.data(), 2046, 2, 4096, &read), kErrorSuccess);
    EXPECT_EQ(read, 2u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), content.begin() + 2046 * 4096));
    EXPECT_EQ(ReadSectors(device, buffer.data(), 2047, 2, 4096, &read), kErrorInvalidParameter);
    CloseDevice(device);

    uint32_t sectorSize = 0;
    uint64_t length = 0;
    EXPECT_EQ(DiskSectorSize(*number, &sectorSize), kErrorSuccess);
    EXPECT_EQ(sectorSize, 4096u);
    EXPECT_EQ(DiskLength(*number, &length), kErrorSuccess);
    EXPECT_EQ(length, 8u << 20);
}

TEST(PhysicalDisk, SectorSizeIs512UnlessTheTreeSaysOtherwise) {
    FakeDeviceTree tree;
    struct Case {
        const char* name;
        std::optional<std::string> attribute;  // nullopt: attribute removed
        uint32_t expected;
    } cases[] = {
        {"sda", "512", 512},        {"sdb", "4096", 4096}, {"sdc", "2048", 2048},
        {"sdd", std::nullopt, 512}, {"sde", "1000", 512},  // not a power of two: a damaged
                                                           // attribute is not believed
        {"sdf", "garbage", 512},
    };
    for (const auto& c : cases) {
        FakeDisk disk;
        disk.bytes = 1 << 20;
        tree.AddDisk(c.name, disk);
        if (c.attribute) {
            tree.SetAttribute(c.name, "queue/logical_block_size", *c.attribute);
        } else {
            std::filesystem::remove(tree.SysfsDirOf(c.name) / "queue" / "logical_block_size");
        }
    }
    for (const auto& c : cases) {
        auto number = NumberOf(c.name);
        ASSERT_TRUE(number) << c.name;
        uint32_t sectorSize = 0;
        EXPECT_EQ(DiskSectorSize(*number, &sectorSize), kErrorSuccess);
        EXPECT_EQ(sectorSize, c.expected) << c.name;
        SectorDevice device;
        EXPECT_EQ(OpenPhysicalDisk(device, *number), kErrorSuccess);
        EXPECT_EQ(device.sectorCount, (1u << 20) / c.expected) << c.name;
        CloseDevice(device);
    }
}

TEST(PhysicalDisk, UnknownOrVanishedDiskFailsToOpen) {
    FakeDeviceTree tree;
    tree.AddDisk("sdb", FakeDisk{});
    auto number = NumberOf("sdb");
    ASSERT_TRUE(number);
    SectorDevice device;
    EXPECT_EQ(OpenPhysicalDisk(device, 77), kErrorFileNotFound);
    EXPECT_EQ(device.handle, kInvalidHandle);
    EXPECT_EQ(OpenPhysicalDisk(device, kMaxDisks + 5), kErrorFileNotFound);
    tree.RemoveDisk("sdb");
    EXPECT_EQ(OpenPhysicalDisk(device, *number), kErrorFileNotFound);
    EXPECT_EQ(device.handle, kInvalidHandle);
    uint64_t length = 0;
    EXPECT_EQ(DiskLength(*number, &length), kErrorFileNotFound);
    EXPECT_FALSE(IsRemovableDisk(*number));
}

TEST(PhysicalDisk, NodeThatCannotBeOpenedGivesTheSystemError) {
    FakeDeviceTree tree;
    FakeDisk disk;
    disk.removable = true;
    tree.AddDisk("sdb", disk);
    auto number = NumberOf("sdb");
    ASSERT_TRUE(number);
    std::filesystem::remove(tree.NodeOf("sdb"));  // sysfs still lists it
    SectorDevice device;
    EXPECT_EQ(OpenPhysicalDisk(device, *number), kErrorFileNotFound);
    EXPECT_EQ(device.handle, kInvalidHandle);
    EXPECT_FALSE(IsRemovableDisk(*number)) << "a disk that cannot be opened is not offered";
}

TEST(PhysicalDisk, ImageEnteredAsADiskOpensWith512ByteSectors) {
    FakeDeviceTree tree;
    test::TempDir dir;
    std::vector<uint8_t> content = test::PseudoRandomBytes(64 * 1024 + 100, 2);
    test::WriteWholeFile(dir / "card.img", content);
    auto number = DiskRegistry::Instance().RegisterImage(dir / "card.img");
    ASSERT_TRUE(number);
    SectorDevice device;
    ASSERT_EQ(OpenPhysicalDisk(device, *number), kErrorSuccess);
    EXPECT_EQ(device.sectorCount, 128u);
    std::vector<uint8_t> buffer(512);
    uint32_t read = 0;
    EXPECT_EQ(ReadSectors(device, buffer.data(), 127, 1, 512, &read), kErrorSuccess);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), content.begin() + 127 * 512));
    CloseDevice(device);
    EXPECT_TRUE(IsRemovableDisk(*number)) << "it stands for the card it was taken from";
}

TEST(RemovableDisk, RemovableAttributeUsbAndSdCount) {
    FakeDeviceTree tree;
    struct Case {
        const char* name;
        bool removable;
        FakeBus bus;
        bool expected;
    } cases[] = {
        {"sda", false, FakeBus::kSata, false},  // an internal disk
        {"sdb", true, FakeBus::kSata, true},    // a reader on the internal bus
        {"sdc", false, FakeBus::kUsb, true},    // a USB stick reporting fixed media
        {"sdd", true, FakeBus::kUsb, true},    {"mmcblk0", false, FakeBus::kMmc, true},
        {"vdb", false, FakeBus::kSata, false},
    };
    for (const auto& c : cases) {
        FakeDisk disk;
        disk.removable = c.removable;
        disk.bus = c.bus;
        tree.AddDisk(c.name, disk);
    }
    // An SD card on the mmc bus under another name is still SD.
    FakeDisk mmc;
    mmc.bus = FakeBus::kMmc;
    tree.AddDisk("sdcard", mmc);
    for (const auto& c : cases) {
        auto number = NumberOf(c.name);
        ASSERT_TRUE(number) << c.name;
        EXPECT_EQ(IsRemovableDisk(*number), c.expected) << c.name;
    }
    EXPECT_TRUE(IsRemovableDisk(*NumberOf("sdcard")));
    EXPECT_FALSE(IsRemovableDisk(kMaxDisks - 1));
}

}  // namespace
}  // namespace keldrin
