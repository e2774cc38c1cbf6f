// keldrin detect: what it prints for each kind of source, and how it fails.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>

#include "CliRunner.h"
#include "FakeDeviceTree.h"
#include "Fixtures.h"

namespace keldrin {
namespace {

using test::RunOrFail;
using test::ShellQuote;

struct DetectCase {
    const char* label;
    const char* commands;  // shell commands on $IMG
    const char* expected;
};

class DetectCommand : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectCommand, PrintsTheRecognisedFileSystemAndExitsZero) {
    test::CliRunner cli;
    auto image = cli / "volume.img";
    ASSERT_TRUE(RunOrFail("IMG=" + ShellQuote(image) + "; " + GetParam().commands));
    test::CliResult r = cli.Run("detect " + ShellQuote(image));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string(GetParam().expected) + "\n");
    EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Sources, DetectCommand,
    ::testing::Values(
        DetectCase{"Fat12", "truncate -s 4M $IMG && mkfs.fat -F 12 $IMG", "FAT12"},
        DetectCase{"Fat16", "truncate -s 32M $IMG && mkfs.fat -F 16 $IMG", "FAT16"},
        DetectCase{"Fat32", "truncate -s 64M $IMG && mkfs.fat -F 32 -s 1 $IMG", "FAT32"},
        DetectCase{"SmallFat32", "truncate -s 32M $IMG && mkfs.fat -F 32 -s 8 $IMG", "FAT32"},
        DetectCase{"Ntfs", "truncate -s 16M $IMG && mkntfs -F -f -Q $IMG", "NTFS"},
        DetectCase{"Ext4", "truncate -s 8M $IMG && mkfs.ext4 -q -F $IMG", "ext"},
        DetectCase{"BitLocker",
                   "truncate -s 32M $IMG && mkfs.fat -F 32 -s 8 $IMG && printf -- -FVE-FS- | "
                   "dd of=$IMG bs=1 seek=3 conv=notrunc status=none",
                   "BitLocker"},
        DetectCase{"Unformatted", "truncate -s 1M $IMG", "none"},
        DetectCase{"ShorterThan16KiB",
                   "truncate -s 8M $IMG.full && mkfs.ext4 -q -F $IMG.full && "
                   "head -c 16000 $IMG.full > $IMG",
                   "none"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(DetectCommandErrors, UnopenableSourceGivesOneLineNamingItAndExitTwo) {
    test::CliRunner cli;
    auto missing = cli / "missing.img";
    test::CliResult r = cli.Run("detect " + ShellQuote(missing));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "keldrin: cannot read '" + missing.string() +
                         "': The system cannot find the file specified.\n");

    r = cli.Run("detect " + ShellQuote(cli.work()));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("neither an image file nor a disk"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

TEST(DetectCommandErrors, UnreadableImageReportsTheSystemMessage) {
    if (geteuid() != 0 || !test::HaveTool("setpriv")) GTEST_SKIP() << "needs root and setpriv";
    test::CliRunner cli;
    auto image = cli / "locked.img";
    ASSERT_TRUE(RunOrFail("truncate -s 1M " + ShellQuote(image) + " && chmod 0 " +
                          ShellQuote(image)));
    auto binary = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "keldrin";
    auto r = test::RunShell("setpriv --reuid=65534 --regid=65534 --clear-groups " +
                            ShellQuote(binary.string()) + " detect " + ShellQuote(image));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.output, "keldrin: cannot read '" + image.string() + "': Access is denied.\n");
}

TEST(DetectCommandErrors, DeepModeIsRefusedWithAClearMessage) {
    test::CliRunner cli;
    auto image = cli / "ext.img";
    ASSERT_TRUE(RunOrFail("truncate -s 8M " + ShellQuote(image) + " && mkfs.ext4 -q -F " +
                          ShellQuote(image)));
    for (const char* command : {"scan", "list"}) {
        test::CliResult r = cli.Run(std::string(command) + " --mode deep " + ShellQuote(image));
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_NE(r.err.find("deep scans are not available"), std::string::npos) << r.err;
    }
}

// A whole-card image: libblkid finds its partition table and each partition is detected as a
// region of the image entered as a disk.
TEST(DetectPartitionedImage, EachPartitionIsDetectedAsADiskRegion) {
    if (!test::HaveTool("sfdisk")) GTEST_SKIP() << "sfdisk is not installed";
    test::CliRunner cli;
    auto card = cli / "card.img", fat = cli / "fat.img", ext = cli / "ext.img";
    ASSERT_TRUE(RunOrFail(
        "truncate -s 16M " + ShellQuote(fat) + " && mkfs.fat -F 16 " + ShellQuote(fat) +
        " >/dev/null && truncate -s 8M " + ShellQuote(ext) + " && mkfs.ext4 -q -F " +
        ShellQuote(ext) + " && truncate -s 26M " + ShellQuote(card) +
        " && printf 'start=2048, size=32768, type=6\\nstart=34816, size=16384, type=83\\n' | "
        "sfdisk -q " + ShellQuote(card) + " && dd if=" + ShellQuote(fat) + " of=" +
        ShellQuote(card) + " bs=512 seek=2048 conv=notrunc status=none && dd if=" +
        ShellQuote(ext) + " of=" + ShellQuote(card) +
        " bs=512 seek=34816 conv=notrunc status=none"));
    test::CliResult r = cli.Run("detect " + ShellQuote(card));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "disk:0:2048:32768 FAT16\ndisk:0:34816:16384 ext\n");
}

// disk:N:START:COUNT counts START and COUNT in the disk's own sectors (4096 bytes here).
TEST(DetectDiskSyntax, StartAndCountAreInTheDisksOwnSectors) {
    test::CliRunner cli;
    auto volume = cli / "ext.img", disk = cli / "disk.img";
    ASSERT_TRUE(RunOrFail("truncate -s 4M " + ShellQuote(volume) + " && mkfs.ext4 -q -F -b 4096 " +
                          ShellQuote(volume) + " && truncate -s 6M " + ShellQuote(disk) +
                          " && dd if=" + ShellQuote(volume) + " of=" + ShellQuote(disk) +
                          " bs=1M seek=1 conv=notrunc status=none"));
    test::FakeDeviceTree tree;
    test::FakeDisk big;
    big.image = disk;
    big.logicalBlockSize = 4096;
    auto node = tree.AddDisk("sdb", big);

    struct Case { std::string source; int status; std::string out; std::string errPart; };
    for (const Case& c : {
             Case{"disk:0:256:1024", 0, "ext\n", ""},
             Case{"disk:0:0:1536", 0, "none\n", ""},
             Case{"disk:0", 0, "none\n", ""},  // no partition table: the whole disk
             Case{node.string(), 0, "none\n", ""},
             Case{"disk:0:256:3", 0, "none\n", ""},  // 12 KiB: shorter than 16 KiB
             Case{"disk:0:2048:8", 2, "", "lies outside disk 0 (1536 sectors of 4096 bytes)"},
             Case{"disk:0:1500:100", 2, "", "lies outside disk 0"},
             Case{"disk:0:256", 2, "", "is not disk:N or disk:N:START:COUNT"},
             Case{"disk:0:256:-1", 2, "", "is not disk:N or disk:N:START:COUNT"},
             Case{"disk:1", 2, "", "cannot read 'disk:1'"},
         }) {
        test::CliResult r = cli.Run("detect " + ShellQuote(c.source));
        EXPECT_EQ(r.status, c.status) << c.source << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.source;
        EXPECT_NE(r.err.find(c.errPart), std::string::npos) << c.source << ": " << r.err;
    }
}

}  // namespace
}  // namespace keldrin
