#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include "FakeDeviceTree.h"
#include "Fixtures.h"
#include "platform/DiskRegistry.h"
#include "platform/Errors.h"
#include "storage/SectorDevice.h"

namespace keldrin {
namespace {

using test::FakeDeviceTree;
using test::RunOrFail;
using test::ShellQuote;

class DriveFileSystemTest : public ::testing::Test {
protected:
    // A folder of the temporary tree standing for a mount point.
    std::filesystem::path Folder(const std::string& name) {
        std::filesystem::path p = tree_.root() / "mnt" / name;
        std::filesystem::create_directories(p);
        return p;
    }
    // A file-system image made by the real tool.
    std::string Image(const std::string& name, const std::string& size, const std::string& mkfs) {
        std::filesystem::path p = tree_.root() / name;
        std::string q = ShellQuote(p.string());
        EXPECT_TRUE(
            RunOrFail("truncate -s " + size + " " + q + " && " + mkfs + " " + q + " >/dev/null"));
        return p.string();
    }
    std::string NameOf(const std::filesystem::path& path) {
        std::string name = "(unset)";
        int32_t err = DriveFileSystem(path, &name);
        return err == kErrorSuccess ? name : "error " + std::to_string(err);
    }

    FakeDeviceTree tree_;
};

TEST_F(DriveFileSystemTest, NamesTheFileSystemOfTheMountHoldingThePath) {
    if (!test::HaveTool("mkfs.fat") || !test::HaveTool("mkntfs")) GTEST_SKIP() << "no mkfs tools";
    struct Case {
        const char* folder;
        std::string fsType;
        std::string source;
        const char* expected;
    } cases[] = {
        {"fat12", "vfat", Image("f12.img", "1M", "mkfs.fat -F 12"), "FAT"},
        {"fat16", "vfat", Image("f16.img", "8M", "mkfs.fat -F 16 -s 2"), "FAT"},
        {"fat32", "vfat", Image("f32.img", "34M", "mkfs.fat -F 32 -s 1"), "FAT32"},
        {"fat-unreadable", "vfat", "/nonexistent/device", "FAT32"},
        {"msdos", "msdos", Image("m16.img", "8M", "mkfs.fat -F 16 -s 2"), "FAT"},
        {"ntfs3", "ntfs3", "/dev/sdz1", "NTFS"},
        {"ntfs", "ntfs", "/dev/sdz2", "NTFS"},
        {"ntfs-3g", "fuseblk", Image("n.img", "4M", "mkntfs -F -f -q"), "NTFS"},
        {"fuse-unknown", "fuseblk", "/nonexistent/device", "fuseblk"},
        {"ext4", "ext4", "/dev/sdz3", "ext4"},
        {"exfat", "exfat", "/dev/sdz4", "exFAT"},
        {"with space", "vfat", "/nonexistent/device", "FAT32"},
    };
    tree_.AddMount("/", "ext4", "/dev/root");
    for (const auto& c : cases) tree_.AddMount(Folder(c.folder), c.fsType, c.source);
    for (const auto& c : cases) {
        EXPECT_EQ(NameOf(Folder(c.folder)), c.expected) << c.folder;
        std::filesystem::create_directories(Folder(c.folder) / "DCIM" / "100MEDIA");
        EXPECT_EQ(NameOf(Folder(c.folder) / "DCIM" / "100MEDIA"), c.expected)
            << "below " << c.folder;
    }
}

TEST_F(DriveFileSystemTest, LongestWholeComponentMountWins) {
    tree_.AddMount("/", "ext4", "/dev/root");
    tree_.AddMount(Folder("card"), "ntfs3", "/dev/sdb1");
    tree_.AddMount(Folder("card") / "inner", "exfat", "/dev/sdc1");
    std::filesystem::create_directories(Folder("card") / "inner" / "x");
    EXPECT_EQ(NameOf(Folder("card")), "NTFS");
    EXPECT_EQ(NameOf(Folder("card") / "inner" / "x"), "exFAT");
    EXPECT_EQ(NameOf(Folder("cardboard")), "ext4") << "a name prefix is not a folder prefix";
    // A later mount on the same point covers the earlier one.
    tree_.AddMount(Folder("card"), "ext4", "/dev/sdb2");
    EXPECT_EQ(NameOf(Folder("card")), "ext4");
    // A symbolic link is followed to where the path really lies.
    std::filesystem::create_directory_symlink(Folder("card") / "inner",
                                              tree_.root() / "link-to-inner");
    EXPECT_EQ(NameOf(tree_.root() / "link-to-inner"), "exFAT");
}

TEST_F(DriveFileSystemTest, MissingPathsAndEmptyTablesFail) {
    EXPECT_EQ(NameOf(tree_.root() / "nowhere"), "error " + std::to_string(kErrorPathNotFound));
    EXPECT_EQ(NameOf(Folder("x")), "error " + std::to_string(kErrorNotReady))
        << "no mount holds it";
}

TEST_F(DriveFileSystemTest, DriveLettersAnswerThroughTheirMountPoint) {
    tree_.AddMount(Folder("card"), "vfat", "/nonexistent/device");
    const uint16_t letter = 'E';
    std::string name;
    uint64_t free = 0;
    EXPECT_EQ(DriveFileSystem(letter, &name), kErrorNotReady);
    EXPECT_EQ(DriveFreeBytes(letter, &free), kErrorNotReady);
    SetDriveMount(letter, Folder("card"));
    EXPECT_EQ(DriveFileSystem(letter, &name), kErrorSuccess);
    EXPECT_EQ(name, "FAT32");
    EXPECT_EQ(DriveFreeBytes(letter, &free), kErrorSuccess);
    SetDriveMount(letter, {});
    EXPECT_EQ(DriveFileSystem(letter, &name), kErrorNotReady);
    // A folder whose volume was unmounted lies on the parent's file system: not the volume's.
    tree_.AddMount(tree_.root(), "ext4", "/dev/root");
    SetDriveMount(letter, Folder("unmounted"));
    EXPECT_EQ(DriveFileSystem(letter, &name), kErrorNotReady);
    EXPECT_EQ(DriveFreeBytes(letter, &free), kErrorNotReady);
    SetDriveMount(letter, {});
}

TEST(DriveFreeBytes, ReportsTheSpaceAnUnprivilegedWriterMayUse) {
    test::TempDir dir;
    uint64_t free = 0;
    ASSERT_EQ(DriveFreeBytes(dir.path(), &free), kErrorSuccess);
    struct statvfs fs;
    ASSERT_EQ(statvfs(dir.path().c_str(), &fs), 0);
    const uint64_t total = uint64_t(fs.f_blocks) * fs.f_frsize;
    const uint64_t all = uint64_t(fs.f_bfree) * fs.f_frsize;
    EXPECT_GT(free, 0u);
    EXPECT_LE(free, all) << "space reserved for root is not offered";
    EXPECT_LE(free, total);
    EXPECT_EQ(DriveFreeBytes(dir / "missing", &free), kErrorFileNotFound);
}

}  // namespace
}  // namespace keldrin
