// Files made by real tools, laid into an image at a sector offset and followed by other data:
// each is identified by its first sector and passes the content check of its own extension.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Fixtures.h"
#include "ImageDevice.h"
#include "TempDir.h"
#include "signature/FileTypeSignature.h"

namespace keldrin {
namespace {

struct RealFile {
    const char* name;
    const char* tool;       // skipped when missing
    const char* command;    // run in a fresh folder; makes "out"
    const char* extension;  // the name the file gets, "" when the table does not recognise it
    const char* startsWith = nullptr;  // hex of the first bytes, where they are the point
};

// Python of the distribution, which carries the office-document modules.
#define PY "$(command -v /usr/bin/python3 || command -v python3)"
#define FFV "ffmpeg -v error -y -f lavfi -i testsrc=size=32x32:rate=25 -t 0.4 "
#define FFA "ffmpeg -v error -y -f lavfi -i sine=d=0.3 "
#define JPEG "convert -size 64x48 gradient:red-blue a.jpg && "

const RealFile kFiles[] = {
    {"JpegJfif", "convert", JPEG "cp a.jpg out", "jpg", "ffd8ffe0"},
    {"JpegExifWithoutJfif", "convert",
     JPEG
     "{ head -c 2 a.jpg; printf '\\377\\341\\000\\026Exif\\000\\000II*\\000\\010\\000\\000\\000"
     "\\000\\000\\000\\000\\000\\000'; tail -c +21 a.jpg; } > out",
     "jpg", "ffd8ffe10016457869660000"},
    {"JpegStartingWithQuantisationTables", "convert",
     "convert -size 64x48 gradient:red-blue -strip a.jpg && { head -c 2 a.jpg; tail -c +21 a.jpg; "
     "} "
     "> out",
     "jpg", "ffd8ffdb"},
    {"Png", "convert", "convert -size 16x16 xc:red png:out", "png"},
    {"Gif", "convert", "convert -size 16x16 xc:red gif:out", "gif"},
    {"BmpVersion3", "convert", "convert -size 16x16 xc:red BMP3:out", "bmp"},
    {"BmpDefaultHasALargerHeader", "convert", "convert -size 16x16 xc:red bmp:out", ""},
    {"Tiff", "convert", "convert -size 16x16 xc:red tiff:out", "tif"},
    {"Psd", "convert", "convert -size 16x16 xc:red psd:out", "psd"},
    {"IconWithTwoImages", "convert",
     "convert -size 32x32 xc:red -define icon:auto-resize=32,16 ico:out", "ico"},
    {"Zip", "zip", "printf 'hello there' > t.txt && zip -q out.zip t.txt && mv out.zip out", "zip"},
    {"SevenZip", "7z",
     "printf 'hello there' > t.txt && 7z a -bd out.7z t.txt >/dev/null && mv out.7z out", "7z"},
    {"GzipBest", "gzip", "printf 'hello there' > t.txt && gzip -9 -c t.txt > out", "gz"},
    {"GzipFastest", "gzip", "printf 'hello there' > t.txt && gzip -1 -c t.txt > out", "gz"},
    {"GzipDefaultLevelIsNotRecognised", "gzip",
     "printf 'hello there' > t.txt && gzip -c t.txt > out", ""},
    {"Sqlite", "sqlite3", "sqlite3 out 'create table t(x); insert into t values(1);'", "db"},
    {"DejaVuFont", "cp", "cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf out", "ttf"},
    {"DejaVuMonoFont", "cp", "cp /usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf out",
     "ttf"},
    {"Cabinet", "gcab", "printf 'hello there' > t.txt && gcab -c out t.txt", "cab"},
    {"ExcelWorkbook", "python3",
     PY " -c \"import xlwt; b=xlwt.Workbook(); b.add_sheet('a').write(0,0,'x'); b.save('out')\"",
     "xls"},
    {"WordPackage", "python3",
     PY " -c \"import docx; d=docx.Document(); d.add_paragraph('hello'); d.save('out')\"", "docx"},
    {"ExcelPackage", "python3",
     PY " -c \"import openpyxl; w=openpyxl.Workbook(); w.active['A1']='x'; w.save('out')\"",
     "xlsx"},
    {"PresentationPackage", "python3",
     PY " -c \"import zipfile; z=zipfile.ZipFile('out','w',zipfile.ZIP_DEFLATED);"
        "z.writestr('[Content_Types].xml','<Types/>'); z.writestr('_rels/.rels','<R/>');"
        "z.writestr('ppt/presentation.xml','<p/>'); z.close()\"",
     "pptx"},
    {"Mp4", "ffmpeg", FFV "-c:v mpeg4 -f mp4 out", "mp4"},
    {"QuickTime", "ffmpeg", FFV "-c:v mpeg4 -f mov out", "mov"},
    {"ThreeGp", "ffmpeg", FFV "-c:v mpeg4 -f 3gp out", "3gp"},
    {"Matroska", "ffmpeg", FFV "-c:v mpeg4 -f matroska out", "mkv"},
    {"FlashVideo", "ffmpeg", FFV "-c:v flv1 -f flv out", "flv"},
    {"Avi", "ffmpeg", FFV "-c:v mpeg4 -f avi out", "avi"},
    {"MpegProgramStream", "ffmpeg", FFV "-c:v mpeg1video -f mpeg out", "mpeg"},
    {"DvdProgramStream", "ffmpeg", FFV "-c:v mpeg2video -f vob out", "mpeg"},
    {"MpegVideoElementaryStream", "ffmpeg", FFV "-c:v mpeg1video -f mpeg1video out", "mpeg"},
    {"TransportStream", "ffmpeg", FFV "-c:v mpeg2video -f mpegts out", "ts"},
    {"Mxf", "ffmpeg", FFV "-c:v mpeg2video -f mxf out", "mxf"},
    {"Asf", "ffmpeg", FFV "-c:v wmv2 -f asf out", "wmv"},
    {"RealMedia", "ffmpeg", FFV "-c:v rv10 -f rm out", "rmvb"},
    {"Wav", "ffmpeg", FFA "-f wav out", "wav"},
    {"Mp3WithId3", "ffmpeg", FFA "-c:a libmp3lame -f mp3 out", "mp3"},
    {"Mp3WithoutId3IsNotRecognised", "ffmpeg", FFA "-c:a libmp3lame -id3v2_version 0 -f mp3 out",
     ""},
};

std::string HexOf(const std::vector<uint8_t>& bytes, size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n && i < bytes.size(); ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

class RealFileHeader : public testing::TestWithParam<RealFile> {};

TEST_P(RealFileHeader, IsIdentifiedInsideAnImage) {
    const RealFile& f = GetParam();
    if (!test::HaveTool(f.tool)) GTEST_SKIP() << f.tool << " is not installed";
    test::TempDir dir;
    ASSERT_TRUE(
        test::RunOrFail("cd " + test::ShellQuote(dir.path().string()) + " && " + f.command));
    const std::vector<uint8_t> file = test::ReadWholeFile(dir / "out");
    ASSERT_GE(file.size(), 16u);
    if (f.startsWith) {
        ASSERT_EQ(HexOf(file, std::string(f.startsWith).size() / 2), f.startsWith);
    }

    // The file at sector 11, random bytes before and after it.
    test::ImageBuilder image;
    image.Place(0, test::PseudoRandomBytes(11 * 512, 1));
    const uint64_t at = 11;
    image.Place(at, file);
    const uint64_t after = image.bytes().size() / 512;
    image.Place(after, test::PseudoRandomBytes(40 * 512, 2));
    test::ImageDevice medium(image.bytes());
    ASSERT_TRUE(medium.open());

    const SignatureHit hit = medium.IdentifyAt(at);
    const FileTypeSignature* named = FindSignatureByType(hit.typeId);
    EXPECT_EQ(named ? std::string(named->extension) : std::string(), f.extension);
    const std::vector<uint8_t> block = medium.Sector(at);
    const SignatureHit walked = IdentifyBlockByWalk(block.data(), 512);
    EXPECT_EQ(walked.row, hit.row);
    EXPECT_EQ(walked.typeId, hit.typeId);
    if (*f.extension) {
        EXPECT_EQ(MatchesExtension(block.data(), 512, f.extension, medium.device(), 512, at), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, RealFileHeader, testing::ValuesIn(kFiles),
                         [](const testing::TestParamInfo<RealFile>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace keldrin
