// The engine's record primitives, scan and extraction on byte-level volumes, where one field or
// one run is the point: MFT runs, attribute lists, extension records, holes, bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "Fixtures.h"
#include "SyntheticVolume.h"
#include "TempDir.h"
#include "engine/ScanLogCatalogue.h"
#include "ntfs/CFastNtfsRecovery.h"
#include "platform/AppPaths.h"
#include "platform/ByteOrder.h"
#include "platform/Errors.h"

namespace keldrin {
namespace {

using test::AttributeListEntry;
using test::EncodeRuns;
using test::FileNameAttribute;
using test::NonResidentAttribute;
using test::PatternBytes;
using test::RecordSpec;
using test::ResidentAttribute;
using test::SyntheticVolume;

class NtfsModel : public ::testing::Test {
protected:
    // 2 MiB, 512-byte sectors, 1 KiB clusters.
    SyntheticVolume volume{512, 2, 4096};
    test::TempDir dir;
    CFastNtfsRecovery engine;

    void Open() {
        volume.Save(dir / "v.img");
        ASSERT_EQ(engine.OpenImage(dir / "v.img", 7), kErrorSuccess);
    }
    void OpenAndScan() {
        Open();
        // As the scan worker does before every fast scan: a fresh, empty log folder.
        ScanLogCatalogue::GetCatalogue()->BeginNewLogFolder();
        ASSERT_EQ(engine.Scan(nullptr), kErrorSuccess);
    }
    ScanEntry FindEntry(const std::vector<ScanEntry>& list, const std::string& name) {
        for (const ScanEntry& e : list) {
            if (name == e.name) return e;
        }
        ADD_FAILURE() << "no entry " << name;
        return ScanEntry{};
    }
    std::vector<ScanEntry> Root() {
        std::vector<ScanEntry> out;
        EXPECT_EQ(engine.ListChildren(nullptr, 0, out), kErrorSuccess);
        return out;
    }
    std::vector<uint8_t> Recover(const ScanEntry& e, int32_t expect = kErrorSuccess) {
        const std::filesystem::path out = dir / "out" / "file.bin";
        EXPECT_EQ(engine.RecoverEntry(&e, out, 0), expect) << e.name;
        return test::ReadWholeFile(out);
    }
    // Bytes the file's runs cover: the pattern of each cluster it names, in order.
    std::vector<uint8_t> ClusterBytes(uint64_t cluster, uint64_t count, uint32_t seed) {
        std::vector<uint8_t> b = PatternBytes(count * volume.ClusterBytes(), seed);
        volume.PutClusters(cluster, b);
        return b;
    }
};

TEST_F(NtfsModel, RecordAtTheEndOfOneMftRunLiesInTheNext) {
    Open();
    ASSERT_EQ(engine.MftRuns().size(), 2u);
    const uint64_t a = volume.MftClusterA() * 2;  // sectors
    const uint64_t b = volume.MftClusterB() * 2;
    EXPECT_EQ(engine.RecordSector(0), a);
    EXPECT_EQ(engine.RecordSector(15), a + 30);
    EXPECT_EQ(engine.RecordSector(16), b);  // not a + 32, the sector after the first run
    EXPECT_EQ(engine.RecordSector(63), b + 47 * 2);
    EXPECT_EQ(engine.RecordSector(64), 0u);  // past the MFT: the volume's first sector
    EXPECT_EQ(engine.RecordSector(uint64_t(1) << 40), 0u);
}

TEST_F(NtfsModel, ParentPastTheMftShowsAsLostFolderWithItsFile) {
    volume.PutRecord({20, 0, 0, {FileNameAttribute(500, "orphan.txt"), ResidentAttribute(0x80, {'h', 'i'})}});
    OpenAndScan();
    std::vector<ScanEntry> root = Root();
    ASSERT_EQ(root.size(), 1u);
    EXPECT_STREQ(root[0].name, "LostFolder500");
    EXPECT_EQ(root[0].isFolder, 1u);
    EXPECT_EQ(root[0].contentOk, 1u);  // its record is not a FILE record
    EXPECT_EQ(root[0].clusterSize, 0xFFFFFFFFu);
    std::vector<ScanEntry> children;
    ASSERT_EQ(engine.ListChildren(&root[0], 1, children), kErrorSuccess);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_STREQ(children[0].name, "orphan.txt");
    EXPECT_EQ(children[0].size, 2u);
    EXPECT_EQ(Recover(children[0]), std::vector<uint8_t>({'h', 'i'}));
}

TEST_F(NtfsModel, SystemRecordsAndLiveFilesYieldNothing) {
    volume.PutRecord({8, 0, 0, {FileNameAttribute(5, "$BadClus"), ResidentAttribute(0x80, {1})}});
    volume.PutRecord({20, 1, 0, {FileNameAttribute(5, "live.txt"), ResidentAttribute(0x80, {1})}});
    volume.PutRecord({21, 0, 0, {ResidentAttribute(0x80, {1})}});  // no name
    OpenAndScan();
    EXPECT_TRUE(Root().empty());
    EXPECT_EQ(engine.GetResultCount(), 0u);
}

TEST_F(NtfsModel, Win32NameReplacesTheDosName) {
    volume.PutRecord({20, 0, 0,
                      {FileNameAttribute(5, "LONGNA~1.TXT", 2), FileNameAttribute(5, "Long name.txt", 1),
                       ResidentAttribute(0x80, {1})}});
    volume.PutRecord({21, 0, 0, {FileNameAttribute(5, "ONLYDOS.TXT", 2), ResidentAttribute(0x80, {1})}});
    OpenAndScan();
    std::vector<ScanEntry> root = Root();
    ASSERT_EQ(root.size(), 2u);
    EXPECT_STREQ(root[0].name, "Long name.txt");
    EXPECT_STREQ(root[1].name, "ONLYDOS.TXT");
}

TEST_F(NtfsModel, SizesComeFromTheDataAttribute) {
    volume.PutRecord({20, 0, 0, {FileNameAttribute(5, "res.txt", 3, 9999), ResidentAttribute(0x80, std::vector<uint8_t>(700, 'r'))}});
    volume.PutRecord({21, 0, 0,
                      {FileNameAttribute(5, "nonres.bin", 3, 1),
                       NonResidentAttribute(0x80, EncodeRuns({{3, 900}}), 2500)}});
    volume.PutRecord({22, 0, 0, {FileNameAttribute(5, "named.bin", 3, 77), ResidentAttribute(0x80, {1, 2}, 3)}});
    const std::vector<uint8_t> data = ClusterBytes(900, 3, 5);
    OpenAndScan();
    std::vector<ScanEntry> root = Root();
    EXPECT_EQ(FindEntry(root, "res.txt").size, 700u);
    EXPECT_EQ(FindEntry(root, "nonres.bin").size, 2500u);
    EXPECT_EQ(FindEntry(root, "named.bin").size, 77u);  // only a named stream: the name's size
    std::vector<uint8_t> resident = Recover(FindEntry(root, "res.txt"));
    EXPECT_EQ(resident, std::vector<uint8_t>(700, 'r'));
    // Allocation slack is not written: 2500 bytes of three clusters.
    EXPECT_EQ(Recover(FindEntry(root, "nonres.bin")),
              std::vector<uint8_t>(data.begin(), data.begin() + 2500));
}

// A hole reads as zeros; the run after it is placed relative to the run before the hole.
TEST_F(NtfsModel, SparseRunIsWrittenAsZeros) {
    volume.PutRecord({20, 0, 0,
                      {FileNameAttribute(5, "sparse.bin"),
                       NonResidentAttribute(0x80, EncodeRuns({{2, 800}, {3, std::nullopt}, {2, 805}}),
                                            7 * 1024)}});
    const std::vector<uint8_t> first = ClusterBytes(800, 2, 1);
    ClusterBytes(802, 3, 2);  // what a reader that ignores the hole would copy
    const std::vector<uint8_t> last = ClusterBytes(805, 2, 3);
    OpenAndScan();
    std::vector<uint8_t> expected = first;
    expected.resize(expected.size() + 3 * 1024, 0);
    expected.insert(expected.end(), last.begin(), last.end());
    EXPECT_EQ(Recover(FindEntry(Root(), "sparse.bin")), expected);
}

TEST_F(NtfsModel, FileStartingWithAHoleSkipsTheContentCheck) {
    volume.PutRecord({20, 0, 0,
                      {FileNameAttribute(5, "hole.jpg"),
                       NonResidentAttribute(0x80, EncodeRuns({{2, std::nullopt}, {2, 810}}), 4096)}});
    volume.PutRecord({21, 0, 0,
                      {FileNameAttribute(5, "overwritten.jpg"),
                       NonResidentAttribute(0x80, EncodeRuns({{2, 820}}), 2048)}});
    volume.PutRecord({22, 0, 0,
                      {FileNameAttribute(5, "good.jpg"),
                       NonResidentAttribute(0x80, EncodeRuns({{2, 830}}), 2048)}});
    std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01,
                                 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
    jpeg.resize(2048, 0x11);
    volume.PutClusters(830, jpeg);
    volume.PutClusters(820, std::vector<uint8_t>(2048, 0x42));
    OpenAndScan();
    // The store hides image entries whose content check failed.
    std::vector<ScanEntry> root = Root();
    std::vector<std::string> names;
    for (const ScanEntry& e : root) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"good.jpg", "hole.jpg"}));
    for (const ScanEntry& e : root) EXPECT_EQ(e.contentOk, 1u) << e.name;
}

TEST_F(NtfsModel, ResidentAttributeListContributesEveryDataExtent) {
    // Base record 30 lists its name and two data extents held by extension records 31 and 32.
    std::vector<uint8_t> list;
    for (const auto& e : {AttributeListEntry(0x30, 30, 0), AttributeListEntry(0x80, 31, 0),
                          AttributeListEntry(0x80, 32, 4)}) {
        list.insert(list.end(), e.begin(), e.end());
    }
    volume.PutRecord({30, 0, 0, {ResidentAttribute(0x20, list), FileNameAttribute(5, "spans.bin", 3, 0)}});
    volume.PutRecord({31, 0, 30, {NonResidentAttribute(0x80, EncodeRuns({{4, 1000}}), 7000, 0)}});
    volume.PutRecord({32, 0, 30, {NonResidentAttribute(0x80, EncodeRuns({{3, 700}}), 7000, 4)}});
    std::vector<uint8_t> expected = ClusterBytes(1000, 4, 1);
    const std::vector<uint8_t> tail = ClusterBytes(700, 3, 2);
    expected.insert(expected.end(), tail.begin(), tail.end());
    expected.resize(7000);
    OpenAndScan();
    const ScanEntry e = FindEntry(Root(), "spans.bin");
    EXPECT_EQ(e.size, 7000u);  // from the extent at VCN 0
    RunList runs;
    ASSERT_EQ(engine.ReadRecordRuns(e.entrySector, 0x80, runs), kErrorSuccess);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].delta, 1000);
    EXPECT_EQ(runs[1].delta, -300);
    EXPECT_EQ(Recover(e), expected);
}

TEST_F(NtfsModel, NonResidentAttributeListContributesEveryDataExtent) {
    std::vector<uint8_t> list;
    for (const auto& e : {AttributeListEntry(0x10, 30, 0), AttributeListEntry(0x30, 30, 0),
                          AttributeListEntry(0x80, 31, 0), AttributeListEntry(0x80, 32, 4)}) {
        list.insert(list.end(), e.begin(), e.end());
    }
    volume.PutClusters(1500, list);
    volume.PutRecord({30, 0, 0,
                      {NonResidentAttribute(0x20, EncodeRuns({{1, 1500}}), list.size()),
                       FileNameAttribute(5, "listed.bin")}});
    volume.PutRecord({31, 0, 30, {NonResidentAttribute(0x80, EncodeRuns({{4, 1000}}), 7168, 0)}});
    volume.PutRecord({32, 0, 30, {NonResidentAttribute(0x80, EncodeRuns({{3, 1100}}), 7168, 4)}});
    std::vector<uint8_t> expected = ClusterBytes(1000, 4, 1);
    const std::vector<uint8_t> tail = ClusterBytes(1100, 3, 2);
    expected.insert(expected.end(), tail.begin(), tail.end());
    OpenAndScan();
    const ScanEntry e = FindEntry(Root(), "listed.bin");
    EXPECT_EQ(e.size, 7168u);
    EXPECT_EQ(Recover(e), expected);
}

// Extension records are checked like any record: one that is gone gives no runs, one taken over
// by another file gives none either, and the file is reported short rather than as a success.
TEST_F(NtfsModel, ExtensionRecordThatFailsTheChecksContributesNoRuns) {
    std::vector<uint8_t> list;
    for (const auto& e : {AttributeListEntry(0x80, 31, 0), AttributeListEntry(0x80, 32, 4)}) {
        list.insert(list.end(), e.begin(), e.end());
    }
    volume.PutRecord({30, 0, 0, {ResidentAttribute(0x20, list), FileNameAttribute(5, "short.bin")}});
    volume.PutRecord({31, 0, 30, {NonResidentAttribute(0x80, EncodeRuns({{4, 1000}}), 7168, 0)}});
    // Record 32 now belongs to file 40 and carries a data extent at the same VCN.
    volume.PutRecord({32, 1, 40, {NonResidentAttribute(0x80, EncodeRuns({{3, 1300}}), 7168, 4)}});
    const std::vector<uint8_t> head = ClusterBytes(1000, 4, 1);
    ClusterBytes(1300, 3, 9);
    OpenAndScan();
    const ScanEntry e = FindEntry(Root(), "short.bin");
    RunList runs;
    ASSERT_EQ(engine.ReadRecordRuns(e.entrySector, 0x80, runs), kErrorSuccess);
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(Recover(e, kErrorReadFault), head);  // what exists is written; the call fails

    // The same with the extension record wiped: no FILE signature, no runs.
    volume.PutRawRecord(32, std::vector<uint8_t>(volume.RecordSize(), 0));
    volume.Save(dir / "v.img");
    runs.clear();
    ASSERT_EQ(engine.ReadRecordRuns(e.entrySector, 0x80, runs), kErrorSuccess);
    EXPECT_EQ(runs.size(), 1u);
}

TEST_F(NtfsModel, AttributeListInAnExtensionRecordIsNotFollowed) {
    // Both records list each other; resolving must end, each extent counted once.
    std::vector<uint8_t> list;
    for (const auto& e : {AttributeListEntry(0x80, 31, 0), AttributeListEntry(0x80, 30, 4),
                          AttributeListEntry(0x80, 31, 0)}) {
        list.insert(list.end(), e.begin(), e.end());
    }
    volume.PutRecord({30, 0, 0,
                      {ResidentAttribute(0x20, list), FileNameAttribute(5, "loop.bin"),
                       NonResidentAttribute(0x80, EncodeRuns({{3, 1200}}), 7168, 4)}});
    volume.PutRecord({31, 0, 30,
                      {ResidentAttribute(0x20, list),
                       NonResidentAttribute(0x80, EncodeRuns({{4, 1000}}), 7168, 0)}});
    std::vector<uint8_t> expected = ClusterBytes(1000, 4, 1);
    const std::vector<uint8_t> tail = ClusterBytes(1200, 3, 2);
    expected.insert(expected.end(), tail.begin(), tail.end());
    OpenAndScan();
    const ScanEntry e = FindEntry(Root(), "loop.bin");
    RunList runs;
    ASSERT_EQ(engine.ReadRecordRuns(e.entrySector, 0x80, runs), kErrorSuccess);
    EXPECT_EQ(runs.size(), 2u);
    EXPECT_EQ(Recover(e), expected);
}

TEST_F(NtfsModel, ResidentDataNeverComesFromOutsideTheRecord) {
    volume.PutRecord({20, 0, 0, {FileNameAttribute(5, "liar.txt"), ResidentAttribute(0x80, std::vector<uint8_t>(16, 'x'))}});
    std::vector<uint8_t> raw = volume.BuildRecord(
        {20, 0, 0, {FileNameAttribute(5, "liar.txt"), ResidentAttribute(0x80, std::vector<uint8_t>(16, 'x'))}});
    // The value length claims 60 000 bytes: far past the attribute and the record.
    const uint32_t first = Le16(&raw[20]);
    const uint32_t data = first + Le32(&raw[first + 4]);
    PutLe32(&raw[data + 16], 60000);
    volume.PutRawRecord(20, raw);
    OpenAndScan();
    std::vector<uint8_t> value;
    EXPECT_EQ(engine.ReadResidentData(engine.RecordSector(20), value), kErrorInvalidParameter);
    EXPECT_TRUE(value.empty());
}

TEST_F(NtfsModel, RunOffTheVolumeIsAnErrorNotForeignData) {
    volume.PutRecord({20, 0, 0,
                      {FileNameAttribute(5, "far.bin"),
                       NonResidentAttribute(0x80, EncodeRuns({{4, 1ull << 40}}), 4096)}});
    OpenAndScan();
    Recover(FindEntry(Root(), "far.bin"), kErrorInvalidParameter);
}

TEST_F(NtfsModel, DeletedFolderChainGivesDepthKeys) {
    // root <- 40 (live dir "live") <- 41 (deleted dir "gone") <- 42 (deleted file)
    volume.PutRecord({40, 3, 0, {FileNameAttribute(5, "live")}});
    volume.PutRecord({41, 2, 0, {FileNameAttribute(40, "GONE~1", 2), FileNameAttribute(40, "gone", 1)}});
    volume.PutRecord({42, 0, 0, {FileNameAttribute(41, "f.txt"), ResidentAttribute(0x80, {'f'})}});
    volume.PutRecord({43, 0, 0, {FileNameAttribute(40, "g.txt"), ResidentAttribute(0x80, {'g'})}});
    OpenAndScan();
    std::vector<ScanEntry> root = Root();
    ASSERT_EQ(root.size(), 1u);
    EXPECT_STREQ(root[0].name, "live");
    std::vector<ScanEntry> live;
    ASSERT_EQ(engine.ListChildren(&root[0], 1, live), kErrorSuccess);
    ASSERT_EQ(live.size(), 2u);  // files first
    EXPECT_STREQ(live[0].name, "g.txt");
    EXPECT_STREQ(live[1].name, "gone");
    std::vector<ScanEntry> gone;
    ASSERT_EQ(engine.ListChildren(&live[1], 2, gone), kErrorSuccess);
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_STREQ(gone[0].name, "f.txt");
    std::string path;
    ASSERT_EQ(engine.GetEntryPath(&gone[0], path, 260), kErrorSuccess);
    EXPECT_EQ(path, "live/gone/");
    uint32_t count = 0;
    ASSERT_EQ(engine.ListSubtree(nullptr, 0, &count), kErrorSuccess);
    EXPECT_EQ(count, 2u);
    std::vector<ScanEntry> none;
    EXPECT_EQ(engine.ListChildren(nullptr, 5, none), kErrorInvalidParameter);
    EXPECT_TRUE(none.empty());
}

TEST_F(NtfsModel, FolderRecoveryKeepsNamesInsideTheDestination) {
    volume.PutRecord({40, 2, 0, {FileNameAttribute(5, "box")}});
    volume.PutRecord({41, 0, 0, {FileNameAttribute(40, "../../escape.txt"), ResidentAttribute(0x80, {'e'})}});
    volume.PutRecord({42, 0, 0, {FileNameAttribute(40, "same.txt"), ResidentAttribute(0x80, {'1'})}});
    volume.PutRecord({43, 0, 0, {FileNameAttribute(40, "same.txt"), ResidentAttribute(0x80, {'2'})}});
    volume.PutRecord({44, 2, 0, {FileNameAttribute(40, "..")}});
    volume.PutRecord({45, 0, 0, {FileNameAttribute(44, "inner.txt"), ResidentAttribute(0x80, {'i'})}});
    OpenAndScan();
    std::vector<ScanEntry> root = Root();
    ASSERT_EQ(root.size(), 1u);
    const std::filesystem::path chosen = dir / "chosen";
    std::filesystem::create_directories(chosen);
    const std::filesystem::path target = chosen / "box";
    ASSERT_EQ(engine.RecoverEntry(&root[0], target, CountPathSeparators(chosen.string())),
              kErrorSuccess);
    // Everything landed below target; nothing next to it or above it.
    size_t files = 0;
    std::string contents;
    for (const auto& f : std::filesystem::recursive_directory_iterator(dir.path())) {
        if (!f.is_regular_file() || f.path().filename() == "v.img") continue;
        const std::string inside = std::filesystem::weakly_canonical(f.path()).string();
        const std::string root = std::filesystem::weakly_canonical(target).string() + "/";
        EXPECT_EQ(inside.rfind(root, 0), 0u) << f.path();
        ++files;
        const std::vector<uint8_t> b = test::ReadWholeFile(f.path());
        contents.append(b.begin(), b.end());
    }
    EXPECT_EQ(files, 4u);
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, "12ei");
}

TEST_F(NtfsModel, RecoveryTruncatesAnExistingLongerFile) {
    volume.PutRecord({20, 0, 0, {FileNameAttribute(5, "t.txt"), ResidentAttribute(0x80, {'n', 'e', 'w'})}});
    OpenAndScan();
    const std::filesystem::path out = dir / "out" / "file.bin";
    std::filesystem::create_directories(out.parent_path());
    test::WriteWholeFile(out, std::vector<uint8_t>(5000, 'o'));
    EXPECT_EQ(Recover(FindEntry(Root(), "t.txt")), std::vector<uint8_t>({'n', 'e', 'w'}));
}

TEST_F(NtfsModel, PreviewChoosesFileOrMemoryByExtension) {
    volume.PutRecord({20, 0, 0, {FileNameAttribute(5, "report.docx"), ResidentAttribute(0x80, std::vector<uint8_t>(300, 'd'))}});
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    png.resize(200, 'p');
    volume.PutRecord({21, 0, 0, {FileNameAttribute(5, "a.png"), ResidentAttribute(0x80, png)}});
    volume.PutRecord({22, 0, 0, {FileNameAttribute(5, "song.wma"), ResidentAttribute(0x80, std::vector<uint8_t>(100, 'w'))}});
    volume.PutRecord({23, 0, 0,
                      {FileNameAttribute(5, "notes.txt"),
                       NonResidentAttribute(0x80, EncodeRuns({{3, 900}}), 3000)}});
    const std::vector<uint8_t> notes = ClusterBytes(900, 3, 4);
    OpenAndScan();
    std::vector<ScanEntry> root = Root();
    struct Case {
        const char* name;
        const char* file;
        size_t size;
    } cases[] = {{"report.docx", "report.docx", 300}, {"a.png", "tmp.jpg", 200}, {"song.wma", "tmp.avi", 100}};
    for (const Case& c : cases) {
        std::string path;
        uint8_t memory[16];
        uint32_t capacity = sizeof memory;
        const ScanEntry e = FindEntry(root, c.name);
        ASSERT_EQ(engine.ExtractPreview(&e, &path, memory, &capacity, nullptr, nullptr), kErrorSuccess);
        EXPECT_EQ(std::filesystem::path(path), ScanLogFolder() / c.file) << c.name;
        EXPECT_EQ(std::filesystem::file_size(path), c.size);
        EXPECT_EQ(capacity, 0u);
    }
    std::string path;
    std::vector<uint8_t> memory(2000);
    uint32_t capacity = 1500;
    int calls = 0;
    const ScanEntry e = FindEntry(root, "notes.txt");
    ASSERT_EQ(engine.ExtractPreview(&e, &path, memory.data(), &capacity,
                                    [](void* c, int32_t, int32_t) -> int32_t {
                                        ++*static_cast<int*>(c);
                                        return 0;
                                    },
                                    &calls),
              kErrorSuccess);
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(capacity, 1500u);
    EXPECT_TRUE(std::equal(memory.begin(), memory.begin() + 1500, notes.begin()));
    EXPECT_GE(calls, 1);
    capacity = 10;
    EXPECT_EQ(engine.ExtractPreview(nullptr, &path, memory.data(), &capacity, nullptr, nullptr),
              kErrorInvalidParameter);
    EXPECT_EQ(capacity, 0u);
}

class NtfsAllocation : public ::testing::Test {
protected:
    // 8 sectors per cluster, 4096 sectors: 512 clusters, a 64-byte bitmap.
    SyntheticVolume volume{512, 8, 4096};
    test::TempDir dir;
    CFastNtfsRecovery engine;
    void OpenWithBitmap(const std::vector<uint8_t>& bitmap) {
        std::vector<uint8_t> cluster(volume.ClusterBytes(), 0);
        std::copy(bitmap.begin(), bitmap.end(), cluster.begin());
        volume.PutClusters(volume.BitmapCluster(), cluster);
        volume.Save(dir / "v.img");
        ASSERT_EQ(engine.OpenImage(dir / "v.img", 1), kErrorSuccess);
        ASSERT_EQ(engine.BuildAllocationMap(), kErrorSuccess);
    }
};

TEST_F(NtfsAllocation, NextFreeRegionSkipsUsedClustersAndMeasuresTheFreeRun) {
    std::vector<uint8_t> bitmap(64, 0);
    bitmap[0] = 0x0F;
    bitmap[10] = 0x01;
    std::fill(bitmap.begin() + 11, bitmap.end(), 0xFF);
    OpenWithBitmap(bitmap);
    uint64_t position = 0, length = 0;
    EXPECT_EQ(engine.NextFreeRegion(&position, &length), 1);
    EXPECT_EQ(position, 32u);
    EXPECT_EQ(length, (4u + 8 * 9) * 8);
    position += length;
    EXPECT_EQ(engine.NextFreeRegion(&position, &length), 1);
    EXPECT_EQ(position, 81u * 8);  // cluster 80 in use, 81 to 87 free
    EXPECT_EQ(length, 7u * 8);
    position += length;
    EXPECT_EQ(engine.NextFreeRegion(&position, &length), 1);
    EXPECT_EQ(length, 0u);  // used to the end
    position = 5000;
    EXPECT_EQ(engine.NextFreeRegion(&position, &length), 1);
    EXPECT_EQ(position, 4096u);
    EXPECT_EQ(length, 0u);
}

TEST_F(NtfsAllocation, FullyUsedBitmapHasNoFreeRegion) {
    OpenWithBitmap(std::vector<uint8_t>(64, 0xFF));
    uint64_t position = 0, length = 7;
    EXPECT_EQ(engine.NextFreeRegion(&position, &length), 1);
    EXPECT_EQ(length, 0u);
}

}  // namespace
}  // namespace keldrin
