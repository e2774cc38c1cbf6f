// The shared read-ahead machinery: chunking, progress and cancel, boundaries, the device end and
// end markers split across chunks.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "CarveSupport.h"
#include "Fixtures.h"
#include "platform/Errors.h"
#include "signature/ReadAhead.h"
#include "signature/SizeRulesStructure.h"

namespace keldrin::test {
namespace {

struct ProgressLog {
    std::vector<uint64_t> sectorsDone;
    std::vector<int32_t> units;
    int answerOnCall = -1;  // 0-based call that answers `answer`
    int32_t answer = 0;
};

int32_t RecordProgress(void* context, int32_t units, int32_t, int32_t, uint64_t done, uint64_t,
                       uint64_t, int32_t) {
    auto* log = static_cast<ProgressLog*>(context);
    log->sectorsDone.push_back(done);
    log->units.push_back(units);
    return int(log->sectorsDone.size()) - 1 == log->answerOnCall ? log->answer : 0;
}

void InstallProgress(ProgressLog& log) {
    SignatureContext& ctx = GetSignatureContext();
    ctx.progress = RecordProgress;
    ctx.progressContext = &log;
}

std::vector<uint8_t> JfifHeader() {
    std::vector<uint8_t> h = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0,
                              0, 1, 0, 1, 0, 0};
    return h;
}

class ReadAheadTest : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(ReadAheadTest, ChunkIsSixtyFourKibInEitherSectorSize) {
    for (uint32_t ss : {512u, 4096u}) {
        const uint64_t chunk = 65536 / ss;
        SectorImage image(1 + 3 * chunk + 5, ss, 11);
        SectorDevice& device = image.Open(dir_);
        AimContext(device, ss, 0);
        ProgressLog log;
        InstallProgress(log);
        const uint64_t size = BoundaryRuleEstimate(image.Sector(0), int32_t(ss), 3 * 65536);
        EXPECT_EQ(size, ss + 3 * 65536ull) << ss;
        EXPECT_EQ(log.sectorsDone, (std::vector<uint64_t>{chunk, 2 * chunk, 3 * chunk})) << ss;
    }
}

TEST_F(ReadAheadTest, BoundarySectorInSecondChunkEndsEstimateInFrontOfIt) {
    SectorImage image(400, 512, 12);
    image.Place(1 + 128 + 2, JfifHeader());
    SectorDevice& device = image.Open(dir_);
    AimContext(device, 512, 0);
    EXPECT_EQ(BoundaryRuleEstimate(image.Sector(0), 512, 0x8000000), 512u + 65536 + 2 * 512);
}

TEST_F(ReadAheadTest, FileSystemStructuresAreBoundaries) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> boot = {0xEB, 0x3C, 0x90, 'M', 'S', 'D', 'O', 'S', '5', '.', '0'};
    std::vector<uint8_t> ntfsBoot = {0xEB, 0x52, 0x90, 'N', 'T', 'F', 'S', ' ', ' ', ' ', ' '};
    std::vector<uint8_t> fileRecord = {'F', 'I', 'L', 'E', 0x30, 0, 3, 0};
    std::vector<uint8_t> indexRecord = {'I', 'N', 'D', 'X', 0x28, 0, 9, 0};
    std::vector<uint8_t> attrDef = {'$', 0, 'S', 0, 'T', 0, 'A', 0, 'N', 0};
    std::vector<uint8_t> restart = {'R', 'S', 'T', 'R', 0x1E, 0, 9, 0, 0, 0, 0, 0, 'N', 0, 'T',
                                    0,   'F', 0,   'S', 0};
    for (const Case& c : {Case{"fat boot", boot}, Case{"ntfs boot", ntfsBoot},
                          Case{"file record", fileRecord}, Case{"index record", indexRecord},
                          Case{"attribute definitions", attrDef}, Case{"log restart", restart}}) {
        SectorImage image(64, 512, 13);
        image.Place(5, c.bytes);
        SectorDevice& device = image.Open(dir_);
        AimContext(device, 512, 0);
        EXPECT_EQ(BoundaryRuleEstimate(image.Sector(0), 512, 0x8000000), 512u + 4 * 512)
            << c.name;
    }
    // "RSTR" without the wide "NTFS" is data.
    SectorImage image(64, 512, 13);
    image.Place(5, {'R', 'S', 'T', 'R', 1, 2, 3, 4});
    SectorDevice& device = image.Open(dir_);
    AimContext(device, 512, 0);
    EXPECT_EQ(BoundaryRuleEstimate(image.Sector(0), 512, 0x8000000), 512u * 64);
}

TEST_F(ReadAheadTest, ChunkCrossingDeviceEndIsClampedSoTheTailIsKept) {
    SectorImage image(1 + 128 + 70, 512, 14);
    SectorDevice& device = image.Open(dir_);
    AimContext(device, 512, 0);
    EXPECT_EQ(BoundaryRuleEstimate(image.Sector(0), 512, 0x8000000), 512u * (1 + 128 + 70));
    // A hit in the device's last sector reads nothing.
    AimContext(device, 512, device.sectorCount - 1);
    EXPECT_EQ(BoundaryRuleEstimate(image.Sector(0), 512, 0x8000000), 512u);
}

TEST_F(ReadAheadTest, NonZeroProgressAnswerStopsEstimateAndIsKept) {
    for (int32_t answer : {kCancelCode, 5}) {
        SectorImage image(1 + 128 * 4, 512, 15);
        SectorDevice& device = image.Open(dir_);
        AimContext(device, 512, 0);
        ProgressLog log;
        log.answerOnCall = 1;
        log.answer = answer;
        InstallProgress(log);
        EXPECT_EQ(BoundaryRuleEstimate(image.Sector(0), 512, 0x8000000), 512u + 65536);
        EXPECT_EQ(GetSignatureContext().cancelStatus, answer);
        EXPECT_EQ(log.sectorsDone.size(), 2u);
    }
}

TEST_F(ReadAheadTest, ProgressWithoutTotalDoesNotDivideByZero) {
    SectorImage image(1 + 128, 512, 16);
    SectorDevice& device = image.Open(dir_);
    AimContext(device, 512, 0);
    GetSignatureContext().sectorsTotal = 0;
    ProgressLog log;
    InstallProgress(log);
    BoundaryRuleEstimate(image.Sector(0), 512, 65536);
    EXPECT_EQ(log.units, std::vector<int32_t>{10});
    // With a total: (scanned + read) * 100 / total + 10.
    AimContext(device, 512, 0);
    GetSignatureContext().sectorsScanned = 72;
    GetSignatureContext().sectorsTotal = 400;
    ProgressLog log2;
    InstallProgress(log2);
    BoundaryRuleEstimate(image.Sector(0), 512, 65536);
    EXPECT_EQ(log2.units, std::vector<int32_t>{(72 + 128) * 100 / 400 + 10});
}

// An end test that ends at the first padded FF D9, as a JPEG-like rule would.
std::optional<uint64_t> PaddedEoi(const ReadAheadChunk& chunk) {
    static constexpr uint8_t kEoi[2] = {0xFF, 0xD9};
    for (int64_t p = FindMarker(chunk, kEoi, 2, INT64_MIN + 1); p != kNoMarker;
         p = FindMarker(chunk, kEoi, 2, p + 1)) {
        if (IsPaddedEnd(chunk, uint64_t(p + 2))) return chunk.base + uint64_t(p + 2);
    }
    return std::nullopt;
}

TEST_F(ReadAheadTest, MarkerSplitAcrossChunksIsFound) {
    SectorImage image(1 + 128 * 3, 512, 17);
    // Remove stray FF bytes so only the planted marker can match.
    for (size_t i = 0; i < image.Bytes().size(); ++i) {
        if (image.Sector(0)[i] == 0xFF) image.Sector(0)[i] = 0x7F;
    }
    const uint64_t joinAt = 512 + 65536;  // file offset where chunk 2 begins
    image.Sector(0)[joinAt - 1] = 0xFF;
    image.Sector(0)[joinAt] = 0xD9;
    std::memset(image.Sector(0) + joinAt + 1, 0, 511);
    SectorDevice& device = image.Open(dir_);
    AimContext(device, 512, 0);
    ReadAheadResult r = ReadAhead(image.Sector(0), 512, 0x8000000, BoundaryKind::kStandard,
                                  PaddedEoi);
    EXPECT_TRUE(r.endedByTest);
    EXPECT_EQ(r.size, joinAt + 1);
}

TEST_F(ReadAheadTest, MarkerSplitBetweenFirstSectorAndFirstChunkIsFound) {
    SectorImage image(1 + 128, 512, 18);
    for (size_t i = 0; i < image.Bytes().size(); ++i) {
        if (image.Sector(0)[i] == 0xFF) image.Sector(0)[i] = 0x7F;
    }
    image.Sector(0)[511] = 0xFF;
    image.Sector(1)[0] = 0xD9;
    std::memset(image.Sector(1) + 1, 0, 511);
    SectorDevice& device = image.Open(dir_);
    AimContext(device, 512, 0);
    ReadAheadResult r = ReadAhead(image.Sector(0), 512, 0x8000000, BoundaryKind::kStandard,
                                  PaddedEoi);
    EXPECT_EQ(r.size, 513u);
}

TEST(ChunkPiecesTest, PaddedEndAndJoinedSearches) {
    std::vector<uint8_t> bytes(1024, 0x55);
    std::vector<uint8_t> join = {1, 2, 3, 'A', 'B'};
    ReadAheadChunk chunk;
    chunk.bytes = bytes.data();
    chunk.length = 1024;
    chunk.join = join.data();
    chunk.joinLength = uint32_t(join.size());
    chunk.base = 4096;
    chunk.sectorSize = 512;
    bytes[0] = 'C';
    bytes[600] = 'A';
    bytes[601] = 'B';
    bytes[602] = 'C';
    // "ABC" across the join (position -2) and inside the chunk (600).
    EXPECT_EQ(FindMarker(chunk, "ABC", 3, INT64_MIN + 1), -2);
    EXPECT_EQ(FindMarker(chunk, "ABC", 3, -1), 600);
    EXPECT_EQ(FindLastMarker(chunk, "ABC", 3), 600);
    EXPECT_EQ(FindMarker(chunk, "XYZ", 3, 0), kNoMarker);
    // A marker wholly inside the join was the previous chunk's to find.
    EXPECT_EQ(FindMarker(chunk, "23", 2, INT64_MIN + 1), kNoMarker);

    EXPECT_TRUE(IsPaddedEnd(chunk, 512));  // on a sector edge
    EXPECT_FALSE(IsPaddedEnd(chunk, 603));
    std::memset(bytes.data() + 603, 0, 1024 - 603);
    EXPECT_TRUE(IsPaddedEnd(chunk, 603));  // zeros to the sector end
    bytes[1023] = 1;
    EXPECT_FALSE(IsPaddedEnd(chunk, 603));

    uint8_t out[4];
    ASSERT_TRUE(CopyFileBytes(chunk, 4096 - 2, 4, out));  // two join bytes, two chunk bytes
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{'A', 'B', 'C', 0x55}));
    EXPECT_FALSE(CopyFileBytes(chunk, 4096 - 6, 4, out));  // before the join
    EXPECT_FALSE(CopyFileBytes(chunk, 4096 + 1022, 4, out));  // past the bytes read
}

TEST(HeaderFieldSizeTest, CapsAndNeverGivesLessThanTheHeader) {
    GetSignatureContext().sectorSize = 512;
    EXPECT_EQ(HeaderFieldSize(300ull << 20, 54, 0x8000000), 0x8000000u);
    EXPECT_EQ(HeaderFieldSize(0, 54, 0x8000000), 512u);
    EXPECT_EQ(HeaderFieldSize(20, 54, 0x8000000), 512u);
    EXPECT_EQ(HeaderFieldSize(1008, 54, 0x8000000), 1008u);
}

}  // namespace
}  // namespace keldrin::test
