// Detection against file systems made by the real tools, and the byte-level cases around them.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "TempDir.h"
#include "engine/Factory.h"
#include "platform/ByteOrder.h"

namespace keldrin {
namespace {

using test::RunShell;
using test::ShellQuote;

std::vector<uint8_t> FirstBytes(const std::filesystem::path& path, size_t n = 16384) {
    std::vector<uint8_t> bytes(n, 0);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(n));
    return bytes;
}

void WriteAt(const std::filesystem::path& path, uint64_t offset, const std::vector<uint8_t>& b) {
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(std::streamoff(offset));
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

struct ToolCase {
    const char* label;
    const char* size;
    const char* command;  // run with the image path appended
    DetectedFileSystem expected;
};

class DetectionByRealTools : public ::testing::TestWithParam<ToolCase> {};

TEST_P(DetectionByRealTools, RecognisesTheFileSystemTheToolMade) {
    const ToolCase& c = GetParam();
    std::string tool = std::string(c.command).substr(0, std::string(c.command).find(' '));
    if (!test::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    test::TempDir dir;
    auto image = dir / "volume.img";
    ASSERT_TRUE(test::RunOrFail("truncate -s " + std::string(c.size) + " " + ShellQuote(image)));
    ASSERT_TRUE(test::RunOrFail(std::string(c.command) + " " + ShellQuote(image)));
    auto head = FirstBytes(image);
    EXPECT_EQ(DetectFileSystem(head.data()), c.expected) << c.label;
    EXPECT_EQ(IsFatBootSector(head.data()), c.expected == DetectedFileSystem::kFat12 ||
                                                c.expected == DetectedFileSystem::kFat16 ||
                                                c.expected == DetectedFileSystem::kFat32);
    EXPECT_EQ(IsNtfsBootSector(head.data()), c.expected == DetectedFileSystem::kNtfs);
    EXPECT_EQ(IsExtSuperblock(head.data() + 1024), c.expected == DetectedFileSystem::kExt);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, DetectionByRealTools,
    ::testing::Values(
        ToolCase{"Fat12Floppy", "1440K", "mkfs.fat -F 12", DetectedFileSystem::kFat12},
        ToolCase{"Fat12Card", "4M", "mkfs.fat -F 12", DetectedFileSystem::kFat12},
        ToolCase{"Fat16", "32M", "mkfs.fat -F 16", DetectedFileSystem::kFat16},
        ToolCase{"Fat32", "64M", "mkfs.fat -F 32 -s 1", DetectedFileSystem::kFat32},
        // Below 65 525 clusters the FAT12/16 test fails on the zero 16-bit FAT size.
        ToolCase{"SmallFat32", "32M", "mkfs.fat -F 32 -s 8", DetectedFileSystem::kFat32},
        ToolCase{"Ntfs", "16M", "mkntfs -F -f -Q", DetectedFileSystem::kNtfs},
        ToolCase{"Ext4OneKiBBlocks", "8M", "mkfs.ext4 -q -F -b 1024", DetectedFileSystem::kExt},
        ToolCase{"Ext4FourKiBBlocks", "16M", "mkfs.ext4 -q -F -b 4096", DetectedFileSystem::kExt},
        ToolCase{"Ext2", "8M", "mkfs.ext2 -q -F", DetectedFileSystem::kExt},
        ToolCase{"Unformatted", "1M", "true", DetectedFileSystem::kNone}),
    [](const auto& info) { return std::string(info.param.label); });

class DetectionOfPatchedSectors : public ::testing::Test {
protected:
    std::filesystem::path Make(const std::string& size, const std::string& command) {
        auto image = dir_ / "volume.img";
        std::filesystem::remove(image);
        EXPECT_TRUE(test::RunOrFail("truncate -s " + size + " " + ShellQuote(image) + " && " +
                                    command + " " + ShellQuote(image)));
        return image;
    }
    test::TempDir dir_;
};

TEST_F(DetectionOfPatchedSectors, BitLockerSignatureHidesAFatVolume) {
    auto image = Make("64M", "mkfs.fat -F 32 -s 1");
    WriteAt(image, 3, {'-', 'F', 'V', 'E', '-', 'F', 'S', '-'});
    auto head = FirstBytes(image);
    EXPECT_TRUE(IsBitLockerBootSector(head.data()));
    EXPECT_FALSE(IsFatBootSector(head.data()));
    EXPECT_EQ(DetectFileSystem(head.data()), DetectedFileSystem::kBitLocker);
}

TEST_F(DetectionOfPatchedSectors, BitLockerPatternAtByte480HidesAFatVolume) {
    auto image = Make("32M", "mkfs.fat -F 16");
    std::vector<uint8_t> pattern(8, 'x');
    pattern.insert(pattern.end(), 19, 0xFF);
    pattern.insert(pattern.end(), {0x00, 0x1F, 0x2C});
    WriteAt(image, 480, pattern);
    auto head = FirstBytes(image);
    EXPECT_FALSE(IsFatBootSector(head.data()));
    EXPECT_EQ(DetectFileSystem(head.data()), DetectedFileSystem::kBitLocker);
    // One byte off the pattern is an ordinary FAT volume again.
    WriteAt(image, 509, {0x2D});
    head = FirstBytes(image);
    EXPECT_EQ(DetectFileSystem(head.data()), DetectedFileSystem::kFat16);
}

TEST_F(DetectionOfPatchedSectors, NtfsWith128SectorsPerClusterIsNotNtfs) {
    auto image = Make("16M", "mkntfs -F -f -Q");
    auto head = FirstBytes(image);
    ASSERT_TRUE(IsNtfsBootSector(head.data()));
    WriteAt(image, 13, {0x80});
    head = FirstBytes(image);
    EXPECT_FALSE(IsNtfsBootSector(head.data()));
    EXPECT_EQ(DetectFileSystem(head.data()), DetectedFileSystem::kNone);
    WriteAt(image, 13, {0x40});
    head = FirstBytes(image);
    EXPECT_TRUE(IsNtfsBootSector(head.data()));
}

TEST_F(DetectionOfPatchedSectors, NtfsBootFieldsThatMustBeZero) {
    auto image = Make("16M", "mkntfs -F -f -Q");
    const auto original = FirstBytes(image);
    for (size_t offset : {14u, 16u, 20u, 22u, 32u, 35u}) {
        auto head = original;
        head[offset] = 1;
        EXPECT_FALSE(IsNtfsBootSector(head.data())) << "byte " << offset;
    }
    auto head = original;
    PutLe64(head.data() + 40, 0);
    EXPECT_FALSE(IsNtfsBootSector(head.data())) << "zero total sectors";
    head = original;
    head[511] = 0;
    EXPECT_FALSE(IsNtfsBootSector(head.data())) << "no boot signature";
}

TEST_F(DetectionOfPatchedSectors, ExtLogBlockSizeOutOfRangeIsRejected) {
    auto image = Make("16M", "mkfs.ext4 -q -F -b 4096");
    const auto original = FirstBytes(image);
    ASSERT_TRUE(IsExtSuperblock(original.data() + 1024));
    // 6 (64 KiB blocks) is the largest an ext volume has; larger shifts must not be taken.
    for (uint32_t log : {7u, 22u, 31u, 32u, 40u, 0xFFFFFFFFu}) {
        auto head = original;
        PutLe32(head.data() + 1024 + 24, log);
        EXPECT_FALSE(IsExtSuperblock(head.data() + 1024)) << "log-block-size " << log;
    }
}

TEST_F(DetectionOfPatchedSectors, ExtGroupCountsMustAgree) {
    auto image = Make("8M", "mkfs.ext4 -q -F -b 1024");
    const auto original = FirstBytes(image);
    const uint8_t* sb = original.data() + 1024;
    ASSERT_TRUE(IsExtSuperblock(sb));
    auto head = original;
    PutLe32(head.data() + 1024 + 40, Le32(sb + 40) / 4);  // inodes per group: 4x the groups
    EXPECT_FALSE(IsExtSuperblock(head.data() + 1024));
    head = original;
    PutLe32(head.data() + 1024 + 20, 0);  // first data block 0 with 1 KiB blocks
    EXPECT_FALSE(IsExtSuperblock(head.data() + 1024));
    head = original;
    PutLe32(head.data() + 1024 + 4, 1);  // block count no larger than the first data block
    EXPECT_FALSE(IsExtSuperblock(head.data() + 1024));
    head = original;
    PutLe32(head.data() + 1024 + 84, 2);  // first usable inode
    EXPECT_FALSE(IsExtSuperblock(head.data() + 1024));
}

TEST_F(DetectionOfPatchedSectors, FatMetadataLargerThanTheVolumeIsNotFat) {
    auto image = Make("64M", "mkfs.fat -F 32 -s 64");
    auto head = FirstBytes(image);
    ASSERT_EQ(DetectFileSystem(head.data()), DetectedFileSystem::kFat32);
    // Reserved sectors beyond the total would wrap the 32-bit cluster count into FAT32's range.
    PutLe32(head.data() + 32, 1000);
    PutLe16(head.data() + 14, 2000);
    EXPECT_FALSE(IsFatBootSector(head.data()));
}

TEST_F(DetectionOfPatchedSectors, FatBytesPerSectorAndClusterSizeMustBeSane) {
    auto image = Make("32M", "mkfs.fat -F 16");
    const auto original = FirstBytes(image);
    ASSERT_TRUE(IsFatBootSector(original.data()));
    struct Patch { size_t offset; std::vector<uint8_t> bytes; const char* why; };
    for (const Patch& p : {Patch{11, {0, 0}, "zero bytes per sector"},
                           Patch{11, {0x00, 0x03}, "768 bytes per sector"},
                           Patch{13, {0}, "zero sectors per cluster"},
                           Patch{13, {3}, "three sectors per cluster"},
                           Patch{16, {0}, "no FATs"},
                           Patch{510, {0, 0}, "no boot signature"}}) {
        auto head = original;
        std::copy(p.bytes.begin(), p.bytes.end(), head.begin() + long(p.offset));
        EXPECT_FALSE(IsFatBootSector(head.data())) << p.why;
    }
}

}  // namespace
}  // namespace keldrin
