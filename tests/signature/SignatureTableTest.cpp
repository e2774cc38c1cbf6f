// The table's order and the lookups by type and extension.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "signature/FileTypeSignature.h"

namespace keldrin {
namespace {

TEST(SignatureTable, RowsStandInTheirOrderAndEndWithTheTerminator) {
    const char* expected =
        "mpeg:15 mpg:15 vob:15 mp4:18 rmvb:23 rm:23 wmv:24 asf:24 wma:24 swf:26 avi:22 flv:27 "
        "3gp:16 mkv:19 ts:20 mts:47 mxf:48 mp3:12 mid:13 ape:25 wav:21 mov:17 mp2:11 mmf:14 "
        "gif:31 bmp:29 dib:29 jpg:10 jpeg:10 jpe:10 jfif:10 png:30 psd:28 tif:32 tiff:32 ico:46 "
        "doc:0 dot:0 wps:0 wpt:0 xls:3 xlt:3 xla:3 et:3 ett:3 ppt:5 pot:5 pps:5 dps:5 dpt:5 ole:2 "
        "docx:1 docm:1 dotm:1 dotx:1 xlsx:4 xlsb:4 xlsm:4 xlam:4 xltx:4 xltm:4 pptx:6 pptm:6 "
        "potx:6 potm:6 ppsx:6 ppsm:6 mso07:7 pdf:8 gz:36 gzip:36 7z:34 zip:35 rar:37 cab:33 "
        "exe:41 dll:42 sys:43 gho:9 db:39 dbx:40 pst:38 fla:44 ttf:45";
    const FileTypeSignature* table = SignatureTable();
    ASSERT_EQ(SignatureTableSize(), 84u);
    std::string actual;
    for (size_t i = 0; i < SignatureTableSize(); ++i) {
        ASSERT_NE(table[i].extension, nullptr) << i;
        ASSERT_NE(table[i].check, nullptr) << i;
        if (!actual.empty()) actual += ' ';
        actual += std::string(table[i].extension) + ":" + std::to_string(table[i].typeId);
    }
    EXPECT_EQ(actual, expected);
    const FileTypeSignature& end = table[SignatureTableSize()];
    EXPECT_EQ(end.extension, nullptr);
    EXPECT_EQ(end.typeId, kNoMatchType);
    EXPECT_EQ(end.check, nullptr);
    EXPECT_EQ(end.sizeRule, nullptr);
}

TEST(SignatureTable, OnlyExecutablesAndDiskImagesHaveNoSizeRule) {
    std::string withoutRule;
    for (size_t i = 0; i < SignatureTableSize(); ++i) {
        if (!SignatureTable()[i].sizeRule)
            withoutRule += std::string(SignatureTable()[i].extension) + " ";
    }
    EXPECT_EQ(withoutRule, "exe dll sys gho ");
}

TEST(SignatureTable, RowsSharingATypeShareCheckAndRule) {
    const FileTypeSignature* table = SignatureTable();
    for (size_t i = 0; i < SignatureTableSize(); ++i) {
        const FileTypeSignature* first = FindSignatureByType(table[i].typeId);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->check, table[i].check) << table[i].extension;
        EXPECT_EQ(first->sizeRule, table[i].sizeRule) << table[i].extension;
    }
}

TEST(SignatureTable, FindByTypeGivesTheFirstRowOfThatType) {
    struct Case {
        int32_t type;
        const char* extension;
    } cases[] = {{15, "mpeg"}, {10, "jpg"}, {0, "doc"},  {3, "xls"},   {5, "ppt"}, {2, "ole"},
                 {1, "docx"},  {4, "xlsx"}, {6, "pptx"}, {7, "mso07"}, {36, "gz"}, {29, "bmp"},
                 {32, "tif"},  {42, "dll"}, {45, "ttf"}, {47, "mts"},  {20, "ts"}};
    for (const Case& c : cases) {
        const FileTypeSignature* row = FindSignatureByType(c.type);
        ASSERT_NE(row, nullptr) << c.type;
        EXPECT_STREQ(row->extension, c.extension);
    }
    EXPECT_EQ(FindSignatureByType(kNoMatchType), nullptr);
    EXPECT_EQ(FindSignatureByType(50), nullptr);
    EXPECT_EQ(FindSignatureByType(-1), nullptr);
}

TEST(SignatureTable, FindByExtensionIgnoresCaseAndNeedsTheWholeName) {
    struct Case {
        const char* asked;
        const char* found;  // null: no row
        int32_t type;
    } cases[] = {{"jpg", "jpg", 10},    {"JPG", "jpg", 10},  {"JpEg", "jpeg", 10},
                 {"ts", "ts", 20},      {"MTS", "mts", 47},  {"xls", "xls", 3},
                 {"Mso07", "mso07", 7}, {"7Z", "7z", 34},    {"jp", nullptr, 0},
                 {"jpgx", nullptr, 0},  {"txt", nullptr, 0}, {"", nullptr, 0},
                 {".jpg", nullptr, 0},  {"jpg ", nullptr, 0}};
    for (const Case& c : cases) {
        const FileTypeSignature* row = FindSignatureByExtension(c.asked);
        if (!c.found) {
            EXPECT_EQ(row, nullptr) << c.asked;
            continue;
        }
        ASSERT_NE(row, nullptr) << c.asked;
        EXPECT_STREQ(row->extension, c.found);
        EXPECT_EQ(row->typeId, c.type);
    }
}

TEST(SignatureContext, IsOneObjectWithAScratchBufferForTheWholeProcess) {
    SignatureContext& a = GetSignatureContext();
    SignatureContext& b = GetSignatureContext();
    EXPECT_EQ(&a, &b);
    ASSERT_NE(a.scratch, nullptr);
    EXPECT_EQ(SignatureContext::kScratchSize, 65536u);
    // The whole buffer is usable (ASan reports an overflow if it is smaller).
    std::memset(a.scratch, 0xA5, SignatureContext::kScratchSize);
    EXPECT_EQ(a.scratch[SignatureContext::kScratchSize - 1], 0xA5);
    EXPECT_EQ(GetSignatureContext().scratch, a.scratch);
}

}  // namespace
}  // namespace keldrin
