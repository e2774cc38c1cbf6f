// Real volumes made by mkntfs and filled through ntfs-3g (tests/ntfs/make_fixtures.sh): the
// committed compressed images always, freshly made ones where FUSE is available. Every deleted
// file the manifest names must be found at its path and recovered byte for byte.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "Fixtures.h"
#include "TempDir.h"
#include "engine/ScanLogCatalogue.h"
#include "ntfs/CFastNtfsRecovery.h"
#include "platform/Errors.h"

namespace keldrin {
namespace {

struct Expected {
    std::string sha, path;
    uint64_t size;
};

std::filesystem::path SourceDir() {
    const char* s = std::getenv("KELDRIN_SOURCE_DIR");
    return s ? std::filesystem::path(s) : std::filesystem::path(KELDRIN_NTFS_SOURCE_DIR);
}

std::string Sha256(const std::filesystem::path& p) {
    test::CommandResult r = test::RunShell("sha256sum " + test::ShellQuote(p.string()));
    return r.output.substr(0, 64);
}

void Walk(CFastNtfsRecovery& engine, const ScanEntry* folder, uint32_t keyHigh,
          const std::string& prefix, std::map<std::string, ScanEntry>& out) {
    std::vector<ScanEntry> children;
    ASSERT_EQ(engine.ListChildren(folder, keyHigh, children), kErrorSuccess);
    for (const ScanEntry& c : children) {
        const std::string path = prefix + c.name;
        out[path] = c;
        if (c.isFolder) Walk(engine, &c, keyHigh + 1, path + "/", out);
    }
}

void CheckVolume(const std::filesystem::path& image, const std::filesystem::path& manifest,
                 const std::filesystem::path& work) {
    std::vector<Expected> expected;
    std::vector<std::string> facts;
    std::ifstream in(manifest);
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) continue;
        if (line[0] == '#') {
            facts.push_back(line.substr(2));
            continue;
        }
        std::istringstream s(line);
        Expected e;
        s >> e.sha >> e.size;
        std::getline(s >> std::ws, e.path);
        expected.push_back(e);
    }
    ASSERT_FALSE(expected.empty());

    CFastNtfsRecovery engine;
    ASSERT_EQ(engine.OpenImage(image, 3), kErrorSuccess);
    ScanLogCatalogue::GetCatalogue()->BeginNewLogFolder();
    int last = -1;
    engine.SetProgressCallback(
        [](void* c, int32_t units, int32_t, int32_t, uint64_t, uint64_t, uint64_t,
           int32_t) -> int32_t {
            *static_cast<int*>(c) = units;
            return 0;
        },
        nullptr, &last, 100);
    ASSERT_EQ(engine.Scan(nullptr), kErrorSuccess);
    EXPECT_EQ(last, 100);
    std::map<std::string, ScanEntry> found;
    Walk(engine, nullptr, 0, "", found);

    for (const Expected& e : expected) {
        auto it = found.find(e.path);
        ASSERT_NE(it, found.end()) << "not found: " << e.path;
        EXPECT_EQ(it->second.size, e.size) << e.path;
        const std::filesystem::path out = work / "out" / std::to_string(it->second.firstCluster);
        ASSERT_EQ(engine.RecoverEntry(&it->second, out, 0), kErrorSuccess) << e.path;
        EXPECT_EQ(Sha256(out), e.sha) << e.path;
        std::string folder;
        engine.GetEntryPath(&it->second, folder, 260);
        const size_t slash = e.path.rfind('/');
        EXPECT_EQ(folder, slash == std::string::npos ? "" : e.path.substr(0, slash + 1));
    }
    for (const std::string& fact : facts) {
        std::istringstream s(fact);
        std::string kind, value;
        s >> kind >> value;
        if (kind == "reused-record") {
            auto it = found.find("LostFolder" + value);
            ASSERT_NE(it, found.end()) << fact;
            EXPECT_EQ(it->second.contentOk, 0u);  // a FILE record that now holds a file
        } else if (kind == "dos-name") {
            for (const auto& [path, entry] : found) EXPECT_NE(std::string(entry.name), value);
        } else if (kind == "fragmented") {
            RunList runs;
            ASSERT_EQ(engine.ReadRecordRuns(found[value].entrySector, 0x80, runs), kErrorSuccess);
            EXPECT_GT(runs.size(), 150u) << "the fragmented file's data attribute is long";
        }
    }

    // ntfsundelete, run side by side, lists the same deleted files.
    if (test::HaveTool("ntfsundelete")) {
        test::CommandResult r =
            test::RunShell("ntfsundelete --scan --force " + test::ShellQuote(image.string()));
        std::set<uint32_t> theirs, ours;
        std::istringstream lines(r.output);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream s(line);
            uint32_t inode;
            std::string flags;
            if (!(s >> inode >> flags) || flags.empty() || flags[0] != 'F') continue;
            if (line.find("<none>") != std::string::npos) continue;
            theirs.insert(inode);
        }
        for (const auto& [path, entry] : found) {
            if (!entry.isFolder) ours.insert(entry.firstCluster);
        }
        EXPECT_EQ(ours, theirs);
    }
}

void CheckCommitted(const std::string& name) {
    test::TempDir dir;
    const std::filesystem::path fixtures = SourceDir() / "tests/ntfs/fixtures";
    ASSERT_TRUE(test::RunOrFail("gzip -dc " + test::ShellQuote((fixtures / (name + ".img.gz")).string()) +
                                " > " + test::ShellQuote((dir / "v.img").string())));
    CheckVolume(dir / "v.img", fixtures / (name + ".manifest"), dir.path());
}

TEST(NtfsCommittedVolume, DeletedFilesRecoverByteIdentical) { CheckCommitted("main"); }
TEST(NtfsCommittedVolume, FourKilobyteSectorVolumeRecovers) { CheckCommitted("sector4k"); }

TEST(NtfsFreshVolume, VolumesMadeNowRecoverByteIdentical) {
    if (geteuid() != 0 || !std::filesystem::exists("/dev/fuse") || !test::HaveTool("ntfs-3g") ||
        !test::HaveTool("mkntfs") || !test::HaveTool("python3")) {
        GTEST_SKIP() << "needs root, /dev/fuse, ntfs-3g, mkntfs and python3 to build NTFS volumes";
    }
    test::TempDir dir;
    const std::string script = (SourceDir() / "tests/ntfs/make_fixtures.sh").string();
    test::CommandResult made = test::RunShell(test::ShellQuote(script) + " " +
                                              test::ShellQuote((dir / "fx").string()));
    if (made.status != 0 && made.output.find("fuse") != std::string::npos) {
        GTEST_SKIP() << "FUSE mount failed: " << made.output;
    }
    ASSERT_EQ(made.status, 0) << made.output;
    for (const std::string name : {"main", "sector4k"}) {
        ASSERT_TRUE(test::RunOrFail("gzip -dc " + test::ShellQuote((dir / "fx" / (name + ".img.gz")).string()) +
                                    " > " + test::ShellQuote((dir / (name + ".img")).string())));
        CheckVolume(dir / (name + ".img"), dir / "fx" / (name + ".manifest"), dir / name);
    }
}

TEST(NtfsCommittedVolume, CancelStopsTheScanBeforeTheFolderPass) {
    test::TempDir dir;
    const std::filesystem::path fixtures = SourceDir() / "tests/ntfs/fixtures";
    ASSERT_TRUE(test::RunOrFail("gzip -dc " + test::ShellQuote((fixtures / "main.img.gz").string()) +
                                " > " + test::ShellQuote((dir / "v.img").string())));
    CFastNtfsRecovery engine;
    ASSERT_EQ(engine.OpenImage(dir / "v.img", 3), kErrorSuccess);
    ScanLogCatalogue::GetCatalogue()->BeginNewLogFolder();
    engine.SetProgressCallback([](void*, int32_t, int32_t, int32_t, uint64_t, uint64_t, uint64_t,
                                  int32_t) -> int32_t { return kCancelCode; },
                               nullptr, nullptr, 100);
    EXPECT_EQ(engine.Scan(nullptr), kCancelCode);
    std::vector<ScanEntry> root;
    ASSERT_EQ(engine.ListChildren(nullptr, 0, root), kErrorSuccess);
    bool tiny = false;
    for (const ScanEntry& e : root) {
        EXPECT_EQ(e.isFolder, 0u) << e.name;  // no folder pass ran
        tiny |= std::string(e.name) == "tiny.txt";
    }
    EXPECT_TRUE(tiny);
}

}  // namespace
}  // namespace keldrin
