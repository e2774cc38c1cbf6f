// Header checks at the byte level: the bytes each check tests, one case per rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BlockText.h"
#include "ImageDevice.h"
#include "signature/FileTypeSignature.h"

namespace keldrin {
namespace {

using test::BlockFromText;

struct ByteCase {
    const char* name;
    const char* bytes;      // see BlockText.h
    const char* extension;  // the name the file gets, "" for no match
};

// The extension a hit is named with: the first row of the answered type.
std::string NameOf(const SignatureHit& hit) {
    if (hit.typeId == kNoMatchType) return "";
    const FileTypeSignature* row = FindSignatureByType(hit.typeId);
    return row ? row->extension : "?";
}

constexpr const char* kPe = "0:'MZ'; 60:80 00 00 00; 0x80:'PE' 00 00";

const ByteCase kCases[] = {
    // ID3v2 tag header rules.
    {"Id3v23Tag", "0:'ID3' 03 00 00 00 00 0A", "mp3"},
    {"Id3FlagsAbcAllowed", "0:'ID3' 04 00 E0 00 00 01 7F", "mp3"},
    {"Id3MajorVersionFF", "0:'ID3' FF 00 00 00 00 0A", ""},
    {"Id3RevisionFF", "0:'ID3' 03 FF 00 00 00 0A", ""},
    {"Id3UndefinedFlagBit", "0:'ID3' 03 00 01 00 00 0A", ""},
    {"Id3SizeNotSyncsafe", "0:'ID3' 03 00 00 00 80 0A", ""},
    {"Id3LastSizeByteNotSyncsafe", "0:'ID3' 03 00 00 00 00 80", ""},
    // MIDI header chunk.
    {"MidiHeader", "0:'MThd' 00 00 00 06 00 01 00 02 01 E0 'MTrk'", "mid"},
    {"MidiHeaderLength7", "0:'MThd' 00 00 00 07 00 01 00 02 01 E0 'MTrk'", ""},
    {"MidiWithoutTrack", "0:'MThd' 00 00 00 06 00 01 00 02 01 E0 'XTrk'", ""},
    // MPEG program stream and elementary stream starts.
    {"MpegPackThenSystemHeader", "0:00 00 01 BA 44 00 04 00 04 01 01 89 C3 F8; 14:00 00 01 BB",
     "mpeg"},
    {"MpegSystemHeaderAt28", "0:00 00 01 BA; 28:00 00 01 BB", "mpeg"},
    {"MpegSystemHeaderPast32", "0:00 00 01 BA; 29:00 00 01 BB", ""},
    {"MpegPackAlone", "0:00 00 01 BA 44 00 04 00 04 01", ""},
    {"MpegSequenceThenGroup", "0:00 00 01 B3 02 00 20 13 FF FF E0 18; 12:00 00 01 B8", "mpeg"},
    {"MpegSequenceAlone", "0:00 00 01 B3 02 00 20 13 FF FF E0 18", ""},
    // JPEG: start of image, then an opening marker with a segment length.
    {"JpegJfif", "0:FF D8 FF E0 00 10 'JFIF' 00", "jpg"},
    {"JpegExif", "0:FF D8 FF E1 1F FE 'Exif' 00 00", "jpg"},
    {"JpegQuantisationFirst", "0:FF D8 FF DB 00 43 00", "jpg"},
    {"JpegHuffmanFirst", "0:FF D8 FF C4 00 1F 00", "jpg"},
    {"JpegBaselineFrameFirst", "0:FF D8 FF C0 00 11 08", "jpg"},
    {"JpegProgressiveFrameFirst", "0:FF D8 FF C2 00 11 08", "jpg"},
    {"JpegCommentFirst", "0:FF D8 FF FE 00 10 'Lavc'", "jpg"},
    {"JpegIccProfileFirst", "0:FF D8 FF E2 0C 58 'ICC_PROFILE'", "jpg"},
    {"JpegApp0WithoutJfif", "0:FF D8 FF E0 00 10 'AVI1'", "jpg"},
    {"JpegReservedC8", "0:FF D8 FF C8 00 10", ""},
    {"JpegArithmeticCodingCC", "0:FF D8 FF CC 00 10", ""},
    {"JpegRestartIntervalFirst", "0:FF D8 FF DD 00 04", ""},
    {"JpegEndOfImage", "0:FF D8 FF D9 00 00", ""},
    {"JpegSegmentLength1", "0:FF D8 FF DB 00 01", ""},
    {"JpegSegmentLength0", "0:FF D8 FF DB 00 00", ""},
    {"JpegFillByte", "0:FF D8 FF FF DB 00", ""},
    // Bitmaps: only the 40-byte info header.
    {"Bitmap40", "0:'BM' 36 04 00 00 00 00 00 00 36 00 00 00 28 00 00 00", "bmp"},
    {"BitmapArray40", "0:'BA' 36 04 00 00 00 00 00 00 36 00 00 00 28 00 00 00", "bmp"},
    {"BitmapV4Header108", "0:'BM' 36 04 00 00 00 00 00 00 7A 00 00 00 6C 00 00 00", ""},
    {"BitmapV5Header124", "0:'BM' 36 04 00 00 00 00 00 00 8A 00 00 00 7C 00 00 00", ""},
    {"BitmapReservedSet", "0:'BM' 36 04 00 00 01 00 00 00 36 00 00 00 28 00 00 00", ""},
    // Executable images and their characteristics.
    {"PeExecutable", "0:'MZ'; 60:80 00 00 00; 0x80:'PE' 00 00; 0x96:02 01", "exe"},
    {"PeDll", "0:'MZ'; 60:80 00 00 00; 0x80:'PE' 00 00; 0x96:02 21", "dll"},
    {"PeSystemFileEvenWithDllBit", "0:'MZ'; 60:80 00 00 00; 0x80:'PE' 00 00; 0x96:02 31", "sys"},
    {"PeNotExecutable", "0:'MZ'; 60:80 00 00 00; 0x80:'PE' 00 00; 0x96:00 21", ""},
    {"PeHeaderAtLastPlace", "0:'MZ'; 60:E8 01 00 00; 0x1E8:'PE' 00 00; 0x1FE:02 01", "exe"},
    {"PeHeaderPast488", "0:'MZ'; 60:E9 01 00 00; 0x1E9:'PE' 00 00", ""},
    {"PeHugeOffset", "0:'MZ'; 60:FF FF FF FF", ""},
    // gzip: maximum or fastest compression only.
    {"GzipBest", "0:1F 8B 08 00 00 00 00 00 02 03", "gz"},
    {"GzipFastest", "0:1F 8B 08 00 00 00 00 00 04 03", "gz"},
    {"GzipWithName", "0:1F 8B 08 08 00 00 00 00 02 03 'a.txt' 00", "gz"},
    {"GzipUnknownSystemFF", "0:1F 8B 08 00 00 00 00 00 02 FF", "gz"},
    {"GzipDefaultLevel", "0:1F 8B 08 00 00 00 00 00 00 03", ""},
    {"GzipExtraField", "0:1F 8B 08 04 00 00 00 00 02 03", ""},
    {"GzipSystem14", "0:1F 8B 08 00 00 00 00 00 02 0E", ""},
    // Icons: images back to back after the directory; sums in 64 bits.
    {"IconTwoImages",
     "0:00 00 01 00 02 00; 6:10 10 00 00 01 00 20 00 00 01 00 00 26 00 00 00;"
     "22:20 20 00 00 01 00 20 00 80 00 00 00 26 01 00 00",
     "ico"},
    {"IconSecondImageMisplaced",
     "0:00 00 01 00 02 00; 6:10 10 00 00 01 00 20 00 00 01 00 00 26 00 00 00;"
     "22:20 20 00 00 01 00 20 00 80 00 00 00 27 01 00 00",
     ""},
    {"IconReservedByteSet",
     "0:00 00 01 00 01 00; 6:10 10 00 01 01 00 20 00 00 01 00 00 16 00 00 00", ""},
    {"IconNoImages", "0:00 00 01 00 00 00", ""},
    {"IconDirectoryPastBlock", "0:00 00 01 00 20 00", ""},
    {"IconOffsetWrapsIn32Bits",
     "0:00 00 01 00 02 00; 6:10 10 00 00 01 00 20 00 FF FF FF FF 26 00 00 00;"
     "22:20 20 00 00 01 00 20 00 80 00 00 00 25 00 00 00",
     ""},
    // TrueType table directories.
    {"TrueTypeHeadAfterDirectory",
     "0:00 01 00 00 00 03 00 20 00 01 00 10; 12:'cmap'; 28:'glyf';"
     "44:'head'; 60:00 01 00 00",
     "ttf"},
    {"TrueTypeConsistentDirectory",
     "0:00 01 00 00 00 02 00 20 00 01 00 00; 12:'FFTM' 00 00 00 00 00 00 00 2C 00 00 00 1C;"
     "28:'head' 00 00 00 00 00 00 00 48 00 00 00 36; 44:00 00 00 01",
     "ttf"},
    {"TrueTypeWrongSearchRange",
     "0:00 01 00 00 00 02 00 10 00 01 00 00; 12:'FFTM' 00 00 00 00 00 00 00 2C 00 00 00 1C;"
     "28:'head' 00 00 00 00 00 00 00 48 00 00 00 36; 44:00 00 00 01",
     ""},
    {"TrueTypeTableInsideDirectory",
     "0:00 01 00 00 00 02 00 20 00 01 00 00; 12:'FFTM' 00 00 00 00 00 00 00 10 00 00 00 1C;"
     "28:'head' 00 00 00 00 00 00 00 48 00 00 00 36",
     ""},
    {"TrueTypeDirectoryPastBlock", "0:00 01 00 00 00 20 01 00 00 05 01 00", ""},
    {"TrueTypeZeroTables", "0:00 01 00 00 00 00 00 10 00 00 00 00", ""},
    // Pictures.
    {"Gif89a", "0:'GIF89a' 10 00", "gif"},
    {"Gif87a", "0:'GIF87a' 10 00", "gif"},
    {"GifVersionNotDigits", "0:'GIF8Xa'", ""},
    {"GifUpperCaseLetter", "0:'GIF89A'", ""},
    {"Png", "0:89 50 4E 47 0D 0A 1A 0A 00 00 00 0D 'IHDR'", "png"},
    {"Photoshop", "0:'8BPS' 00 01", "psd"},
    {"TiffLittleEndian", "0:'II' 2A 00 08 00 00 00", "tif"},
    {"TiffBigEndian", "0:'MM' 00 2A 00 00 00 08", "tif"},
    {"TiffMixedOrder", "0:'II' 00 2A", ""},
    // Audio and video containers.
    {"RealMedia", "0:'.RMF' 00 00 00 12", "rmvb"},
    {"Asf", "0:30 26 B2 75 8E 66 CF 11 A6 D9 00 AA 00 62 CE 6C", "wmv"},
    {"AsfGuidOneByteOff", "0:30 26 B2 75 8E 66 CF 11 A6 D9 00 AA 00 62 CE 6D", ""},
    {"SwfCompressed", "0:'CWS' 0A", "swf"},
    {"SwfCompressedVersion5", "0:'CWS' 05", ""},
    {"SwfCompressedVersion16", "0:'CWS' 10", ""},
    {"SwfPlain", "0:'FWS' 05", "swf"},
    {"SwfPlainVersion6", "0:'FWS' 06", ""},
    {"Avi", "0:'RIFF' 00 10 00 00 'AVI LIST'", "avi"},
    {"AviWithoutList", "0:'RIFF' 00 10 00 00 'AVI JUNK'", ""},
    {"Wav", "0:'RIFF' 24 00 00 00 'WAVEfmt '", "wav"},
    {"Flv", "0:'FLV' 01 05 00 00 00 09", "flv"},
    {"FlvVersion2", "0:'FLV' 02 05 00 00 00 09", ""},
    {"Mp4Isom", "0:00 00 00 1C 'ftypisom'", "mp4"},
    {"Mp4Mp42", "0:00 00 00 1C 'ftypmp42'", "mp4"},
    {"Mp4OtherBrand", "0:00 00 00 1C 'ftypM4A '", ""},
    {"ThreeGp", "0:00 00 00 1C 'ftyp3gp4'", "3gp"},
    {"QuickTimeBrand", "0:00 00 00 14 'ftypqt  '", "mov"},
    {"QuickTimeMovieAtomFirst", "0:'moov' 00 00 00 6C 'mvhd'", "mov"},
    {"Matroska", "0:1A 45 DF A3 A3 42 86 81 01", "mkv"},
    {"Mxf", "0:06 0E 2B 34 02 05 01 01 0D 01 02 01 01 02 04 00", "mxf"},
    {"MxfOtherPartition", "0:06 0E 2B 34 02 05 01 01 0D 01 02 01 01 03 04 00", ""},
    {"AvchdFirstPacket", "0:00 00 00 00 47 40 00 10 00 00 B0 11 00 00 C1 00", "mts"},
    {"AvchdTimestamped", "0:12 34 56 78 47 40 00 10 00 00 B0 11 00 00 C1 00", "mts"},
    {"Ape", "0:'MAC ' 96 0F", "ape"},
    {"Mp2FixedHeader", "0:FF FD E4 00", "mp2"},
    {"Mp2OriginalBit", "0:FF FD E4 04", ""},
    {"Mmf", "0:'MMMD' 00 00", "mmf"},
    // Documents, archives and others.
    {"Pdf", "0:'%PDF-1.4' 0A", "pdf"},
    {"SevenZip", "0:37 7A BC AF 27 1C", "7z"},
    {"Rar", "0:'Rar!' 1A 07 00", "rar"},
    {"Rar5", "0:'Rar!' 1A 07 01 00", ""},
    {"Cabinet", "0:'MSCF' 00 00 00 00", "cab"},
    {"Ghost", "0:FE EF 00 00", "gho"},
    {"Sqlite", "0:'SQLite format 3' 00 10 00", "db"},
    {"SqliteWithoutTerminator", "0:'SQLite format 3X'", ""},
    {"OutlookExpress", "0:CF AD 12 FE C5 FD 74 6F", "dbx"},
    {"PersonalFolders", "0:'!BDN' 00 00 00 00 'SM'", "pst"},
    {"PersonalFoldersWithoutMagic", "0:'!BDN' 00 00 00 00 'XX'", ""},
    {"FlashAuthoringHalfSignature", "0:D0 CF 11 E0 00 00 00 00", "fla"},
    // Without a device the sniffers cannot read: a compound file is "ole", a ZIP is a ZIP.
    {"CompoundFileUnreadable", "0:D0 CF 11 E0 A1 B1 1A E1", "ole"},
    {"ZipUnreadable", "0:'PK' 03 04 14 00 00 00 08 00", "zip"},
    {"ContentTypesAt31Unreadable", "31:'[Content_Types].xml'", ""},
    {"TransportStreamUnreadable", "0:47 40 00 10; 188:47; 376:47", ""},
    {"ZeroSector", "0:00", ""},
};

class ByteLevelHeader : public testing::TestWithParam<ByteCase> {};

TEST_P(ByteLevelHeader, IsNamedAsExpected) {
    const ByteCase& c = GetParam();
    test::AimWithoutDevice();
    const std::vector<uint8_t> block = BlockFromText(c.bytes);
    const SignatureHit hit = IdentifyBlock(block.data(), int32_t(block.size()));
    EXPECT_EQ(NameOf(hit), c.extension);
    const SignatureHit walked = IdentifyBlockByWalk(block.data(), int32_t(block.size()));
    EXPECT_EQ(hit.row, walked.row);
    EXPECT_EQ(hit.typeId, walked.typeId);
}

// Every check bounds its reads by the block length (ASan builds report an overread): each case
// cut to every length up to 64 bytes and a few longer ones, in a buffer of exactly that size.
TEST_P(ByteLevelHeader, ChecksReadNothingPastAShortBlock) {
    const ByteCase& c = GetParam();
    test::AimWithoutDevice();
    const std::vector<uint8_t> full = BlockFromText(c.bytes);
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 64; ++n) lengths.push_back(n);
    for (size_t n : {100, 187, 188, 189, 376, 377, 500, 511}) lengths.push_back(n);
    for (size_t n : lengths) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + std::ptrdiff_t(n));
        const uint8_t* data = n ? cut.data() : nullptr;
        const SignatureHit hit = IdentifyBlock(data, int32_t(n));
        const SignatureHit walked = IdentifyBlockByWalk(data, int32_t(n));
        EXPECT_EQ(hit.typeId, walked.typeId) << n;
        for (size_t row = 0; row < SignatureTableSize(); ++row) {
            SignatureTable()[row].check(data, int32_t(n));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ByteLevelHeader, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ByteCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(HeaderChecks, NullBlockMatchesNothing) {
    test::AimWithoutDevice();
    for (size_t row = 0; row < SignatureTableSize(); ++row) {
        EXPECT_EQ(SignatureTable()[row].check(nullptr, 512), kNoMatchType)
            << SignatureTable()[row].extension;
    }
    EXPECT_EQ(IdentifyBlock(nullptr, 512).row, nullptr);
    EXPECT_EQ(IdentifyBlock(nullptr, 512).typeId, kNoMatchType);
}

TEST(HeaderChecks, MidiNeedsTheWholeTrackTag) {
    // "MTrk" at 14 ends at byte 18: a 17-byte block cannot hold it.
    const std::vector<uint8_t> full =
        BlockFromText("0:'MThd' 00 00 00 06 00 01 00 02 01 E0 'MTrk'");
    std::vector<uint8_t> cut(full.begin(), full.begin() + 17);
    EXPECT_EQ(IdentifyBlock(cut.data(), 17).typeId, kNoMatchType);
    std::vector<uint8_t> exact(full.begin(), full.begin() + 18);
    EXPECT_EQ(IdentifyBlock(exact.data(), 18).typeId, 13);
}

TEST(HeaderChecks, AvchdPacketRightAfterAnMtsHitIsNotANewStream) {
    const std::vector<uint8_t> stamped =
        BlockFromText("0:12 34 56 78 47 40 00 10 00 00 B0 11 00 00 C1 00");
    const std::vector<uint8_t> first =
        BlockFromText("0:00 00 00 00 47 40 00 10 00 00 B0 11 00 00 C1 00");
    test::AimWithoutDevice();
    GetSignatureContext().previousHitWasMts = true;
    EXPECT_EQ(IdentifyBlock(stamped.data(), 512).typeId, kNoMatchType);
    EXPECT_EQ(IdentifyBlock(first.data(), 512).typeId, 47);  // a zero stamp starts a stream
    GetSignatureContext().previousHitWasMts = false;
    EXPECT_EQ(IdentifyBlock(stamped.data(), 512).typeId, 47);
}

}  // namespace
}  // namespace keldrin
