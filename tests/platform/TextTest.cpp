#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace keldrin {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += char(v);
    return out;
}

std::vector<uint8_t> Utf16Le(std::initializer_list<char16_t> units) {
    std::vector<uint8_t> out;
    for (char16_t u : units) {
        out.push_back(uint8_t(u & 0xFF));
        out.push_back(uint8_t(u >> 8));
    }
    return out;
}

TEST(CutAtCharBoundary, NeverSplitsAMultiByteCharacter) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xB7z";  // a é € 📷 z
    struct Case {
        size_t maxBytes;
        size_t kept;
    } cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 3},   {4, 3},   {5, 3},
                 {6, 6}, {7, 6}, {9, 6}, {10, 10}, {11, 11}, {50, 11}};
    for (const auto& c : cases) {
        EXPECT_EQ(CutAtCharBoundary(text, c.maxBytes), text.substr(0, c.kept))
            << "max " << c.maxBytes;
    }
}

TEST(CopyToField, CutsAtABoundaryAndZeroFillsTheRest) {
    char field[6];
    std::memset(field, 'X', sizeof field);
    CopyToField(field, sizeof field, "ab\xE2\x82\xAC\xE2\x82\xAC");  // "ab€€": 8 bytes
    EXPECT_EQ(std::string(field, 6), Bytes({'a', 'b', 0xE2, 0x82, 0xAC, 0}));
    std::memset(field, 'X', sizeof field);
    CopyToField(field, sizeof field, "abcd\xC3\xA9");  // é would need bytes 4 and 5
    EXPECT_EQ(std::string(field, 6), std::string("abcd\0\0", 6));
    CopyToField(field, sizeof field, "hi");
    EXPECT_EQ(std::string(field, 6), std::string("hi\0\0\0\0", 6));
    CopyToField(field, 0, "untouched");
}

TEST(AsciiCase, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(AsciiLower("IMG_0001.JPG \xC3\x89"), "img_0001.jpg \xC3\x89");
    EXPECT_TRUE(EqualsIgnoreAsciiCase("DCIM", "dcim"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("\xC3\x89", "\xC3\xA9")) << "É and é are not ASCII";
    EXPECT_FALSE(EqualsIgnoreAsciiCase("abc", "abcd"));
    EXPECT_LT(CompareIgnoreAsciiCase("abc", "ABD"), 0);
    EXPECT_GT(CompareIgnoreAsciiCase("abd", "ABC"), 0);
    EXPECT_LT(CompareIgnoreAsciiCase("ab", "ABC"), 0);
    EXPECT_EQ(CompareIgnoreAsciiCase("Zip", "zIP"), 0);
    EXPECT_GT(CompareIgnoreAsciiCase("\xC3", "z"), 0) << "bytes compare unsigned";
}

TEST(Extensions, LowerCasedExtensionIsAPlainSubstringOfTheList) {
    const std::string video = "*.mp4|*.mts|*.avi";
    struct Case {
        const char* name;
        const char* list;
        bool expected;
    } cases[] = {
        {"clip.MP4", "*.mp4|*.mts|*.avi", true},
        {"clip.ts", "*.mp4|*.mts|*.avi", true},  // "ts" is inside "*.mts"
        {"clip.m", "*.mp4|*.mts|*.avi", true},
        {"photo.jpg", "*.jpeg|*.png", false},
        {"photo.jpe", "*.jpeg|*.png", true},
        {"noextension", "*.mp4", false},
        {"trailingdot.", "*.mp4", false},
        {"archive.tar.GZ", "*.gz|*.zip", true},
        {"folder.avi/file", "*.avi", false},  // a dot in a folder is not the file's
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtensionInList(ExtensionOf(c.name), c.list), c.expected) << c.name;
    }
    EXPECT_EQ(ExtensionOf("a.b.JPG"), "JPG");
    EXPECT_EQ(ExtensionOf(".profile"), "profile");
    EXPECT_EQ(ExtensionOf("DCIM\\100MEDIA.X\\IMG"), "");
}

TEST(Utf16, UnpairedSurrogatesBecomeReplacementCharacters) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        std::vector<uint8_t> units;
        std::string expected;
    } cases[] = {
        {Utf16Le({u'A', 0x00E9, 0x20AC}), "A\xC3\xA9\xE2\x82\xAC"},
        {Utf16Le({0xD83D, 0xDCF7}), "\xF0\x9F\x93\xB7"},  // 📷 as a pair
        {Utf16Le({0xD83D}), fffd},                        // high at the end
        {Utf16Le({0xD83D, u'x'}), fffd + "x"},            // high then a plain unit
        {Utf16Le({0xDCF7, u'x'}), fffd + "x"},            // lone low
        {Utf16Le({0xDCF7, 0xD83D}), fffd + fffd},         // reversed pair
        {Utf16Le({0xD83D, 0xD83D, 0xDCF7}), fffd + "\xF0\x9F\x93\xB7"},
        {Utf16Le({0x0000, u'a'}), std::string("\0a", 2)},
        {Utf16Le({0xFFFF}), "\xEF\xBF\xBF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf16LeToUtf8(c.units.data(), c.units.size() / 2), c.expected);
    }
    std::u16string pair = {char16_t(0xD83D), char16_t(0xDCF7)};
    EXPECT_EQ(Utf16ToUtf8(pair), "\xF0\x9F\x93\xB7");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), fffd);
}

TEST(Utf16, Utf8RoundTripsAndMalformedBytesBecomeReplacements) {
    const std::string text = "Fotos/\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7.jpg";
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x93\xB7"),
              std::u16string({char16_t(0xD83D), char16_t(0xDCF7)}));
    struct Case {
        std::string utf8;
        std::u16string expected;
    } cases[] = {
        {"a\xFF"
         "b",
         u"a\uFFFDb"},
        {"\xC3", u"\uFFFD"},                                // truncated sequence
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong "/"
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.utf8), c.expected);
}

TEST(Cp437, MapsEveryByteAsTheCodePageDefines) {
    EXPECT_EQ(Cp437ToUtf8("A~ "), "A~ ");
    EXPECT_EQ(Cp437ToUtf8(Bytes({0x80})), "\xC3\x87");      // Ç
    EXPECT_EQ(Cp437ToUtf8(Bytes({0x9E})), "\xE2\x82\xA7");  // ₧
    EXPECT_EQ(Cp437ToUtf8(Bytes({0xE1})), "\xC3\x9F");      // ß
    EXPECT_EQ(Cp437ToUtf8(Bytes({0xE6})), "\xC2\xB5");      // µ
    EXPECT_EQ(Cp437ToUtf8(Bytes({0xC9})), "\xE2\x95\x94");  // ╔
    EXPECT_EQ(Cp437ToUtf8(Bytes({0xFF})), "\xC2\xA0");      // no-break space
    EXPECT_EQ(Cp437ToUtf8(Bytes({0x41, 0x94, 0x42})),
              "A\xC3\xB6"
              "B");

    // The whole upper half against the C library's converter, where it has the code page.
    iconv_t cd = iconv_open("UTF-8", "CP437");
    if (cd == iconv_t(-1)) GTEST_SKIP() << "no CP437 converter installed";
    for (int b = 0x80; b <= 0xFF; ++b) {
        char in[1] = {char(b)};
        char out[8] = {};
        char* inPtr = in;
        char* outPtr = out;
        size_t inLeft = 1, outLeft = sizeof out;
        ASSERT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), size_t(-1));
        EXPECT_EQ(Cp437ToUtf8(std::string(1, char(b))), std::string(out, sizeof out - outLeft))
            << "byte " << b;
    }
    iconv_close(cd);
}

}  // namespace
}  // namespace keldrin
