// Main files of every size class, made as sparse files with real records at their offsets: the
// ".other" rule looks at the whole 64-bit size, and record positions are 64-bit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "StoreFixture.h"
#include "engine/ScanStore.h"

namespace keldrin::test {
namespace {

struct SizeCase {
    const char* label;
    uint32_t lastId;  // the main file ends with this record
    bool otherOn;
};

// Sizes: 346 KB; 138 MB; 2.2 GB (its low 32 bits read as negative); 4.36 GB (its low 32 bits
// are 62 MiB, a "small" file to a 32-bit reading).
const SizeCase kSizes[] = {
    {"under 128 MiB", 1000, true},
    {"over 128 MiB", 400000, false},
    {"between 2 and 4 GiB", 6400000, false},
    {"over 4 GiB", 12600000, false},
};

void WriteRecordAt(int fd, const ScanEntry& entry) {
    uint64_t offset = uint64_t(entry.id - 1) * sizeof(ScanEntry);
    ASSERT_EQ(pwrite(fd, &entry, sizeof(entry), static_cast<off_t>(offset)),
              ssize_t(sizeof(entry)));
}

// The size classes live in memory-backed sparse files where the system has them: reading the
// holes of a fresh sparse file on a disk file system fills the page cache with gigabytes of
// zeros, on tmpfs it costs next to nothing.
class StoreSizes : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        std::error_code ec;
        if (std::filesystem::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0) {
            std::string pattern = "/dev/shm/keldrin-store-XXXXXX";
            if (mkdtemp(pattern.data())) {
                memoryFolder_ = pattern;
                setenv("XDG_DATA_HOME", pattern.c_str(), 1);
                ScanLogCatalogue::ResetForTesting();
            }
        }
    }
    void TearDown() override {
        StoreTest::TearDown();
        std::error_code ec;
        if (!memoryFolder_.empty()) std::filesystem::remove_all(memoryFolder_, ec);
    }

    std::filesystem::path memoryFolder_;
};

TEST_F(StoreSizes, OtherRuleAndRecordPositionsForEveryMainFileSize) {
    std::filesystem::path folder = Cat().CurrentLogFolder();
    std::filesystem::create_directories(folder);
    for (const SizeCase& c : kSizes) {
        SCOPED_TRACE(c.label);
        const std::string name = std::string("Sized_") + std::to_string(c.lastId);
        std::filesystem::path main = folder / name;
        int fd = open(main.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ScanEntry readme = MakeEntry(1, "README");
        ScanEntry far = MakeEntry(c.lastId - 1, "far.doc");
        ScanEntry last = MakeEntry(c.lastId, "last.txt");
        WriteRecordAt(fd, readme);
        WriteRecordAt(fd, far);
        WriteRecordAt(fd, last);
        close(fd);
        ASSERT_EQ(std::filesystem::file_size(main), uint64_t(c.lastId) * sizeof(ScanEntry));
        std::string relation =
            " | 2 - [1," + std::to_string(c.lastId - 1) + "," + std::to_string(c.lastId) + "]";
        WriteWholeFile(folder / (name + "_Relation"),
                       std::vector<uint8_t>(relation.begin(), relation.end()));

        ScanStore store;
        ASSERT_EQ(store.OpenStore(name), 0);
        std::vector<ScanEntry> root;
        ASSERT_EQ(store.ListStoreChildren(0, root), 0);
        ASSERT_EQ(NamesOf(root), (std::vector<std::string>{"far.doc", "last.txt", "README"}));
        EXPECT_EQ(root[0].id, far.id);
        EXPECT_EQ(root[0].size, far.size);
        EXPECT_EQ(root[1].id, last.id);

        // The records between the three are holes of zeros: nameless files, which only
        // ".other" selects.
        std::vector<ScanEntry> found;
        ASSERT_EQ(store.FilterEntries("*.doc|*.other", found), 1);
        if (c.otherOn) {
            EXPECT_EQ(found.size(), c.lastId - 1);  // everything but last.txt
        } else {
            EXPECT_EQ(NamesOf(found), (std::vector<std::string>{"far.doc"}));
            if (!found.empty()) EXPECT_EQ(found[0].size, far.size);
        }
        store.CloseStore();
        std::filesystem::remove(main);
    }
}

}  // namespace
}  // namespace keldrin::test
