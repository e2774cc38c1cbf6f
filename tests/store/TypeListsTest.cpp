#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "StoreFixture.h"
#include "engine/ScanStore.h"

namespace keldrin::test {
namespace {

TEST(ScanLogName, StartSectorThenUnpaddedDateAndATwoPlaceMinute) {
    std::tm when{};
    when.tm_year = 2015 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 7;
    when.tm_hour = 14;
    when.tm_min = 5;
    EXPECT_EQ(MakeScanLogName(kFastLogPrefix, 8192, when), "Fast_8192_20153714 5");
    when.tm_mon = 11;
    when.tm_mday = 25;
    when.tm_hour = 9;
    when.tm_min = 42;
    EXPECT_EQ(MakeScanLogName(kFileTypeLogPrefix, 0, when), "File_Type_0_20151225942");
    EXPECT_EQ(MakeScanLogName(kProNtfsLogPrefix, 4294967296ull, when),
              "Pro_Ntfs_4294967296_20151225942");
    EXPECT_EQ(MakeScanLogName(kProFatLogPrefix, 63).rfind("Pro_Fat_63_", 0), 0u);
}

TEST(ImageEntry, ExtensionIsAPlainSubstringOfTheImageList) {
    struct Case {
        const char* name;
        bool image;
    };
    for (Case c : {Case{"a.JPG", true}, Case{"x.jpeg", true}, Case{"x.b", true}, Case{"x.p", true},
                   Case{"song.mp3", false}, Case{"README", false}, Case{"backup.tar.gz", false},
                   Case{"trailing.", false}, Case{"photo.jpg.txt", false}}) {
        EXPECT_EQ(IsImageEntry(MakeEntry(1, c.name)), c.image) << c.name;
    }
}

}  // namespace
}  // namespace keldrin::test
