#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "StoreFixture.h"
#include "engine/ScanLogCatalogue.h"
#include "engine/ScanStore.h"
#include "platform/ByteOrder.h"
#include "platform/DiskRegistry.h"
#include "platform/Errors.h"

namespace keldrin::test {
namespace {

namespace fs = std::filesystem;

constexpr uint16_t kLetter = 'Q';  // tied to no mount unless a test ties it
constexpr ScanProgress kProgress{100, 2000, 30, 400, 5};

void MakeFile(const fs::path& path, const std::string& text = "x") {
    fs::create_directories(path.parent_path());
    WriteWholeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// A folder with one store file in it, as a scan leaves it.
fs::path FilledLogFolder(ScanLogCatalogue& catalogue) {
    fs::path folder = catalogue.CurrentLogFolder();
    MakeFile(folder / "Pro_Fat_0_2015371 5");
    return folder;
}

class Catalogue : public StoreTest {
protected:
    void TearDown() override {
        SetDriveMount(kLetter, {});
        ScanLogCatalogue::SetLockWaitForTesting(std::chrono::milliseconds(2000));
        StoreTest::TearDown();
    }
    fs::path ScanLog() { return home_.path() / "Quorvex Keldrin" / "ScanLog"; }
    // A new run of the program: the catalogue is read again from "config".
    ScanLogCatalogue& NextRun() {
        ScanLogCatalogue::ResetForTesting();
        return Cat();
    }
};

TEST_F(Catalogue, SaveWritesTheRecordLayoutAndANewRunReadsItBack) {
    ScanLogCatalogue& first = Cat();
    EXPECT_EQ(first.Folder(), ScanLog());
    first.BeginNewLogFolder();
    first.BeginNewLogFolder();
    fs::path volumeFolder = first.CurrentLogFolder();
    EXPECT_EQ(volumeFolder, ScanLog() / "2" / "");
    ASSERT_EQ(
        first.SaveScanRecord(kLetter, 3, 2048, 1000, 0xABCD1234u, kProgress, volumeFolder, {}), 0);
    fs::path image = home_ / "card.img";
    MakeFile(image, "image bytes");
    first.BeginNewLogFolder();
    fs::path imageFolder = first.CurrentLogFolder();
    ASSERT_EQ(first.SaveScanRecord(0, kImageDiskNumber, 0, 9, 77, kProgress, imageFolder, image),
              0);

    std::vector<uint8_t> config = ReadWholeFile(ScanLog() / "config");
    ASSERT_EQ(config.size(), 8u + 2 * 1120u);
    EXPECT_FALSE(fs::exists(ScanLog() / "config.tmp"));
    EXPECT_EQ(Le64(&config[0]), 3u);
    const uint8_t* volume = &config[8];
    EXPECT_EQ(Le32(volume + 0), 3u);
    EXPECT_EQ(Le32(volume + 4), 0xABCD1234u);
    EXPECT_EQ(Le64(volume + 8), 2048u);
    EXPECT_EQ(Le64(volume + 16), 1000u);
    EXPECT_EQ(Le64(volume + 24), 100u);
    EXPECT_EQ(Le64(volume + 56), 5u);
    EXPECT_EQ(Le64(volume + 64), 0u);  // no free-space figure for a letter without a mount
    EXPECT_EQ(Le16(volume + 80), 0u);  // no image path
    EXPECT_EQ(Utf16LeToUtf8(volume + 600, volumeFolder.string().size()), volumeFolder.string());
    EXPECT_EQ(Le16(volume + 600 + 2 * volumeFolder.string().size()), 0u);
    const uint8_t* imageRecord = &config[8 + 1120];
    EXPECT_EQ(Le32(imageRecord + 4), 0u);  // an image has no volume serial
    EXPECT_NE(Le64(imageRecord + 72), 0u);
    EXPECT_EQ(Utf16LeToUtf8(imageRecord + 80, image.string().size()), image.string());

    ScanLogCatalogue& second = NextRun();
    EXPECT_EQ(second.Counter(), 3u);
    ASSERT_EQ(second.Records().size(), 2u);
    auto found = second.FindVolumeRecord(3, 2048, 1000, kLetter, 0xABCD1234u);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->progress.regionLength, 2000u);
    EXPECT_EQ(found->LogFolder(), volumeFolder.string());
    EXPECT_TRUE(second.Matched());
    EXPECT_EQ(second.CurrentLogFolder(), volumeFolder);
    auto foundImage = second.FindImageRecord(image);
    ASSERT_TRUE(foundImage);
    EXPECT_EQ(second.CurrentLogFolder(), imageFolder);

    // Saving the same region again updates the record in place.
    ScanProgress done = kProgress;
    done.regionLength = 0;
    ASSERT_EQ(second.SaveScanRecord(kLetter, 3, 2048, 1000, 0xABCD1234u, done, volumeFolder, {}),
              0);
    ASSERT_EQ(NextRun().Records().size(), 2u);
    EXPECT_EQ(Cat().Records()[0].progress.regionLength, 0u);
}

TEST_F(Catalogue, LoneConfigTmpIsTakenAsTheCatalogue) {
    std::vector<uint8_t> saved(8 + 1120 + 100, 0);  // one record and a torn one
    PutLe64(saved.data(), 7);
    PutLe32(saved.data() + 8, 4);
    MakeFile(ScanLog() / "config.tmp");
    WriteWholeFile(ScanLog() / "config.tmp", saved);
    ScanLogCatalogue& catalogue = Cat();
    EXPECT_EQ(catalogue.Counter(), 7u);
    ASSERT_EQ(catalogue.Records().size(), 1u);
    EXPECT_EQ(catalogue.Records()[0].diskNumber, 4u);
    EXPECT_TRUE(fs::exists(ScanLog() / "config"));
    EXPECT_FALSE(fs::exists(ScanLog() / "config.tmp"));

    // Beside a "config", a "config.tmp" is an unfinished save and is not read.
    PutLe64(saved.data(), 9);
    WriteWholeFile(ScanLog() / "config.tmp", saved);
    EXPECT_EQ(NextRun().Counter(), 7u);
}

TEST_F(Catalogue, ChangedFreeSpaceDeletesTheEarlierScan) {
    ScanLogCatalogue& catalogue = Cat();
    catalogue.BeginNewLogFolder();
    fs::path folder = FilledLogFolder(catalogue);
    ASSERT_EQ(catalogue.SaveScanRecord(kLetter, 1, 63, 5000, 42, kProgress, folder, {}), 0);
    ASSERT_TRUE(catalogue.FindVolumeRecord(1, 63, 5000, kLetter, 42));

    SetDriveMount(kLetter, "/");  // now the letter has a free-space figure (a real mount point)
    EXPECT_FALSE(catalogue.FindVolumeRecord(1, 63, 5000, kLetter, 42));
    EXPECT_FALSE(catalogue.Matched());
    EXPECT_TRUE(catalogue.Records().empty());
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(Catalogue, DifferentSerialNumberDeletesTheEarlierScan) {
    ScanLogCatalogue& catalogue = Cat();
    catalogue.BeginNewLogFolder();
    fs::path folder = FilledLogFolder(catalogue);
    ASSERT_EQ(catalogue.SaveScanRecord(kLetter, 1, 63, 5000, 42, kProgress, folder, {}), 0);
    // Another card of the same layout in the same reader.
    EXPECT_FALSE(catalogue.FindVolumeRecord(1, 63, 5000, kLetter, 43));
    EXPECT_TRUE(catalogue.Records().empty());
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(catalogue.CurrentLogFolder(), ScanLog() / "1" / "");
}

TEST_F(Catalogue, ChangedImageTimeDeletesTheEarlierScan) {
    fs::path image = home_ / "card.img";
    MakeFile(image, "image");
    ScanLogCatalogue& catalogue = Cat();
    catalogue.BeginNewLogFolder();
    fs::path folder = FilledLogFolder(catalogue);
    ASSERT_EQ(catalogue.SaveScanRecord(0, kImageDiskNumber, 0, 1, 0, kProgress, folder, image), 0);
    ASSERT_TRUE(catalogue.FindImageRecord(image));
    // The same path compared with other letter case is another file.
    EXPECT_FALSE(catalogue.FindImageRecord(home_ / "CARD.img"));
    EXPECT_TRUE(fs::exists(folder));

    fs::last_write_time(image, fs::last_write_time(image) + std::chrono::seconds(10));
    EXPECT_FALSE(catalogue.FindImageRecord(image));
    EXPECT_TRUE(catalogue.Records().empty());
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(Catalogue, SavingAChangedVolumeIntoItsOwnFolderKeepsTheFolder) {
    ScanLogCatalogue& catalogue = Cat();
    catalogue.BeginNewLogFolder();
    fs::path folder = FilledLogFolder(catalogue);
    ASSERT_EQ(catalogue.SaveScanRecord(kLetter, 1, 63, 5000, 42, kProgress, folder, {}), 0);
    // The serial changed while this folder was being written: the results just written stay.
    ASSERT_EQ(catalogue.SaveScanRecord(kLetter, 1, 63, 5000, 43, kProgress, folder, {}), 0);
    EXPECT_TRUE(fs::exists(folder / "Pro_Fat_0_2015371 5"));
    ASSERT_EQ(catalogue.Records().size(), 1u);
    EXPECT_EQ(catalogue.Records()[0].volumeSerial, 43u);
}

TEST_F(Catalogue, FastScansReuseFolderNumbersOnTheNextRunAndFindThemEmptied) {
    ScanLogCatalogue& first = Cat();
    first.BeginNewLogFolder();
    {
        ScanStore store;
        ASSERT_EQ(store.OpenStore("Fast_0_2015371 5"), 0);
        store.AppendEntry()->id = 1;
    }
    fs::path folder = ScanLog() / "1" / "";
    ASSERT_TRUE(fs::exists(folder / "Fast_0_2015371 5"));

    ScanLogCatalogue& second = NextRun();  // "config" was never written
    EXPECT_EQ(second.Counter(), 0u);
    second.BeginNewLogFolder();
    EXPECT_EQ(second.CurrentLogFolder(), folder);
    EXPECT_FALSE(fs::exists(folder));

    // Once a record is saved the counter survives, and the next run goes on after it.
    MakeFile(folder / "Pro_Fat_0_2015371 5");
    ASSERT_EQ(second.SaveScanRecord(kLetter, 0, 0, 10, 1, kProgress, folder, {}), 0);
    ScanLogCatalogue& third = NextRun();
    third.BeginNewLogFolder();
    EXPECT_EQ(third.CurrentLogFolder(), ScanLog() / "2" / "");
    EXPECT_TRUE(fs::exists(folder / "Pro_Fat_0_2015371 5"));
    third.StepCounterBack();
    EXPECT_EQ(third.Counter(), 1u);
}

TEST_F(Catalogue, DeletesOnlyFoldersStrictlyBelowScanLog) {
    ScanLogCatalogue& catalogue = Cat();
    fs::path outside = home_ / "precious";
    MakeFile(outside / "keep.txt");
    fs::create_directories(ScanLog() / "5");
    fs::create_symlink(outside, ScanLog() / "link");
    MakeFile(ScanLog() / "3" / "store");

    const fs::path refused[] = {
        ScanLog(),
        ScanLog() / "",
        ScanLog() / "3" / ".." / "..",
        ScanLog() / ".." / "ScanLog" / "3",
        outside,
        home_.path(),
        "3",
        ScanLog() / "link" / "keep.txt",  // through a link out of ScanLog
    };
    for (const fs::path& path : refused) {
        EXPECT_EQ(catalogue.DeleteLogFolder(path), kErrorInvalidParameter) << path;
        EXPECT_EQ(catalogue.UseLogFolder(path), kErrorInvalidParameter) << path;
    }
    EXPECT_TRUE(fs::exists(outside / "keep.txt"));
    EXPECT_TRUE(fs::exists(ScanLog() / "3" / "store"));
    EXPECT_TRUE(fs::exists(ScanLog() / "config") || !fs::exists(ScanLog() / "config"));

    // A link inside a log folder is removed, not followed.
    fs::create_symlink(outside, ScanLog() / "5" / "escape");
    EXPECT_EQ(catalogue.DeleteLogFolder(ScanLog() / "5" / ""), 0);
    EXPECT_FALSE(fs::exists(ScanLog() / "5"));
    EXPECT_TRUE(fs::exists(outside / "keep.txt"));
    // The link itself, as the last element, goes without its target.
    EXPECT_EQ(catalogue.DeleteLogFolder(ScanLog() / "link"), 0);
    EXPECT_FALSE(fs::is_symlink(ScanLog() / "link"));
    EXPECT_TRUE(fs::exists(outside / "keep.txt"));
    EXPECT_EQ(catalogue.DeleteLogFolder(ScanLog() / "404"), 0);
}

TEST_F(Catalogue, TamperedRecordNamingAnotherFolderNeverDeletesIt) {
    fs::path outside = home_ / "documents";
    MakeFile(outside / "thesis.odt");
    ScanLogCatalogue& catalogue = Cat();
    // A record whose log folder points out of ScanLog, as a damaged "config" might hold.
    ASSERT_EQ(catalogue.SaveScanRecord(kLetter, 2, 0, 100, 1, kProgress, outside, {}), 0);
    EXPECT_FALSE(NextRun().FindVolumeRecord(2, 0, 100, kLetter, 2));  // mismatch: deletion
    EXPECT_TRUE(fs::exists(outside / "thesis.odt"));
    EXPECT_TRUE(Cat().Records().empty());
}

TEST_F(Catalogue, SaveFailureIsReportedAndTheOldCatalogueStays) {
    ScanLogCatalogue& catalogue = Cat();
    catalogue.BeginNewLogFolder();
    ASSERT_EQ(
        catalogue.SaveScanRecord(kLetter, 1, 0, 10, 1, kProgress, catalogue.CurrentLogFolder(), {}),
        0);
    std::vector<uint8_t> before = ReadWholeFile(ScanLog() / "config");
    fs::create_directory(ScanLog() / "config.tmp");  // the temporary file cannot be made
    catalogue.BeginNewLogFolder();
    EXPECT_NE(
        catalogue.SaveScanRecord(kLetter, 2, 0, 10, 1, kProgress, catalogue.CurrentLogFolder(), {}),
        0);
    EXPECT_EQ(ReadWholeFile(ScanLog() / "config"), before);

    // A path that does not fit its 260-unit field is refused rather than cut.
    fs::remove(ScanLog() / "config.tmp");
    fs::path longPath = ScanLog() / std::string(300, 'n');
    EXPECT_EQ(catalogue.SaveScanRecord(kLetter, 3, 0, 10, 1, kProgress, longPath, {}),
              kErrorFilenameTooLong);
    EXPECT_EQ(ReadWholeFile(ScanLog() / "config"), before);
}

TEST_F(Catalogue, SecondProgramWaitsForTheLockThenStops) {
    fs::create_directories(ScanLog());
    int holder = open((ScanLog() / "keldrin.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    ASSERT_EQ(write(holder, "4242\n", 5), 5);

    ScanLogCatalogue::SetLockWaitForTesting(std::chrono::milliseconds(200));
    auto start = std::chrono::steady_clock::now();
    int32_t error = 0;
    EXPECT_EQ(ScanLogCatalogue::GetCatalogue(&error), nullptr);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_EQ(error, kErrorSharingViolation);
    EXPECT_NE(ScanLogCatalogue::FailureMessage().find("in use by another"), std::string::npos);
    EXPECT_NE(ScanLogCatalogue::FailureMessage().find("4242"), std::string::npos);
    ScanStore store;
    EXPECT_EQ(store.OpenStore("Fast_0_1"), kErrorSharingViolation);

    close(holder);
    EXPECT_NE(ScanLogCatalogue::GetCatalogue(&error), nullptr);
    EXPECT_EQ(error, 0);
}

TEST_F(Catalogue, FindLogFileTakesTheFirstSortedNameAndSkipsDotNames) {
    fs::path folder = ScanLog() / "1";
    for (const char* name :
         {"Pro_Fat_8_2015371 5_Relation", ".Fast_8_hidden", "Pro_Fat_8_2015371 5_DirInfo",
          "Fast_8_2015371 5_DirInfo", "Pro_Fat_8_2015371 5", "Fast_8_2015371 5"}) {
        MakeFile(folder / name);
    }
    std::string name;
    EXPECT_EQ(FindLogFile("Pro_Fat_", &name, folder), 0);
    EXPECT_EQ(name, "Pro_Fat_8_2015371 5");
    EXPECT_EQ(FindLogFile("Fast_", &name, folder), 0);
    EXPECT_EQ(name, "Fast_8_2015371 5");
    EXPECT_EQ(FindLogFile("Pro_Ntfs_", &name, folder), 0);
    EXPECT_TRUE(name.empty());
    EXPECT_NE(FindLogFile("Fast_", &name, folder / "missing"), 0);
}

TEST(VolumeSerial, ReadFromFatAndNtfsBootSectors) {
    std::vector<uint8_t> sector(512, 0);
    EXPECT_EQ(VolumeSerialOf(sector.data(), sector.size()), 0u);
    // FAT12/16: extended boot signature at 0x26, serial at 0x27.
    sector[0x16] = 9;
    sector[0x26] = 0x29;
    PutLe32(&sector[0x27], 0x1234ABCD);
    EXPECT_EQ(VolumeSerialOf(sector.data(), sector.size()), 0x1234ABCDu);
    // FAT32: no 16-bit FAT size, signature at 0x42, serial at 0x43.
    std::fill(sector.begin(), sector.end(), 0);
    sector[0x42] = 0x29;
    PutLe32(&sector[0x43], 0xCAFEF00D);
    EXPECT_EQ(VolumeSerialOf(sector.data(), sector.size()), 0xCAFEF00Du);
    // NTFS: the low half of the 64-bit serial at 0x48.
    std::fill(sector.begin(), sector.end(), 0);
    std::memcpy(&sector[3], "NTFS    ", 8);
    PutLe64(&sector[0x48], 0x1122334455667788ull);
    EXPECT_EQ(VolumeSerialOf(sector.data(), sector.size()), 0x55667788u);
    EXPECT_EQ(VolumeSerialOf(sector.data(), 100), 0u);
}

}  // namespace
}  // namespace keldrin::test
