#include <array>

#include "signature/FileTypeSignature.h"
#include "signature/FormatCheck.h"
#include "signature/SignatureBytes.h"
#include "signature/formats/Ape.h"
#include "signature/formats/Asf.h"
#include "signature/formats/Bmp.h"
#include "signature/formats/Cab.h"
#include "signature/formats/CompoundDocument.h"
#include "signature/formats/Dbx.h"
#include "signature/formats/FlashAuthoring.h"
#include "signature/formats/Flv.h"
#include "signature/formats/Gho.h"
#include "signature/formats/Gif.h"
#include "signature/formats/Gzip.h"
#include "signature/formats/Ico.h"
#include "signature/formats/IsoMedia.h"
#include "signature/formats/Jpeg.h"
#include "signature/formats/Matroska.h"
#include "signature/formats/Midi.h"
#include "signature/formats/Mmf.h"
#include "signature/formats/Mp2.h"
#include "signature/formats/Mp3.h"
#include "signature/formats/Mpeg.h"
#include "signature/formats/Mxf.h"
#include "signature/formats/OpenXml.h"
#include "signature/formats/Pdf.h"
#include "signature/formats/PeImage.h"
#include "signature/formats/Png.h"
#include "signature/formats/Psd.h"
#include "signature/formats/Pst.h"
#include "signature/formats/Rar.h"
#include "signature/formats/RealMedia.h"
#include "signature/formats/Riff.h"
#include "signature/formats/SevenZip.h"
#include "signature/formats/Sqlite.h"
#include "signature/formats/Swf.h"
#include "signature/formats/Tiff.h"
#include "signature/formats/TransportStream.h"
#include "signature/formats/TrueType.h"
#include "signature/formats/Zip.h"

namespace keldrin {

namespace {

struct Row {
    const char* extension;
    int32_t typeId;
    FormatCheck check;
    SizeRule sizeRule;
};

// The order decides which row answers first: rows whose checks overlap (ZIP after the Open XML
// rows, Flash authoring after the compound documents) rely on it.
constexpr Row kRows[] = {
    {"mpeg", 15, kMpegCheck, SizeMpeg},
    {"mpg", 15, kMpegCheck, SizeMpeg},
    {"vob", 15, kMpegCheck, SizeMpeg},
    {"mp4", 18, kMp4Check, SizeMp4},
    {"rmvb", 23, kRealMediaCheck, SizeRealMedia},
    {"rm", 23, kRealMediaCheck, SizeRealMedia},
    {"wmv", 24, kAsfCheck, SizeAsf},
    {"asf", 24, kAsfCheck, SizeAsf},
    {"wma", 24, kAsfCheck, SizeAsf},
    {"swf", 26, kSwfCheck, SizeSwf},
    {"avi", 22, kAviCheck, SizeAvi},
    {"flv", 27, kFlvCheck, SizeFlv},
    {"3gp", 16, k3gpCheck, Size3gp},
    {"mkv", 19, kMatroskaCheck, SizeMatroska},
    {"ts", 20, kTransportStreamCheck, SizeTransportStream},
    {"mts", 47, kAvchdStreamCheck, SizeAvchdStream},
    {"mxf", 48, kMxfCheck, SizeMxf},
    {"mp3", 12, kMp3Check, SizeMp3},
    {"mid", 13, kMidiCheck, SizeMidi},
    {"ape", 25, kApeCheck, SizeApe},
    {"wav", 21, kWavCheck, SizeWav},
    {"mov", 17, kQuickTimeCheck, SizeQuickTime},
    {"mp2", 11, kMp2Check, SizeMp2},
    {"mmf", 14, kMmfCheck, SizeMmf},
    {"gif", 31, kGifCheck, SizeGif},
    {"bmp", 29, kBmpCheck, SizeBmp},
    {"dib", 29, kBmpCheck, SizeBmp},
    {"jpg", 10, kJpegCheck, SizeJpeg},
    {"jpeg", 10, kJpegCheck, SizeJpeg},
    {"jpe", 10, kJpegCheck, SizeJpeg},
    {"jfif", 10, kJpegCheck, SizeJpeg},
    {"png", 30, kPngCheck, SizePng},
    {"psd", 28, kPsdCheck, SizePsd},
    {"tif", 32, kTiffCheck, SizeTiff},
    {"tiff", 32, kTiffCheck, SizeTiff},
    {"ico", 46, kIcoCheck, SizeIco},
    {"doc", 0, kCompoundDocumentCheck, SizeCompoundDocument},
    {"dot", 0, kCompoundDocumentCheck, SizeCompoundDocument},
    {"wps", 0, kCompoundDocumentCheck, SizeCompoundDocument},
    {"wpt", 0, kCompoundDocumentCheck, SizeCompoundDocument},
    {"xls", 3, kCompoundDocumentCheck, SizeCompoundDocument},
    {"xlt", 3, kCompoundDocumentCheck, SizeCompoundDocument},
    {"xla", 3, kCompoundDocumentCheck, SizeCompoundDocument},
    {"et", 3, kCompoundDocumentCheck, SizeCompoundDocument},
    {"ett", 3, kCompoundDocumentCheck, SizeCompoundDocument},
    {"ppt", 5, kCompoundDocumentCheck, SizeCompoundDocument},
    {"pot", 5, kCompoundDocumentCheck, SizeCompoundDocument},
    {"pps", 5, kCompoundDocumentCheck, SizeCompoundDocument},
    {"dps", 5, kCompoundDocumentCheck, SizeCompoundDocument},
    {"dpt", 5, kCompoundDocumentCheck, SizeCompoundDocument},
    {"ole", 2, kCompoundDocumentCheck, SizeCompoundDocument},
    {"docx", 1, kOpenXmlCheck, SizeOpenXml},
    {"docm", 1, kOpenXmlCheck, SizeOpenXml},
    {"dotm", 1, kOpenXmlCheck, SizeOpenXml},
    {"dotx", 1, kOpenXmlCheck, SizeOpenXml},
    {"xlsx", 4, kOpenXmlCheck, SizeOpenXml},
    {"xlsb", 4, kOpenXmlCheck, SizeOpenXml},
    {"xlsm", 4, kOpenXmlCheck, SizeOpenXml},
    {"xlam", 4, kOpenXmlCheck, SizeOpenXml},
    {"xltx", 4, kOpenXmlCheck, SizeOpenXml},
    {"xltm", 4, kOpenXmlCheck, SizeOpenXml},
    {"pptx", 6, kOpenXmlCheck, SizeOpenXml},
    {"pptm", 6, kOpenXmlCheck, SizeOpenXml},
    {"potx", 6, kOpenXmlCheck, SizeOpenXml},
    {"potm", 6, kOpenXmlCheck, SizeOpenXml},
    {"ppsx", 6, kOpenXmlCheck, SizeOpenXml},
    {"ppsm", 6, kOpenXmlCheck, SizeOpenXml},
    {"mso07", 7, kOpenXmlCheck, SizeOpenXml},
    {"pdf", 8, kPdfCheck, SizePdf},
    {"gz", 36, kGzipCheck, SizeGzip},
    {"gzip", 36, kGzipCheck, SizeGzip},
    {"7z", 34, kSevenZipCheck, SizeSevenZip},
    {"zip", 35, kZipCheck, SizeZip},
    {"rar", 37, kRarCheck, SizeRar},
    {"cab", 33, kCabCheck, SizeCab},
    {"exe", 41, kPeImageCheck, nullptr},
    {"dll", 42, kPeImageCheck, nullptr},
    {"sys", 43, kPeImageCheck, nullptr},
    {"gho", 9, kGhoCheck, nullptr},
    {"db", 39, kSqliteCheck, SizeSqlite},
    {"dbx", 40, kDbxCheck, SizeDbx},
    {"pst", 38, kPstCheck, SizePst},
    {"fla", 44, kFlashAuthoringCheck, SizeFlashAuthoring},
    {"ttf", 45, kTrueTypeCheck, SizeTrueType},
    {nullptr, kNoMatchType, {}, nullptr},
};

constexpr size_t kRowCount = std::size(kRows) - 1;
static_assert(kRowCount == 84);

constexpr std::array<FileTypeSignature, kRowCount + 1> MakeTable() {
    std::array<FileTypeSignature, kRowCount + 1> table{};
    for (size_t i = 0; i <= kRowCount; ++i) {
        table[i] = {kRows[i].extension, kRows[i].typeId, kRows[i].check.check, kRows[i].sizeRule};
    }
    return table;
}

constexpr std::array<FileTypeSignature, kRowCount + 1> kTable = MakeTable();

bool ExtensionEquals(const char* rowExtension, std::string_view extension) {
    size_t i = 0;
    for (; rowExtension[i] != '\0'; ++i) {
        if (i >= extension.size() || AsciiLowerChar(extension[i]) != rowExtension[i]) return false;
    }
    return i == extension.size();
}

}  // namespace

const FileTypeSignature* SignatureTable() {
    return kTable.data();
}

size_t SignatureTableSize() {
    return kRowCount;
}

const FormatCheck& SignatureRowCheck(size_t index) {
    return kRows[index].check;
}

const FileTypeSignature* FindSignatureByType(int32_t typeId) {
    if (typeId == kNoMatchType) return nullptr;
    for (size_t i = 0; i < kRowCount; ++i) {
        if (kTable[i].typeId == typeId) return &kTable[i];
    }
    return nullptr;
}

const FileTypeSignature* FindSignatureByExtension(std::string_view extension) {
    if (extension.empty()) return nullptr;
    for (size_t i = 0; i < kRowCount; ++i) {
        if (ExtensionEquals(kTable[i].extension, extension)) return &kTable[i];
    }
    return nullptr;
}

}  // namespace keldrin
