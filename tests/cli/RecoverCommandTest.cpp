// keldrin scan, list and recover on real FAT cards made with mkfs.fat and mtools: what is found,
// where recovered files land, and the destinations that are refused.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <string>

#include "CliRunner.h"
#include "FakeDeviceTree.h"
#include "Fixtures.h"

namespace keldrin {
namespace {

using test::RunOrFail;
using test::ShellQuote;

// A FAT card with deleted files in a live folder, a deleted folder with long names and a deleted
// note; the originals stay in work/originals for comparing.
class FatCard : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveTool("mcopy") || !test::HaveTool("convert")) {
            GTEST_SKIP() << "mtools and ImageMagick are needed";
        }
        image_ = cli_ / "card.img";
        auto o = cli_ / "originals";
        std::filesystem::create_directories(o);
        const std::string i = ShellQuote(image_);
        ASSERT_TRUE(RunOrFail(
            "export MTOOLS_SKIP_CHECK=1; cd " + ShellQuote(o) +
            " && convert -size 64x48 gradient:red-blue a.jpg && convert -size 80x40 "
            "gradient:green-white b.jpg && printf 'some notes\\n' > n.txt && head -c 5000 "
            "/dev/zero | tr '\\0' x > README && truncate -s 32M " + i + " && mkfs.fat -F 16 " + i +
            " >/dev/null && mmd -i " + i + " ::DCIM ::DCIM/100MEDIA '::Summer holiday photos'" +
            " && mcopy -i " + i + " a.jpg ::DCIM/100MEDIA/IMG_0001.JPG && mcopy -i " + i +
            " b.jpg '::Summer holiday photos/A long name for a photo.jpg' && mcopy -i " + i +
            " n.txt ::NOTES.TXT && mcopy -i " + i + " README ::README && mdel -i " + i +
            " ::DCIM/100MEDIA/IMG_0001.JPG ::NOTES.TXT ::README && mdeltree -i " + i +
            " '::Summer holiday photos'"));
    }
    std::string Md5(const std::filesystem::path& p) {
        return test::RunShell("md5sum < " + ShellQuote(p) + " | cut -c1-32").output;
    }

    test::CliRunner cli_;
    std::filesystem::path image_;
};

TEST_F(FatCard, ScanCountsFoundFilesPerCategory) {
    test::CliResult r = cli_.Run("scan --mode fast " + ShellQuote(image_));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("FAT16  4 files found"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  photo     2\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  document  1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  others    1\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "") << "no progress bar when standard error is not a terminal";
}

TEST_F(FatCard, ListShowsTheTreeAndFiltersByTypeOrExtension) {
    test::CliResult r = cli_.Run("list " + ShellQuote(image_));
    ASSERT_EQ(r.status, 0) << r.err;
    auto folder = r.out.find("  Summer holiday photos/  (deleted)\n");
    ASSERT_NE(folder, std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    A long name for a photo.jpg  ", folder), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("content ok"), std::string::npos);

    r = cli_.Run("list --types photo " + ShellQuote(image_));
    EXPECT_NE(r.out.find("2 files"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("otes.txt"), std::string::npos) << r.out;
    r = cli_.Run("list --ext txt --json " + ShellQuote(image_));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\"source\":", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("otes.txt\""), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(".jpg\""), std::string::npos) << r.out;
}

TEST_F(FatCard, RecoverSortsIntoCategoryFoldersWithUniqueNames) {
    auto out = cli_ / "out";
    test::CliResult r = cli_.Run("recover --mode fast " + ShellQuote(image_) + " --to " +
                                 ShellQuote(out));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("4 files recovered"), std::string::npos) << r.out;
    auto longName = out / "photo" / "A long name for a photo.jpg";
    ASSERT_TRUE(std::filesystem::exists(longName)) << r.out;
    EXPECT_EQ(Md5(longName), Md5(cli_ / "originals" / "b.jpg"));
    EXPECT_TRUE(std::filesystem::exists(out / "others"));
    EXPECT_TRUE(std::filesystem::exists(out / "document"));

    // A second run never overwrites: "(1)" goes before the extension.
    r = cli_.Run("recover " + ShellQuote(image_) + " --to " + ShellQuote(out) + " --types photo");
    ASSERT_EQ(r.status, 0) << r.err;
    auto second = out / "photo" / "A long name for a photo(1).jpg";
    ASSERT_TRUE(std::filesystem::exists(second));
    EXPECT_EQ(Md5(second), Md5(cli_ / "originals" / "b.jpg"));
    EXPECT_FALSE(std::filesystem::exists(out / "document" / "!otes(1).txt"));
}

TEST_F(FatCard, KeepFoldersRecreatesTheFoundTree) {
    auto out = cli_ / "tree";
    test::CliResult r = cli_.Run("recover " + ShellQuote(image_) + " --keep-folders --to " +
                                 ShellQuote(out) + "/");
    ASSERT_EQ(r.status, 0) << r.err;
    auto photo = out / "Summer holiday photos" / "A long name for a photo.jpg";
    ASSERT_TRUE(std::filesystem::exists(photo)) << r.out;
    EXPECT_EQ(Md5(photo), Md5(cli_ / "originals" / "b.jpg"));
}

TEST_F(FatCard, FailedFileGetsOneLineWithTheSystemMessage) {
    auto out = cli_ / "out";
    // A plain file where the category folder must go: every photo fails to be written.
    ASSERT_TRUE(RunOrFail("mkdir -p " + ShellQuote(out) + " && touch " + ShellQuote(out / "photo")));
    test::CliResult r = cli_.Run("recover " + ShellQuote(image_) + " --to " + ShellQuote(out) +
                                 " --types photo");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("0 files recovered"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2 failed"), std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
    EXPECT_NE(r.err.find("failed: " + (out / "photo").string()), std::string::npos) << r.err;
}

TEST_F(FatCard, PartitionsOfACardImageAreScannedAsDiskRegions) {
    auto card = cli_ / "whole.img";
    ASSERT_TRUE(RunOrFail("truncate -s 34M " + ShellQuote(card) +
                          " && echo 'start=2048, size=65536, type=6' | sfdisk -q " +
                          ShellQuote(card) + " && dd if=" + ShellQuote(image_) + " of=" +
                          ShellQuote(card) + " bs=512 seek=2048 conv=notrunc status=none"));
    test::CliResult r = cli_.Run("scan " + ShellQuote(card));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("disk:0:2048:65536  FAT16  4 files found"), std::string::npos) << r.out;
    auto out = cli_ / "out";
    r = cli_.Run("recover " + ShellQuote(card) + " --to " + ShellQuote(out) + " --types photo");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Md5(out / "photo" / "A long name for a photo.jpg"), Md5(cli_ / "originals" / "b.jpg"));
}

// A disk whose partition holds the destination's file system: the fake disk's partition carries
// the device number of the test's own folder.
TEST_F(FatCard, DestinationOnTheScannedDiskIsRefused) {
    struct stat st{};
    ASSERT_EQ(::stat(cli_.work().c_str(), &st), 0);
    test::FakeDeviceTree tree;
    test::FakeDisk disk;
    disk.bytes = 34 << 20;
    tree.AddDisk("sdb", disk);
    tree.AddPartition("sdb", 1, 2048, 65536);
    tree.SetAttribute("sdb", "sdb1/dev",
                      std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev)));
    auto out = cli_ / "out";
    test::CliResult r = cli_.Run("recover disk:0 --to " + ShellQuote(out));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("refusing to recover into '" + out.string() +
                         "': it is on the disk being scanned"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << "nothing is written before the refusal";

    // Beside an image file is fine: the image is read, never written.
    r = cli_.Run("recover " + ShellQuote(image_) + " --to " + ShellQuote(out));
    EXPECT_EQ(r.status, 0) << r.err;
}

}  // namespace
}  // namespace keldrin
