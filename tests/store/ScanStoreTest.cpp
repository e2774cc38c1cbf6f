#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "StoreFixture.h"
#include "engine/ScanStore.h"
#include "platform/Errors.h"

namespace keldrin::test {
namespace {

// Appends a copy of entry with the id the store hands out; returns that id.
uint32_t Append(ScanStore& store, ScanEntry entry) {
    ScanEntry* record = store.AppendEntry();
    entry.id = store.RecordCount();
    *record = entry;
    return entry.id;
}

std::string ReadText(const std::filesystem::path& path) {
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    WriteWholeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

using StoreFiles = StoreTest;

TEST_F(StoreFiles, RelationTextParsesAndRewritesToTheSameBytes) {
    const std::string text = " | 2 - [1,2,3] | 4294967301 - [4,5]";
    std::filesystem::path folder = Cat().CurrentLogFolder();
    std::filesystem::create_directories(folder);
    WriteText(folder / "Fast_0_2015371 5_Relation", text);
    {
        ScanStore store;
        ASSERT_EQ(store.OpenStore("Fast_0_2015371 5"), 0);
        std::map<uint64_t, std::vector<uint32_t>> expected{{2, {1, 2, 3}}, {4294967301ull, {4, 5}}};
        EXPECT_EQ(store.Children(), expected);
        EXPECT_EQ(store.FlushStore(), 0);
    }
    EXPECT_EQ(ReadText(folder / "Fast_0_2015371 5_Relation"), text);

    // The same tree made through AddRelation writes the same text.
    ScanStore built;
    ASSERT_EQ(built.OpenStore("Built"), 0);
    for (uint32_t id : {1u, 2u, 3u}) built.AddRelation(2, id, 0, nullptr);
    for (uint32_t id : {4u, 5u}) built.AddRelation(4294967301ull, id, 0, nullptr);
    EXPECT_EQ(built.FlushStore(), 0);
    EXPECT_EQ(ReadText(folder / "Built_Relation"), text);
}

TEST_F(StoreFiles, RelationParsingKeepsTheLastListOfAKeyAndLeavesNoStaleTail) {
    std::filesystem::path folder = Cat().CurrentLogFolder();
    std::filesystem::create_directories(folder);
    WriteText(folder / "S_Relation", " | 2 - [1,2] | 7 - [-1] | 2 - [3]");
    {
        ScanStore store;
        ASSERT_EQ(store.OpenStore("S"), 0);
        std::map<uint64_t, std::vector<uint32_t>> expected{{2, {3}}, {7, {4294967295u}}};
        EXPECT_EQ(store.Children(), expected);
    }
    // The rewrite is shorter than what was there: nothing of the old text may follow it.
    EXPECT_EQ(ReadText(folder / "S_Relation"), " | 2 - [3] | 7 - [-1]");
}

TEST_F(StoreFiles, StoreWithoutFoldersHasEmptySideFilesAndAnEmptyRoot) {
    ScanStore store;
    ASSERT_EQ(store.OpenStore("Plain"), 0);
    for (int i = 0; i < 5; ++i) Append(store, MakeEntry(0, "f" + std::to_string(i) + ".txt"));
    ASSERT_EQ(store.FlushStore(), 0);
    std::vector<ScanEntry> root;
    EXPECT_EQ(store.ListStoreChildren(0, root), 0);
    EXPECT_TRUE(root.empty());
    std::filesystem::path folder = Cat().CurrentLogFolder();
    EXPECT_EQ(std::filesystem::file_size(folder / "Plain"), 5u * sizeof(ScanEntry));
    EXPECT_EQ(std::filesystem::file_size(folder / "Plain_Relation"), 0u);
    EXPECT_EQ(std::filesystem::file_size(folder / "Plain_DirInfo"), 0u);
}

TEST_F(StoreFiles, ListingPutsFilesFirstThenFoldersByNameIgnoringCase) {
    ScanStore store;
    ASSERT_EQ(store.OpenStore("Order"), 0);
    const uint64_t root = 2;
    for (const char* name : {"b.txt", "DCIM", "A.txt", "alpha", "c.TXT", "a.txt"}) {
        bool folder = std::string(name) == "DCIM" || std::string(name) == "alpha";
        uint32_t id = Append(store, MakeEntry(0, name, folder, folder ? 10 : 0));
        store.AddRelation(root, id, 10, folder ? name : nullptr);
    }
    // Not flushed yet: records still in the write buffer are listed as well.
    std::vector<ScanEntry> listed;
    ASSERT_EQ(store.ListStoreChildren(0, listed), 0);
    EXPECT_EQ(NamesOf(listed),
              (std::vector<std::string>{"A.txt", "a.txt", "b.txt", "c.TXT", "alpha", "DCIM"}));

    ASSERT_EQ(store.FlushStore(), 0);
    std::vector<ScanEntry> byKey;
    ASSERT_EQ(store.ListStoreChildren(root, byKey), 0);
    EXPECT_EQ(NamesOf(byKey), NamesOf(listed));
    std::vector<ScanEntry> none;
    EXPECT_EQ(store.ListStoreChildren(12345, none), 0);
    EXPECT_TRUE(none.empty());
}

TEST_F(StoreFiles, ImageWithoutContentIsLeftOutOfListingsAndFilters) {
    ScanStore store;
    ASSERT_EQ(store.OpenStore("Content"), 0);
    struct Case {
        const char* name;
        uint32_t contentOk;
    };
    for (Case c :
         {Case{"lost.jpg", 0}, Case{"kept.jpg", 1}, Case{"old.doc", 0}, Case{"LOST2.JPG", 0}}) {
        ScanEntry entry = MakeEntry(0, c.name, false, 0, c.contentOk);
        store.AddRelation(2, Append(store, entry), 0, nullptr);
    }
    std::vector<ScanEntry> root;
    ASSERT_EQ(store.ListStoreChildren(0, root), 0);
    EXPECT_EQ(NamesOf(root), (std::vector<std::string>{"kept.jpg", "old.doc"}));
    for (std::string filter : {std::string(kImageTypes) + "|" + kDocumentTypes,
                               std::string(kImageTypes) + "|" + kDocumentTypes + "|*.other"}) {
        std::vector<ScanEntry> found;
        EXPECT_EQ(store.FilterEntries(filter, found), 1);
        EXPECT_EQ(NamesOf(found), (std::vector<std::string>{"kept.jpg", "old.doc"})) << filter;
    }
}

TEST_F(StoreFiles, TypeFiltersAndTheOtherRule) {
    ScanStore store;
    ASSERT_EQ(store.OpenStore("Filters"), 0);
    for (const char* name : {"README", "a.JPG", "a.xyz", "song.mp3", "clip.mts", "notes.txt"}) {
        store.AddRelation(2, Append(store, MakeEntry(0, name)), 0, nullptr);
    }
    store.AddRelation(2, Append(store, MakeEntry(0, "folder.jpg", true, 9)), 9, "folder.jpg");
    const std::string other = "*.other";
    struct Case {
        std::string filter;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {kImageTypes, {"a.JPG"}},
        {kAudioTypes, {"song.mp3"}},
        {kVideoTypes, {"clip.mts"}},
        {kArchiveTypes, {}},
        {kDocumentTypes, {"notes.txt"}},
        {other, {"a.xyz", "README"}},
        {std::string(kImageTypes) + "|" + other, {"a.JPG", "a.xyz", "README"}},
        {std::string(kImageTypes) + "|" + kAudioTypes + "|" + kDocumentTypes + "|" + kVideoTypes +
             "|" + kArchiveTypes,
         {"a.JPG", "clip.mts", "notes.txt", "song.mp3"}},
    };
    for (const Case& c : cases) {
        std::vector<ScanEntry> found;
        EXPECT_EQ(store.FilterEntries(c.filter, found), 1);
        EXPECT_EQ(NamesOf(found), c.expected) << c.filter;
    }
}

TEST_F(StoreFiles, FilterReportsProgressPerBlockAndStopsWhenTheCallbackSaysSo) {
    ScanStore store;
    ASSERT_EQ(store.OpenStore("Blocks"), 0);
    for (int i = 0; i < 450; ++i) Append(store, MakeEntry(0, "f" + std::to_string(i) + ".txt"));
    struct Seen {
        std::vector<int32_t> percents;
        int32_t answer = 0;
    } seen;
    store.SetStoreCallback(
        [](void* context, int32_t percent) {
            auto* s = static_cast<Seen*>(context);
            s->percents.push_back(percent);
            return s->answer;
        },
        &seen);
    std::vector<ScanEntry> all;
    EXPECT_EQ(store.FilterEntries("*.txt", all), 1);
    EXPECT_EQ(all.size(), 450u);
    EXPECT_EQ(seen.percents, (std::vector<int32_t>{44, 88, 100}));

    seen = Seen{{}, kCancelCode};
    std::vector<ScanEntry> part;
    EXPECT_EQ(store.FilterEntries("*.txt", part), 1);
    EXPECT_EQ(part.size(), 200u);
    EXPECT_EQ(seen.percents, (std::vector<int32_t>{44}));
}

// A FAT-like tree: root key 2 holds DCIM (cluster 5) and a file; DCIM holds 100MEDIA
// (cluster 9); 100MEDIA holds IMG.JPG. DCIM has no folder record, so its entry is found in
// the main file.
class AncestorTree : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_EQ(store_.OpenStore("Tree"), 0);
        dcim_ = Append(store_, MakeEntry(0, "DCIM", true, 5));
        store_.AddRelation(2, dcim_, 5, nullptr);
        store_.AddRelation(2, Append(store_, MakeEntry(0, "top.txt")), 0, nullptr);
        media_ = Append(store_, MakeEntry(0, "100MEDIA", true, 9));
        store_.AddRelation(Key(1, 5), media_, 9, "100MEDIA");
        image_ = Append(store_, MakeEntry(0, "IMG.JPG"));
        store_.AddRelation(Key(2, 9), image_, 0, nullptr);
        ASSERT_EQ(store_.FlushStore(), 0);
    }
    static uint64_t Key(uint32_t depth, uint32_t cluster) {
        return (uint64_t(depth) << 32) | cluster;
    }
    ScanEntry Entry(uint32_t id) {
        ScanEntry entry{};
        entry.id = id;
        return entry;
    }

    ScanStore store_;
    uint32_t dcim_ = 0, media_ = 0, image_ = 0;
};

TEST_F(AncestorTree, AncestorsNearestFirstWithoutTheRoot) {
    ScanEntry image = Entry(image_);
    std::vector<ScanEntry> above;
    ASSERT_EQ(store_.ListEntryAncestors(&image, above), 0);
    EXPECT_EQ(NamesOf(above), (std::vector<std::string>{"100MEDIA", "DCIM"}));
    EXPECT_EQ(above[0].id, media_);
    EXPECT_EQ(above[1].id, dcim_);

    ScanEntry dcim = Entry(dcim_);
    std::vector<ScanEntry> none;
    EXPECT_EQ(store_.ListEntryAncestors(&dcim, none), 0);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(store_.ListEntryAncestors(nullptr, none), kErrorInvalidParameter);
}

TEST_F(AncestorTree, CountsFilesOfAWholeSubtree) {
    uint32_t count = 0;
    EXPECT_EQ(store_.CountStoreSubtree(0, &count), 0);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(store_.CountStoreSubtree(Key(1, 5), &count), 0);
    EXPECT_EQ(count, 1u);
    ScanEntry folder{};
    EXPECT_EQ(store_.FindFolderEntry(9, &folder), 0);
    EXPECT_EQ(NameOf(folder), "100MEDIA");
    EXPECT_EQ(store_.FindFolderEntry(77, &folder), kErrorInvalidParameter);
}

TEST_F(AncestorTree, FolderThatIsItsOwnParentEndsTheWalk) {
    // Folder X (cluster 7) is listed under its own key.
    uint32_t x = Append(store_, MakeEntry(0, "X", true, 7));
    store_.AddRelation(Key(1, 7), x, 7, "X");
    uint32_t inside = Append(store_, MakeEntry(0, "in.txt"));
    store_.AddRelation(Key(1, 7), inside, 0, nullptr);
    ASSERT_EQ(store_.FlushStore(), 0);

    ScanEntry self = Entry(x);
    std::vector<ScanEntry> above;
    EXPECT_EQ(store_.ListEntryAncestors(&self, above), 0);
    EXPECT_TRUE(above.empty());
    ScanEntry file = Entry(inside);
    EXPECT_EQ(store_.ListEntryAncestors(&file, above), 0);
    EXPECT_EQ(NamesOf(above), (std::vector<std::string>{"X"}));
}

TEST_F(AncestorTree, TwoFoldersUnderEachOtherEndTheWalk) {
    // A (cluster 20) is listed under B's key and B (cluster 21) under A's.
    uint32_t a = Append(store_, MakeEntry(0, "A", true, 20));
    uint32_t b = Append(store_, MakeEntry(0, "B", true, 21));
    uint32_t file = Append(store_, MakeEntry(0, "f.txt"));
    store_.AddRelation(Key(1, 21), a, 20, "A");
    store_.AddRelation(Key(1, 20), b, 21, "B");
    store_.AddRelation(Key(1, 20), file, 0, nullptr);
    ASSERT_EQ(store_.FlushStore(), 0);

    ScanEntry entry = Entry(file);
    std::vector<ScanEntry> above;
    EXPECT_EQ(store_.ListEntryAncestors(&entry, above), 0);
    EXPECT_EQ(NamesOf(above), (std::vector<std::string>{"A", "B"}));
}

TEST_F(StoreFiles, ReopenedStoreCountsNothingNewButListsItsEntries) {
    {
        ScanStore store;
        ASSERT_EQ(store.OpenStore("Earlier"), 0);
        for (const char* name : {"one.txt", "two.jpg", "three.doc"}) {
            store.AddRelation(2, Append(store, MakeEntry(0, name)), 0, nullptr);
        }
        store.AddRelation(2, Append(store, MakeEntry(0, "sub", true, 4)), 4, "sub");
        EXPECT_EQ(store.RecordCount(), 4u);
        EXPECT_EQ(store.BytesAppended(), 4u * sizeof(ScanEntry));
    }
    ScanStore reopened;
    ASSERT_EQ(reopened.OpenStore("Earlier"), 0);
    EXPECT_EQ(reopened.RecordCount(), 0u);
    EXPECT_EQ(reopened.BytesAppended(), 0u);
    std::vector<ScanEntry> root;
    ASSERT_EQ(reopened.ListStoreChildren(0, root), 0);
    EXPECT_EQ(NamesOf(root), (std::vector<std::string>{"one.txt", "three.doc", "two.jpg", "sub"}));
    ASSERT_EQ(reopened.Folders().size(), 1u);
    EXPECT_STREQ(reopened.Folders()[0].name, "sub");
    std::vector<ScanEntry> found;
    EXPECT_EQ(reopened.FilterEntries(kDocumentTypes, found), 1);
    EXPECT_EQ(NamesOf(found), (std::vector<std::string>{"one.txt", "three.doc"}));
}

TEST_F(StoreFiles, RelationIdsThatNameNoRecordAreSkipped) {
    std::filesystem::path folder = Cat().CurrentLogFolder();
    {
        ScanStore store;
        ASSERT_EQ(store.OpenStore("Damaged"), 0);
        Append(store, MakeEntry(0, "x.txt"));
        Append(store, MakeEntry(0, "y.txt"));
    }
    WriteText(folder / "Damaged_Relation", " | 2 - [0,1,99,2,-7]");
    ScanStore store;
    ASSERT_EQ(store.OpenStore("Damaged"), 0);
    std::vector<ScanEntry> root;
    EXPECT_EQ(store.ListStoreChildren(0, root), 0);
    EXPECT_EQ(NamesOf(root), (std::vector<std::string>{"x.txt", "y.txt"}));
    uint32_t count = 0;
    EXPECT_EQ(store.CountStoreSubtree(0, &count), 0);
    EXPECT_EQ(count, 2u);
}

TEST_F(StoreFiles, StoreNameMustBeOneFileName) {
    ScanStore store;
    for (const char* name : {"", ".", "..", "../outside", "a/b"}) {
        EXPECT_EQ(store.OpenStore(name), kErrorInvalidParameter) << name;
        EXPECT_FALSE(store.IsOpen());
    }
    EXPECT_FALSE(std::filesystem::exists(Cat().Folder() / "outside"));
}

TEST_F(StoreFiles, AppendingToAStoreThatIsNotOpenGoesNowhere) {
    ScanStore store;
    for (int i = 0; i < 300; ++i) {
        ScanEntry* record = store.AppendEntry();
        ASSERT_NE(record, nullptr);
        record->id = store.RecordCount();
    }
    EXPECT_EQ(store.RecordCount(), 300u);
    EXPECT_NE(store.FlushStore(), 0);
    std::vector<ScanEntry> found;
    EXPECT_EQ(store.FilterEntries("*.other", found), 0);
}

}  // namespace
}  // namespace keldrin::test
