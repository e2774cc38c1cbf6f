// The factory: which engine a region gets, and the regions it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Fixtures.h"
#include "TempDir.h"
#include "engine/CFastExtRecovery.h"
#include "engine/EngineTable.h"
#include "engine/Factory.h"
#include "platform/DiskRegistry.h"
#include "platform/Errors.h"
#include "storage/SectorDevice.h"

namespace keldrin {
namespace {

using test::ShellQuote;

class FactoryTest : public ::testing::Test {
protected:
    std::filesystem::path MakeImage(const std::string& name, const std::string& size,
                                    const std::string& command) {
        auto image = dir_ / name;
        EXPECT_TRUE(test::RunOrFail("truncate -s " + size + " " + ShellQuote(image) +
                                    (command.empty() ? "" : " && " + command + " " +
                                                                ShellQuote(image))));
        return image;
    }
    test::TempDir dir_;
};

TEST_F(FactoryTest, ExtImageGetsTheExtEngineThatFindsNothing) {
    auto image = MakeImage("ext.img", "8M", "mkfs.ext4 -q -F");
    auto engine = OpenImageRecovery(image, 1, 0);
    ASSERT_NE(engine, nullptr);
    EXPECT_NE(dynamic_cast<CFastExtRecovery*>(engine.get()), nullptr);
    EXPECT_EQ(engine->Scan(nullptr), kErrorSuccess);
    EXPECT_EQ(engine->GetResultCount(), 0u);
    std::vector<ScanEntry> found(1);
    EXPECT_EQ(engine->SearchEntries("*.jpg|.other", found), 0);
    EXPECT_EQ(found.size(), 1u);
    EXPECT_EQ(engine->ListChildren(nullptr, 5, found), kErrorInvalidParameter);
    EXPECT_EQ(found.size(), 1u);
    uint64_t position = 7, length = 9;
    EXPECT_EQ(engine->NextFreeRegion(&position, &length), 0);
    EXPECT_EQ(position, 7u);
    EXPECT_EQ(length, 9u);
    EXPECT_EQ(engine->RecoverEntry(nullptr, dir_ / "out", 0), kErrorInvalidParameter);
}

TEST_F(FactoryTest, UnrecognisedRegionGetsNoFastEngine) {
    auto blank = MakeImage("blank.img", "1M", "");
    EXPECT_EQ(OpenImageRecovery(blank, 1, 0), nullptr);
    auto image = MakeImage("bitlocker.img", "32M", "mkfs.fat -F 32 -s 8");
    ASSERT_TRUE(test::RunOrFail("printf -- '-FVE-FS-' | dd of=" + ShellQuote(image) +
                                " bs=1 seek=3 conv=notrunc status=none"));
    EXPECT_EQ(OpenImageRecovery(image, 1, 0), nullptr);
}

TEST_F(FactoryTest, ImageShorterThan16KiBYieldsNothingInBothModes) {
    auto image = MakeImage("tiny.img", "16383", "");
    // An ext superblock in a tiny file: recognisable bytes, but not 16 KiB of them.
    auto ext = MakeImage("ext.img", "8M", "mkfs.ext4 -q -F");
    ASSERT_TRUE(test::RunOrFail("head -c 16383 " + ShellQuote(ext) + " > " + ShellQuote(image)));
    EXPECT_EQ(OpenImageRecovery(image, 1, 0), nullptr);
    EXPECT_EQ(OpenImageRecovery(image, 1, 1), nullptr);
    EXPECT_EQ(OpenImageRecovery(dir_ / "missing.img", 1, 0), nullptr);
}

TEST_F(FactoryTest, DeepScanHasNoEngineYet) {
    ASSERT_FALSE(HaveDeepEngine());
    auto image = MakeImage("ext.img", "8M", "mkfs.ext4 -q -F");
    EXPECT_EQ(OpenImageRecovery(image, 1, 1), nullptr);
    EXPECT_EQ(CreateEngine(DetectedFileSystem::kNone, true), nullptr);
}

TEST_F(FactoryTest, ReadDetectionBytesRefusesToReadPastTheRegion) {
    auto image = MakeImage("disk.img", "64K", "");
    SectorDevice device;
    ASSERT_EQ(OpenImageFile(device, image), kErrorSuccess);
    std::vector<uint8_t> head;
    bool tooShort = false;
    EXPECT_EQ(ReadDetectionBytes(device, 0, 31, 512, head, &tooShort), kErrorInvalidParameter);
    EXPECT_TRUE(tooShort);
    EXPECT_EQ(ReadDetectionBytes(device, 100, 32, 512, head, &tooShort), kErrorInvalidParameter);
    EXPECT_TRUE(tooShort) << "the region runs past the device's end";
    EXPECT_EQ(ReadDetectionBytes(device, 96, 32, 512, head, &tooShort), kErrorSuccess);
    EXPECT_FALSE(tooShort);
    EXPECT_EQ(head.size(), kDetectionBytes);
    CloseDevice(device);
}

// A whole-card image entered as a disk: its partition is detected at its own start sector.
TEST_F(FactoryTest, PartitionOfARegisteredImageIsDetectedAtItsStart) {
    if (!test::HaveTool("sfdisk")) GTEST_SKIP() << "sfdisk is not installed";
    auto volume = MakeImage("ext.img", "8M", "mkfs.ext4 -q -F");
    auto card = MakeImage("card.img", "10M", "");
    ASSERT_TRUE(test::RunOrFail("echo 'start=2048, type=83' | sfdisk -q " + ShellQuote(card) +
                                " && dd if=" + ShellQuote(volume) + " of=" + ShellQuote(card) +
                                " bs=512 seek=2048 conv=notrunc status=none"));
    auto disk = DiskRegistry::Instance().RegisterImage(card);
    ASSERT_TRUE(disk.has_value());
    auto engine = OpenDiskRecovery(*disk, 2048, 16384, 0, 0);
    ASSERT_NE(engine, nullptr);
    auto* ext = dynamic_cast<CFastExtRecovery*>(engine.get());
    ASSERT_NE(ext, nullptr);
    EXPECT_TRUE(ext->IsOpen());
    EXPECT_EQ(ext->StartSector(), 2048u);
    EXPECT_EQ(ext->SectorCount(), 16384u);
    // The partition table sector in front of it is not a file system.
    EXPECT_EQ(OpenDiskRecovery(*disk, 0, 20480, 0, 0), nullptr);
    // A region that ends before 16 KiB of it: nothing is read from the next region.
    EXPECT_EQ(OpenDiskRecovery(*disk, 2048, 31, 0, 0), nullptr);
    EXPECT_EQ(OpenDiskRecovery(kMaxDisks - 1, 2048, 16384, 0, 0), nullptr);
}

}  // namespace
}  // namespace keldrin
