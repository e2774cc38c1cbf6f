// File-system structures that end every size estimate: FAT directory sectors made by real tools,
// and what must not pass for one.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Fixtures.h"
#include "TempDir.h"
#include "platform/ByteOrder.h"
#include "signature/SizeRulesStructure.h"

namespace keldrin::test {
namespace {

// A FAT16 image with a folder of short and long names; returns its root directory sectors and
// the sectors of the subfolder.
class FatDirectoryFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!HaveTool("mkfs.fat") || !HaveTool("mcopy")) return;
        dir_ = new TempDir();
        const auto img = (*dir_ / "fat.img").string();
        const auto file = (*dir_ / "payload.txt").string();
        WriteWholeFile(file, PseudoRandomBytes(3000, 5));
        const std::string q = ShellQuote(img);
        if (!RunOrFail("mkfs.fat -C -F 16 -n CARVE " + q + " 16384 >/dev/null")) return;
        RunOrFail("MTOOLS_SKIP_CHECK=1 mmd -i " + q + " ::/Holiday\\ Pictures\\ 2024");
        for (const char* name : {"A Long File Name Here.txt", "SHORT.TXT", "another one.jpeg"}) {
            RunOrFail("MTOOLS_SKIP_CHECK=1 mcopy -i " + q + " " + ShellQuote(file) +
                      " '::/Holiday Pictures 2024/" + std::string(name) + "'");
            RunOrFail("MTOOLS_SKIP_CHECK=1 mcopy -i " + q + " " + ShellQuote(file) + " '::/" +
                     std::string(name) + "'");
        }
        image_ = new std::vector<uint8_t>(ReadWholeFile(img));
    }
    static void TearDownTestSuite() {
        delete image_;
        delete dir_;
        image_ = nullptr;
        dir_ = nullptr;
    }
    void SetUp() override {
        if (image_ == nullptr || image_->size() < 512) GTEST_SKIP() << "mkfs.fat/mtools missing";
    }
    // The first sector of the root directory (FAT16: after reserved sectors and the FATs).
    static const uint8_t* RootSector() {
        const uint8_t* b = image_->data();
        const uint32_t reserved = Le16(b + 14);
        const uint32_t fats = b[16];
        const uint32_t fatSize = Le16(b + 22);
        return b + 512 * (reserved + fats * fatSize);
    }
    static TempDir* dir_;
    static std::vector<uint8_t>* image_;
};
TempDir* FatDirectoryFixture::dir_ = nullptr;
std::vector<uint8_t>* FatDirectoryFixture::image_ = nullptr;

TEST_F(FatDirectoryFixture, RealDirectorySectorsAreStructures) {
    const uint8_t* root = RootSector();
    EXPECT_TRUE(IsFatDirectorySector(root, 512));
    EXPECT_TRUE(IsStructureSector(root, 512));
}

TEST_F(FatDirectoryFixture, BrokenLongNameChecksumIsNotADirectory) {
    std::vector<uint8_t> sector(RootSector(), RootSector() + 512);
    // Find a long-name entry and corrupt its checksum.
    for (int i = 0; i < 16; ++i) {
        if (sector[32 * i + 11] == 0x0F) {
            sector[32 * i + 13] ^= 0x5A;
            break;
        }
    }
    EXPECT_FALSE(IsFatDirectorySector(sector.data(), 512));
}

TEST_F(FatDirectoryFixture, GarbageAfterEndOfDirectoryIsNotADirectory) {
    std::vector<uint8_t> sector(RootSector(), RootSector() + 512);
    int end = 0;
    while (end < 16 && sector[32 * end] != 0) ++end;
    ASSERT_LT(end, 15);
    sector[32 * (end + 1) + 5] = 0x42;
    EXPECT_FALSE(IsFatDirectorySector(sector.data(), 512));
}

TEST(StructureSectorTest, DataSectorsAreNotStructures) {
    std::vector<uint8_t> zeros(512, 0);
    EXPECT_FALSE(IsStructureSector(zeros.data(), 512));  // end of directory as first entry
    for (uint32_t seed = 1; seed < 50; ++seed) {
        auto random = PseudoRandomBytes(512, seed);
        EXPECT_FALSE(IsStructureSector(random.data(), 512)) << seed;
    }
    std::vector<uint8_t> text(512, 'A');
    EXPECT_FALSE(IsStructureSector(text.data(), 512));  // a repeating 16-byte pattern
    EXPECT_FALSE(IsStructureSector(text.data(), 16));   // shorter than an entry
    EXPECT_TRUE(IsFatDirectorySector(text.data(), 16));  // no whole entry: nothing to refute
}

TEST(StructureSectorTest, ShortNameChecksumMatchesKnownValue) {
    // Checksum of "FOO     BAR" as the long-name entries of a file FOO.BAR carry it.
    const uint8_t name[11] = {'F', 'O', 'O', ' ', ' ', ' ', ' ', ' ', 'B', 'A', 'R'};
    uint8_t sum = 0;
    for (uint8_t b : name) sum = uint8_t(((sum & 1) ? 0x80 : 0) + (sum >> 1) + b);
    EXPECT_EQ(ShortNameChecksum(name), sum);
}

TEST(StructureSectorTest, PlausibleEntryNeedsSaneDatesAndAttributes) {
    uint8_t e[32] = {};
    std::memcpy(e, "PHOTO   JPG", 11);
    e[11] = 0x20;
    const uint16_t date = uint16_t(((2020 - 1980) << 9) | (6 << 5) | 15);
    PutLe16(e + 16, date);
    PutLe16(e + 18, date);
    PutLe16(e + 24, date);
    PutLe16(e + 14, uint16_t((12 << 11) | (30 << 5)));
    PutLe16(e + 22, uint16_t((12 << 11) | (30 << 5)));
    PutLe16(e + 26, 3);
    PutLe32(e + 28, 1000);
    EXPECT_TRUE(IsPlausibleFatEntry(e, nullptr));
    uint8_t bad[32];
    std::memcpy(bad, e, 32);
    PutLe16(bad + 16, uint16_t(((1985 - 1980) << 9) | (6 << 5) | 15));  // before 1990
    EXPECT_FALSE(IsPlausibleFatEntry(bad, nullptr));
    std::memcpy(bad, e, 32);
    bad[11] = 0x00;  // neither folder nor archive
    EXPECT_FALSE(IsPlausibleFatEntry(bad, nullptr));
    std::memcpy(bad, e, 32);
    bad[2] = 'o';  // lower case in a short name
    EXPECT_FALSE(IsPlausibleFatEntry(bad, nullptr));
    std::memcpy(bad, e, 32);
    PutLe16(bad + 16, uint16_t(((2020 - 1980) << 9) | (2 << 5) | 30));  // 30 February
    EXPECT_FALSE(IsPlausibleFatEntry(bad, nullptr));
}

}  // namespace
}  // namespace keldrin::test
