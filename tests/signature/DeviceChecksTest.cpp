// Checks that read the medium through the context: transport streams, compound documents and
// Open XML packages, on image devices laid out at the byte level.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BlockText.h"
#include "Fixtures.h"
#include "ImageDevice.h"
#include "platform/ByteOrder.h"
#include "signature/FileTypeSignature.h"

namespace keldrin {
namespace {

using test::ImageBuilder;
using test::ImageDevice;

// packets × 188 bytes of a transport stream: sync byte, PID 0x100, payload 0xFF.
std::vector<uint8_t> TransportStream(size_t packets) {
    std::vector<uint8_t> out(packets * 188, 0xFF);
    for (size_t p = 0; p < packets; ++p) {
        uint8_t* packet = out.data() + p * 188;
        packet[0] = 0x47;
        packet[1] = 0x41;
        packet[2] = 0x00;
        packet[3] = uint8_t(0x10 | (p & 0x0F));
    }
    return out;
}

TEST(TransportStreamCheck, NeedsTwentyTwoPacketsOnTheMedium) {
    ImageBuilder image;
    image.Place(8, TransportStream(22));
    image.Place(40, TransportStream(21));
    image.Reserve(80);
    ImageDevice medium(image.bytes());
    ASSERT_TRUE(medium.open());
    EXPECT_EQ(medium.IdentifyAt(8).typeId, 20);
    EXPECT_STREQ(medium.IdentifyAt(8).row->extension, "ts");
    // The block itself (packets at 0, 188, 376) is fine, but the 22nd packet is missing.
    EXPECT_EQ(medium.IdentifyAt(40).typeId, kNoMatchType);
}

TEST(TransportStreamCheck, ABrokenPacketInTheFirst4096BytesRejects) {
    ImageBuilder image;
    std::vector<uint8_t> stream = TransportStream(30);
    stream[21 * 188] = 0x46;  // the last packet tested
    image.Place(0, stream);
    std::vector<uint8_t> inBlock = TransportStream(30);
    inBlock[2 * 188] = 0x00;  // a packet start inside the first sector
    image.Place(20, inBlock);
    image.Reserve(60);
    ImageDevice medium(image.bytes());
    EXPECT_EQ(medium.IdentifyAt(0).typeId, kNoMatchType);
    EXPECT_EQ(medium.IdentifyAt(20).typeId, kNoMatchType);
}

TEST(TransportStreamCheck, ContinuationOfAStreamFoundBeforeIsNotANewStream) {
    // 188 and 512 meet every 47 sectors: sector 8 + 47 starts a packet again, and the sector
    // before it ends with packets of the same stream.
    ImageBuilder image;
    image.Place(8, TransportStream(47 * 512 / 188 * 2));
    image.Reserve(200);
    ImageDevice medium(image.bytes());
    const uint64_t later = 8 + 47;
    EXPECT_EQ(medium.IdentifyAt(later, /*tsContinuation=*/false).typeId, 20);
    EXPECT_EQ(medium.IdentifyAt(later, /*tsContinuation=*/true).typeId, kNoMatchType);
    // The stream's own first sector follows zeros: not a continuation.
    EXPECT_EQ(medium.IdentifyAt(8, /*tsContinuation=*/true).typeId, 20);
}

TEST(TransportStreamCheck, AStreamAtSectorZeroHasNothingBeforeIt) {
    ImageBuilder image;
    image.Place(0, TransportStream(40));
    image.Reserve(64);
    ImageDevice medium(image.bytes());
    EXPECT_EQ(medium.IdentifyAt(0, /*tsContinuation=*/true).typeId, 20);
}

TEST(TransportStreamCheck, AHitInsideARecordedRegionIsNotANewStream) {
    ImageBuilder image;
    image.Place(8, TransportStream(40));
    image.Reserve(64);
    ImageDevice medium(image.bytes());
    SignatureContext& context = GetSignatureContext();
    const std::vector<uint8_t> block = medium.Sector(8);
    struct Case {
        uint64_t first, last;
        int32_t type;
    } cases[] = {{0, 7, 20}, {9, 100, 20}, {8, 8, kNoMatchType}, {0, 100, kNoMatchType}};
    for (const Case& c : cases) {
        for (bool continuation : {false, true}) {
            medium.Aim(8, continuation);
            context.tsRegions = {{c.first, c.last}};
            EXPECT_EQ(IdentifyBlock(block.data(), 512).typeId, c.type)
                << c.first << ".." << c.last << " continuation " << continuation;
        }
    }
    context.tsRegions.clear();
}

// A compound file: header sector with the first directory sector number d, the sector after the
// header, and the directory d sectors after that one.
struct CompoundFile {
    std::vector<uint8_t> header = test::BlockFromText("0:D0 CF 11 E0 A1 B1 1A E1");
    std::vector<uint8_t> firstData = test::PseudoRandomBytes(512, 7);
    std::vector<uint8_t> directory = std::vector<uint8_t>(512, 0);
    uint32_t directorySector = 2;

    void Entry(int index, const std::string& name, uint8_t type, const std::string& classId = "") {
        uint8_t* entry = directory.data() + 128 * index;
        for (size_t i = 0; i < name.size(); ++i) PutLe16(entry + 2 * i, uint8_t(name[i]));
        PutLe16(entry + 64, uint16_t(2 * (name.size() + 1)));
        entry[66] = type;
        if (!classId.empty()) {
            std::vector<uint8_t> id = test::BlockFromText("0:" + classId, 16);
            std::copy(id.begin(), id.end(), entry + 80);
        }
    }
    std::vector<uint8_t> Bytes() {
        PutLe32(header.data() + 48, directorySector);
        std::vector<uint8_t> out(size_t(directorySector + 2) * 512, 0);
        std::copy(header.begin(), header.end(), out.begin());
        std::copy(firstData.begin(), firstData.end(), out.begin() + 512);
        std::copy(directory.begin(), directory.end(),
                  out.begin() + std::ptrdiff_t(512 * (directorySector + 1)));
        return out;
    }
};

constexpr const char* kWordClass = "06 09 02 00 00 00 00 00 C0 00 00 00 00 00 00 46";
constexpr const char* kExcelClass = "20 08 02 00 00 00 00 00 C0 00 00 00 00 00 00 46";
constexpr const char* kExcel5Class = "10 08 02 00 00 00 00 00 C0 00 00 00 00 00 00 46";
constexpr const char* kPowerPointClass = "10 8D 81 64 9B 4F CF 11 86 EA 00 AA 00 B9 29 E8";

int32_t SniffedType(CompoundFile& file, uint64_t at = 5) {
    ImageBuilder image;
    image.Place(at, file.Bytes());
    image.Reserve(at + 64);
    ImageDevice medium(image.bytes());
    return medium.IdentifyAt(at).typeId;
}

TEST(CompoundDocumentCheck, FirstDataSectorNamesWordAndExcel) {
    CompoundFile word;
    test::PatchBlock(word.firstData, "0:EC A5 C1 00");
    EXPECT_EQ(SniffedType(word), 0);
    CompoundFile excel;
    test::PatchBlock(excel.firstData, "0:09 08 10 00 00 06 05 00");
    EXPECT_EQ(SniffedType(excel), 3);
    CompoundFile biff5;  // a BIFF5 beginning of file is not taken for Excel 97
    test::PatchBlock(biff5.firstData, "0:09 08 08 00 00 05 05 00");
    EXPECT_EQ(SniffedType(biff5), 2);
}

TEST(CompoundDocumentCheck, RootClassIdNamesTheKind) {
    struct Case {
        const char* classId;
        int32_t type;
    } cases[] = {{kWordClass, 0},
                 {kExcelClass, 3},
                 {kExcel5Class, 3},
                 {kPowerPointClass, 5},
                 {"00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00", 2}};
    for (const Case& c : cases) {
        CompoundFile file;
        file.Entry(0, "Root Entry", 5, c.classId);
        EXPECT_EQ(SniffedType(file), c.type) << c.classId;
    }
}

TEST(CompoundDocumentCheck, StreamNamesNameTheKindIgnoringCase) {
    struct Case {
        const char* stream;
        int32_t type;
    } cases[] = {{"WordDocument", 0}, {"WORDDOCUMENT", 0},        {"Workbook", 3},
                 {"Wordbook", 3},     {"PowerPoint Document", 5}, {"powerpoint document", 5},
                 {"Contents", 2},     {"PowerPoint", 2},          {"Word", 2}};
    for (const Case& c : cases) {
        CompoundFile file;
        file.Entry(0, "Root Entry", 5);
        file.Entry(1, "\x05SummaryInformation", 2);
        file.Entry(2, c.stream, 2);
        EXPECT_EQ(SniffedType(file), c.type) << c.stream;
    }
}

TEST(CompoundDocumentCheck, AnswersForTheFirstEntryInDirectoryOrder) {
    CompoundFile file;
    file.Entry(0, "Root Entry", 5);
    file.Entry(1, "PowerPoint Document", 2);
    file.Entry(2, "WordDocument", 2);
    EXPECT_EQ(SniffedType(file), 5);
}

TEST(CompoundDocumentCheck, UnreadableDirectoryGivesAnUnknownCompoundFile) {
    CompoundFile file;
    file.directorySector = 2;
    std::vector<uint8_t> bytes = file.Bytes();
    PutLe32(bytes.data() + 48, 0xFFFFFFFE);  // end-of-chain instead of a sector
    ImageBuilder image;
    image.Place(5, bytes);
    image.Reserve(64);
    ImageDevice medium(image.bytes());
    EXPECT_EQ(medium.IdentifyAt(5).typeId, 2);
    EXPECT_STREQ(FindSignatureByType(2)->extension, "ole");
}

TEST(CompoundDocumentCheck, HeaderCutBeforeTheDirectoryFieldGivesAnUnknownCompoundFile) {
    CompoundFile file;
    file.Entry(0, "Root Entry", 5, kWordClass);
    ImageBuilder image;
    image.Place(5, file.Bytes());
    image.Reserve(64);
    ImageDevice medium(image.bytes());
    medium.Aim(5);
    const std::vector<uint8_t> header = medium.Sector(5);
    std::vector<uint8_t> cut(header.begin(), header.begin() + 40);
    EXPECT_EQ(IdentifyBlock(cut.data(), 40).typeId, 2);
    EXPECT_EQ(IdentifyBlock(header.data(), 512).typeId, 0);
}

TEST(CompoundDocumentCheck, TheDocRowAnswersAndTheTypeNamesTheFile) {
    CompoundFile excel;
    test::PatchBlock(excel.firstData, "0:09 08 10 00 00 06 05 00");
    ImageBuilder image;
    image.Place(5, excel.Bytes());
    image.Reserve(64);
    ImageDevice medium(image.bytes());
    const SignatureHit hit = medium.IdentifyAt(5);
    ASSERT_NE(hit.row, nullptr);
    EXPECT_STREQ(hit.row->extension, "doc");
    EXPECT_EQ(hit.typeId, 3);
    EXPECT_STREQ(FindSignatureByType(hit.typeId)->extension, "xls");
    EXPECT_EQ(FindSignatureByType(hit.typeId)->sizeRule, FindSignatureByExtension("xls")->sizeRule);
}

// A ZIP archive written by Python's zipfile: entries in the given order, stored or deflated.
std::vector<uint8_t> Zip(const std::vector<std::pair<std::string, std::string>>& entries,
                         bool stored) {
    test::TempDir dir;
    std::string script = "import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1],'w'," +
                         std::string(stored ? "zipfile.ZIP_STORED" : "zipfile.ZIP_DEFLATED") +
                         ")\n";
    for (const auto& [name, content] : entries) {
        script += "z.writestr(" + std::string("'") + name + "', " + content + ")\n";
    }
    script += "z.close()\n";
    test::WriteWholeFile(dir / "make.py", std::vector<uint8_t>(script.begin(), script.end()));
    const auto out = dir / "out.zip";
    EXPECT_TRUE(test::RunOrFail("$(command -v /usr/bin/python3 || command -v python3) " +
                                test::ShellQuote((dir / "make.py").string()) + " " +
                                test::ShellQuote(out.string())));
    return test::ReadWholeFile(out);
}

int32_t PackageType(const std::vector<uint8_t>& file, uint64_t at = 3) {
    ImageBuilder image;
    image.Place(at, file);
    image.Reserve(at + 64);
    ImageDevice medium(image.bytes());
    return medium.IdentifyAt(at).typeId;
}

TEST(OpenXmlCheck, PartNamesNameThePackage) {
    struct Case {
        const char* part;
        int32_t type;
    } cases[] = {{"word/document.xml", 1}, {"Word/document.xml", 1}, {"ppt/presentation.xml", 6},
                 {"xl/workbook.xml", 4},   {"XL/workbook.xml", 4},   {"readme.txt", 35}};
    for (const Case& c : cases) {
        const auto zip = Zip({{"[Content_Types].xml", "'<Types/>'"}, {c.part, "'<x/>'"}}, false);
        EXPECT_EQ(PackageType(zip), c.type) << c.part;
    }
}

TEST(OpenXmlCheck, PartNamesAreFoundUpToTwentySectors) {
    // A stored first part pushes the second one's header into a later window.
    const auto inSecondWindow =
        Zip({{"media/image1.bin", "bytes(3000)"}, {"word/document.xml", "'<w/>'"}}, true);
    EXPECT_EQ(PackageType(inSecondWindow), 1);
    const auto inLastWindow =
        Zip({{"media/image1.bin", "bytes(9800)"}, {"ppt/slides/slide1.xml", "'<p/>'"}}, true);
    EXPECT_EQ(PackageType(inLastWindow), 6);
    // Past 20 sectors only the central directory would tell: a plain ZIP then.
    const auto tooFar =
        Zip({{"media/image1.bin", "bytes(12000)"}, {"xl/workbook.xml", "'<x/>'"}}, true);
    EXPECT_EQ(PackageType(tooFar), 35);
}

TEST(OpenXmlCheck, HeadersAfterTheEndOfTheCentralDirectoryBelongToAnotherFile) {
    // A small plain archive, then a package in the very next sector: the package's part names lie
    // after the plain archive's end record in the same window.
    const auto plain = Zip({{"a.txt", "'hello'"}}, false);
    const auto package = Zip({{"word/document.xml", "'<w/>'"}}, false);
    ASSERT_LT(plain.size(), 512u);
    ImageBuilder image;
    image.Place(3, plain);
    image.Place(4, package);
    image.Reserve(64);
    ImageDevice medium(image.bytes());
    EXPECT_EQ(medium.IdentifyAt(3).typeId, 35);
    EXPECT_EQ(medium.IdentifyAt(4).typeId, 1);
}

TEST(OpenXmlCheck, ContentTypesNameAt31StartsTheSniffer) {
    // A local header whose name begins one byte late still reaches the sniffer through the name.
    std::vector<uint8_t> block = test::BlockFromText("31:'[Content_Types].xml'");
    test::PatchBlock(block, "200:'PK' 03 04; 230:'ppt/presentation.xml'");
    EXPECT_EQ(PackageType(block), 6);
}

TEST(MatchesExtension, KindsOutsideTheTableAlwaysMatch) {
    EXPECT_EQ(MatchesExtension(nullptr, 0, "txt", nullptr, 512, 0), 1);
    EXPECT_EQ(MatchesExtension(nullptr, 0, "", nullptr, 512, 0), 1);
}

TEST(MatchesExtension, JudgesTheBlockAgainstTheRowOfThatExtension) {
    const std::vector<uint8_t> dqt = test::BlockFromText("0:FF D8 FF DB 00 43 00");
    const std::vector<uint8_t> dll =
        test::BlockFromText("0:'MZ'; 60:80 00 00 00; 0x80:'PE' 00 00; 0x96:02 21");
    struct Case {
        const std::vector<uint8_t>* block;
        const char* extension;
        int32_t answer;
    } cases[] = {{&dqt, "jpg", 1}, {&dqt, "JPEG", 1}, {&dqt, "png", 0},  {&dll, "dll", 1},
                 {&dll, "exe", 0}, {&dll, "sys", 0},  {&dqt, "mso07", 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesExtension(c.block->data(), 512, c.extension, nullptr, 512, 0), c.answer)
            << c.extension;
    }
}

TEST(MatchesExtension, ReadsTheMediumAtTheGivenSector) {
    CompoundFile excel;
    test::PatchBlock(excel.firstData, "0:09 08 10 00 00 06 05 00");
    ImageBuilder image;
    image.Place(9, excel.Bytes());
    image.Place(30, TransportStream(47 * 512 / 188 * 2));
    image.Reserve(200);
    ImageDevice medium(image.bytes());
    const std::vector<uint8_t> header = medium.Sector(9);
    EXPECT_EQ(MatchesExtension(header.data(), 512, "xls", medium.device(), 512, 9), 1);
    EXPECT_EQ(MatchesExtension(header.data(), 512, "doc", medium.device(), 512, 9), 0);
    EXPECT_EQ(MatchesExtension(header.data(), 512, "ole", medium.device(), 512, 9), 0);
    // Without the medium the compound file is of no known kind.
    EXPECT_EQ(MatchesExtension(header.data(), 512, "ole", nullptr, 512, 9), 1);
    const SignatureContext& context = GetSignatureContext();
    EXPECT_EQ(context.hitSector, 9u);
    EXPECT_EQ(context.cursorSector, 9u);

    // A content check is never a continuation of a scan's stream.
    const uint64_t later = 30 + 47;
    GetSignatureContext().tsContinuation = true;
    const std::vector<uint8_t> packets = medium.Sector(later);
    EXPECT_EQ(MatchesExtension(packets.data(), 512, "ts", medium.device(), 512, later), 1);
    EXPECT_FALSE(context.tsContinuation);
    EXPECT_EQ(context.device, medium.device());
}

}  // namespace
}  // namespace keldrin
