// The fast scan over real images of each FAT kind, and byte-level damage that must not stop it.
#include <gtest/gtest.h>

#include <set>

#include "FatFixture.h"
#include "Fixtures.h"
#include "TempDir.h"
#include "engine/IFileRecoveryParse.h"
#include "fat/FatDirEntry.h"
#include "platform/ByteOrder.h"
#include "platform/Errors.h"

namespace keldrin::test {
namespace {

class FatScanTest : public ::testing::TestWithParam<FatKindCase> {
protected:
    void SetUp() override {
        const FatKindCase& k = GetParam();
        image_ = std::make_unique<FatImage>(dir_ / "card.img", k.fatBits, k.sizeKiB, k.mkfsOptions);
    }
    // Directory entries per cluster of the parameter's volume (its root, for FAT32).
    size_t EntriesPerCluster() const { return GetParam().fatBits == 16 ? 128 : 16; }

    TempDir dir_;
    std::unique_ptr<FatImage> image_;
};

// FILETIME bounds of the years a fixture made today can carry.
bool IsRecentFileTime(uint64_t t) {
    const uint64_t y2020 = 132223104000000000ull;  // 2020-01-01
    const uint64_t y2050 = 141690240000000000ull;  // 2050-01-01
    return t >= y2020 && t < y2050;
}

TEST_P(FatScanTest, FindsDeletedFilesWithShortAndLongNamesSizesAndTimes) {
    auto shortContent = PseudoRandomBytes(3000, 1);
    auto longContent = JpegLike(5000, 2);
    ASSERT_TRUE(image_->Put(shortContent, "/ABC.TXT"));
    ASSERT_TRUE(image_->Put(longContent, "/Holiday photo 2024.jpg"));
    ASSERT_TRUE(image_->Put(PseudoRandomBytes(100, 3), "/KEEP.TXT"));
    ASSERT_TRUE(image_->Delete("/ABC.TXT"));
    ASSERT_TRUE(image_->Delete("/Holiday photo 2024.jpg"));

    auto engine = ScanImage(image_->path());
    ASSERT_TRUE(engine);
    auto tree = CollectTree(*engine);
    ASSERT_EQ(tree.size(), 2u);
    ASSERT_TRUE(tree.count("!bc.txt"));
    ASSERT_TRUE(tree.count("Holiday photo 2024.jpg"));
    const ScanEntry& abc = tree["!bc.txt"];
    EXPECT_EQ(abc.size, 3000u);
    EXPECT_EQ(abc.isFolder, 0u);
    EXPECT_EQ(abc.origin, uint32_t(kOriginFastFat));
    EXPECT_EQ(abc.sourceId, 1);
    EXPECT_TRUE(IsRecentFileTime(abc.modified));
    EXPECT_TRUE(IsRecentFileTime(abc.created));
    EXPECT_TRUE(IsRecentFileTime(abc.accessed));
    EXPECT_EQ(abc.contentOk, 1u);
    EXPECT_EQ(tree["Holiday photo 2024.jpg"].contentOk, 1u);
    EXPECT_EQ(engine->GetResultCount(), 2u);

    EXPECT_EQ(RecoverBytes(*engine, abc, dir_ / "out/abc.txt"), shortContent);
    EXPECT_EQ(RecoverBytes(*engine, tree["Holiday photo 2024.jpg"], dir_ / "out/h.jpg"),
              longContent);
}

TEST_P(FatScanTest, DeletedFolderTreeIsRecordedWithItsFilesAndMarks) {
    ASSERT_TRUE(image_->MakeDir("/TRIP"));
    ASSERT_TRUE(image_->MakeDir("/TRIP/DAY1"));
    ASSERT_TRUE(image_->Put(JpegLike(1500, 4), "/TRIP/BEACH.JPG"));
    ASSERT_TRUE(image_->Put(JpegLike(2500, 5), "/TRIP/DAY1/Sunset at the pier.jpg"));
    ASSERT_TRUE(image_->DeleteTree("/TRIP"));

    auto engine = ScanImage(image_->path());
    ASSERT_TRUE(engine);
    auto tree = CollectTree(*engine);
    ASSERT_TRUE(tree.count("!rip")) << "deleted folder";
    ASSERT_TRUE(tree.count("!rip/!each.jpg"));
    ASSERT_TRUE(tree.count("!rip/!ay1"));
    ASSERT_TRUE(tree.count("!rip/!ay1/Sunset at the pier.jpg"));
    EXPECT_EQ(tree["!rip"].deleted, 1u);
    EXPECT_EQ(tree["!rip/!ay1"].deleted, 1u);
    EXPECT_EQ(tree["!rip/!ay1/Sunset at the pier.jpg"].size, 2500u);

    std::string path;
    ASSERT_EQ(engine->GetEntryPath(&tree["!rip/!ay1/Sunset at the pier.jpg"], path, 260), 0);
    EXPECT_EQ(path, "!rip/!ay1/");
    uint32_t count = 0;
    ASSERT_EQ(engine->ListSubtree(nullptr, 0, &count), 0);
    EXPECT_EQ(count, 2u);
}

TEST_P(FatScanTest, LiveFolderIsWrittenOnceAboveItsDeletedFilesAndEmptyOnesNotAtAll) {
    ASSERT_TRUE(image_->MakeDir("/DCIM"));
    ASSERT_TRUE(image_->MakeDir("/DCIM/100MEDIA"));
    ASSERT_TRUE(image_->MakeDir("/MUSIC"));
    ASSERT_TRUE(image_->Put(JpegLike(900, 6), "/DCIM/100MEDIA/IMG_0001.JPG"));
    ASSERT_TRUE(image_->Put(JpegLike(900, 7), "/DCIM/100MEDIA/IMG_0002.JPG"));
    ASSERT_TRUE(image_->Put(JpegLike(900, 8), "/DCIM/100MEDIA/IMG_0003.JPG"));
    ASSERT_TRUE(image_->Put(PseudoRandomBytes(400, 9), "/MUSIC/SONG.MP3"));
    ASSERT_TRUE(image_->Delete("/DCIM/100MEDIA/IMG_0001.JPG"));
    ASSERT_TRUE(image_->Delete("/DCIM/100MEDIA/IMG_0003.JPG"));

    auto engine = ScanImage(image_->path());
    ASSERT_TRUE(engine);
    auto tree = CollectTree(*engine);
    std::set<std::string> paths;
    for (auto& [p, e] : tree) paths.insert(p);
    // Short names read in lower case, as the folder names do.
    EXPECT_EQ(paths, (std::set<std::string>{"dcim", "dcim/100media", "dcim/100media/!mg_0001.jpg",
                                            "dcim/100media/!mg_0003.jpg"}));
    EXPECT_EQ(tree["dcim"].deleted, 0u);
    // Two records for two files and one for each folder on the way: DCIM is written once.
    EXPECT_EQ(engine->GetResultCount(), 4u);
}

TEST_P(FatScanTest, FolderWhoseChainSpansThreeClustersIsWalkedThroughAll) {
    ASSERT_TRUE(image_->MakeDir("/MANY"));
    const size_t files = 2 * EntriesPerCluster() + 10;  // "." and ".." take two more slots
    TempDir local;
    std::string list;
    for (size_t i = 0; i < files; ++i) {
        std::string name = "F" + std::to_string(i) + ".BIN";
        WriteWholeFile(local / name, PseudoRandomBytes(10, uint32_t(i)));
        list += " " + ShellQuote((local / name).string());
    }
    ASSERT_TRUE(RunOrFail("mtools_skip_check=1 mcopy -i " + ShellQuote(image_->path().string()) +
                          list + " ::/MANY/"));
    // The first, one in the middle and the last file: one in each of the three clusters.
    const std::string last = "F" + std::to_string(files - 1) + ".BIN";
    const std::string middle = "F" + std::to_string(EntriesPerCluster()) + ".BIN";
    for (const std::string& name : {std::string("F0.BIN"), middle, last})
        ASSERT_TRUE(image_->Delete("/MANY/" + name));

    auto engine = ScanImage(image_->path());
    ASSERT_TRUE(engine);
    auto tree = CollectTree(*engine);
    auto deletedName = [](std::string n) {
        n[0] = '!';
        for (char& c : n) c = char(std::tolower(static_cast<unsigned char>(c)));
        return "many/" + n;
    };
    EXPECT_TRUE(tree.count(deletedName("F0.BIN")));
    EXPECT_TRUE(tree.count(deletedName(middle)));
    EXPECT_TRUE(tree.count(deletedName(last)));
    EXPECT_EQ(engine->GetResultCount(), 4u);
}

TEST_P(FatScanTest, RootWithMoreEntriesThanOneClusterIsWalkedToItsEnd) {
    const size_t files = 2 * EntriesPerCluster() + 10;
    TempDir local;
    std::string list;
    for (size_t i = 0; i < files; ++i) {
        std::string name = "R" + std::to_string(i) + ".DAT";
        WriteWholeFile(local / name, PseudoRandomBytes(700, uint32_t(100 + i)));
        list += " " + ShellQuote((local / name).string());
    }
    ASSERT_TRUE(RunOrFail("mtools_skip_check=1 mcopy -i " + ShellQuote(image_->path().string()) +
                          list + " ::/"));
    const std::string last = "R" + std::to_string(files - 1) + ".DAT";
    ASSERT_TRUE(image_->Delete("/" + last));

    auto engine = ScanImage(image_->path());
    ASSERT_TRUE(engine);
    auto tree = CollectTree(*engine);
    ASSERT_EQ(tree.size(), 1u);
    const ScanEntry& found = tree.begin()->second;
    EXPECT_EQ(std::string(found.name), "!" + std::to_string(files - 1) + ".dat");
    EXPECT_EQ(RecoverBytes(*engine, found, dir_ / "last.dat"),
              PseudoRandomBytes(700, uint32_t(100 + files - 1)));
}

TEST_P(FatScanTest, FragmentedDeletedFileIsRecoveredAcrossTheLiveFileBetweenItsParts) {
    const size_t cluster = GetParam().fatBits == 16 ? 4096 : 512;
    ASSERT_TRUE(image_->Put(PseudoRandomBytes(3 * cluster, 10), "/A.BIN"));
    ASSERT_TRUE(image_->Put(PseudoRandomBytes(2 * cluster, 11), "/B.BIN"));
    ASSERT_TRUE(image_->Put(PseudoRandomBytes(3 * cluster, 12), "/C.BIN"));
    ASSERT_TRUE(image_->Delete("/B.BIN"));
    // D takes B's two clusters, then continues after C.
    auto d = PseudoRandomBytes(5 * cluster + 100, 13);
    ASSERT_TRUE(image_->Put(d, "/D.BIN"));
    ASSERT_TRUE(image_->Delete("/D.BIN"));

    auto engine = ScanImage(image_->path());
    ASSERT_TRUE(engine);
    auto tree = CollectTree(*engine);
    ASSERT_TRUE(tree.count("!.bin"));
    // The walk over its cleared chain skips C's clusters, which a live file owns.
    EXPECT_EQ(RecoverBytes(*engine, tree["!.bin"], dir_ / "d.bin"), d);
}

int32_t CancelAtOnce(void*, int32_t, int32_t, int32_t, uint64_t, uint64_t, uint64_t, int32_t) {
    return kCancelCode;
}

TEST_P(FatScanTest, CancelledScanReturnsCancelAndWritesNoFolderRecords) {
    ASSERT_TRUE(image_->MakeDir("/DCIM"));
    ASSERT_TRUE(image_->Put(JpegLike(900, 20), "/DCIM/IMG_0001.JPG"));
    ASSERT_TRUE(image_->Put(PseudoRandomBytes(900, 21), "/ROOT.TXT"));
    ASSERT_TRUE(image_->Delete("/DCIM/IMG_0001.JPG"));
    ASSERT_TRUE(image_->Delete("/ROOT.TXT"));

    BeginNewScanLog();
    CFastFatRecovery engine;
    ASSERT_EQ(engine.OpenImage(image_->path(), 1), 0);
    engine.SetProgressCallback(CancelAtOnce, nullptr, nullptr, 100);
    EXPECT_EQ(engine.Scan(nullptr), kCancelCode);
    // The file records stay; no folder record was written above them.
    EXPECT_EQ(engine.GetResultCount(), 2u);
    std::vector<ScanEntry> root;
    ASSERT_EQ(engine.ListChildren(nullptr, 0, root), 0);
    for (const ScanEntry& e : root) EXPECT_EQ(e.isFolder, 0u) << e.name;
}

struct ProgressLog {
    std::vector<std::array<int32_t, 3>> calls;  // units, scale, seconds left
};
int32_t LogProgress(void* context, int32_t units, int32_t scale, int32_t seconds, uint64_t,
                    uint64_t, uint64_t, int32_t) {
    static_cast<ProgressLog*>(context)->calls.push_back({units, scale, seconds});
    return 0;
}

TEST_P(FatScanTest, ProgressStartsAtOneAndEndsWithEightyThenHundred) {
    ASSERT_TRUE(image_->Put(PseudoRandomBytes(900, 22), "/X.TXT"));
    BeginNewScanLog();
    CFastFatRecovery engine;
    ASSERT_EQ(engine.OpenImage(image_->path(), 1), 0);
    ProgressLog log;
    engine.SetProgressCallback(LogProgress, nullptr, &log, 100);
    ASSERT_EQ(engine.Scan(nullptr), 0);
    ASSERT_GE(log.calls.size(), 3u);
    EXPECT_EQ(log.calls.front(), (std::array<int32_t, 3>{1, 100, -1}));
    EXPECT_EQ(log.calls[log.calls.size() - 2], (std::array<int32_t, 3>{80, 100, 10}));
    EXPECT_EQ(log.calls.back(), (std::array<int32_t, 3>{100, 100, 0}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, FatScanTest, ::testing::ValuesIn(FatKinds()),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace keldrin::test
