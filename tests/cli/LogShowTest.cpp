// keldrin log show: a store written through the store's own calls, read back by the command.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CliRunner.h"
#include "ScopedEnv.h"
#include "engine/ScanLogCatalogue.h"
#include "engine/ScanStore.h"
#include "platform/Text.h"

namespace keldrin {
namespace {

using test::ShellQuote;

class LogShow : public ::testing::Test {
protected:
    void SetUp() override {
        env_ = std::make_unique<test::ScopedEnv>("XDG_DATA_HOME", cli_.dataHome().string());
        ScanLogCatalogue::ResetForTesting();
        ScanLogCatalogue* catalogue = ScanLogCatalogue::GetCatalogue();
        ASSERT_NE(catalogue, nullptr);
        catalogue->BeginNewLogFolder();
        folder_ = catalogue->CurrentLogFolder();
        ScanStore store;
        ASSERT_EQ(store.OpenStore("Fast_2048_test"), 0);
        // Root (key 2): two files, a deleted folder and an overwritten photo; DCIM (cluster 5,
        // depth 1) holds one photo.
        Add(store, "README", false, 1, 10);
        Add(store, "notes.txt", false, 1, 2000);
        Add(store, "gone.jpg", false, 0, 4096);
        Add(store, "DCIM", true, 1, 0, 5);
        Add(store, "IMG_0001.JPG", false, 1, 300000);
        for (uint32_t id : {1u, 2u, 3u}) store.AddRelation(2, id, 0, nullptr);
        store.AddRelation(2, 4, 5, "DCIM");
        store.AddRelation((uint64_t(1) << 32) | 5, 5, 0, nullptr);
        ASSERT_EQ(store.FlushStore(), 0);
        store.CloseStore();
        // The command is another process: it must be able to take the catalogue's lock.
        ScanLogCatalogue::ResetForTesting();
    }
    void TearDown() override { ScanLogCatalogue::ResetForTesting(); }

    static void Add(ScanStore& store, const char* name, bool folder, uint32_t contentOk,
                    uint64_t size, uint32_t cluster = 0) {
        ScanEntry* e = store.AppendEntry();
        std::memset(e, 0, sizeof *e);
        e->origin = kOriginFastFat;
        e->isFolder = folder;
        e->deleted = folder;
        e->contentOk = contentOk;
        e->id = store.RecordCount();
        e->firstCluster = cluster;
        e->size = size;
        e->modified = 130710000000000000ull;  // 2015-3-16 17:20:00
        CopyToField(e->name, sizeof e->name, name);
    }

    test::CliRunner cli_;
    std::unique_ptr<test::ScopedEnv> env_;
    std::filesystem::path folder_;
};

TEST_F(LogShow, ShowsTheCountAndTheRootListingFilesFirst) {
    auto log = folder_ / "Fast_2048_test";
    test::CliResult r = cli_.Run("log show " + ShellQuote(log));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("5 entries\n"), std::string::npos) << r.out;
    // The overwritten photo is left out; files come before folders, names without case.
    auto notes = r.out.find("notes.txt"), readme = r.out.find("README"),
         dcim = r.out.find("DCIM/  (deleted)");
    EXPECT_NE(notes, std::string::npos);
    EXPECT_LT(notes, readme);
    EXPECT_LT(readme, dcim);
    EXPECT_EQ(r.out.find("gone.jpg"), std::string::npos);
    EXPECT_EQ(r.out.find("IMG_0001"), std::string::npos) << "not in the root";
}

TEST_F(LogShow, RelativeToTheScanLogFolderAndFilteredByType) {
    auto relative = (folder_.parent_path().filename() / "Fast_2048_test").string();
    test::CliResult r = cli_.Run("log show " + ShellQuote(relative) + " --types photo");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1 matching files:\n  DCIM/IMG_0001.JPG  292.97 KB"), std::string::npos)
        << r.out;
    r = cli_.Run("log show " + ShellQuote(relative) + " --types others");
    EXPECT_NE(r.out.find("README"), std::string::npos);
    EXPECT_EQ(r.out.find("notes.txt"), std::string::npos);
    r = cli_.Run("log show " + ShellQuote(relative) + " --ext TXT");
    EXPECT_NE(r.out.find("notes.txt"), std::string::npos);
    EXPECT_EQ(r.out.find("README"), std::string::npos);
}

TEST_F(LogShow, JsonHoldsTheCountAndEntries) {
    test::CliResult r =
        cli_.Run("log show " + ShellQuote(folder_ / "Fast_2048_test") + " --json --types photo");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\"log\":", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\"count\":5"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"name\":\"IMG_0001.JPG\",\"path\":\"DCIM/\""), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"modified\":\"2015-3-16 17:20:00\""), std::string::npos) << r.out;
}

TEST_F(LogShow, MissingLogAndLogOutsideScanLogAreRefused) {
    test::CliResult r = cli_.Run("log show " + ShellQuote(folder_ / "Fast_nothing"));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no scan log at"), std::string::npos) << r.err;
    auto outside = cli_ / "Fast_copy";
    std::filesystem::copy_file(folder_ / "Fast_2048_test", outside);
    r = cli_.Run("log show " + ShellQuote(outside));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is not a scan log below"), std::string::npos) << r.err;
    r = cli_.Run("log show " + ShellQuote(folder_ / "Fast_2048_test") + " --types pictures");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown file type 'pictures'"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace keldrin
