// Boot geometry, fixups, bounded attribute walks and mapping pairs, byte by byte.
#include <gtest/gtest.h>

#include <vector>

#include "SyntheticVolume.h"
#include "ntfs/NtfsLayout.h"
#include "platform/ByteOrder.h"

namespace keldrin {
namespace {

using namespace ntfs;

std::vector<uint8_t> Boot(uint16_t bytesPerSector, uint8_t sectorsPerCluster) {
    std::vector<uint8_t> b(512, 0);
    PutLe16(&b[11], bytesPerSector);
    b[13] = sectorsPerCluster;
    PutLe64(&b[48], 4);
    b[64] = 0xF6;  // says 1024-byte records; the sector size decides instead
    return b;
}

TEST(NtfsBootGeometry, RecordSizeFollowsSectorSize) {
    struct Case {
        uint16_t bps;
        uint32_t expectBps, sectorsPerRecord, recordSize;
    } cases[] = {{512, 512, 2, 1024}, {0, 512, 2, 1024}, {1024, 1024, 1, 1024},
                 {4096, 4096, 1, 4096}};
    for (const Case& c : cases) {
        BootGeometry g;
        ASSERT_TRUE(ParseBootSector(Boot(c.bps, 8).data(), &g)) << c.bps;
        EXPECT_EQ(g.bytesPerSector, c.expectBps);
        EXPECT_EQ(g.sectorsPerRecord, c.sectorsPerRecord);
        EXPECT_EQ(g.recordSize, c.recordSize);
        EXPECT_EQ(g.scanChunkSize, c.recordSize * 1024);
        EXPECT_EQ(g.mftCluster, 4u);
    }
}

TEST(NtfsBootGeometry, RefusesGeometryThatCannotDescribeAVolume) {
    BootGeometry g;
    EXPECT_FALSE(ParseBootSector(Boot(512, 0).data(), &g));     // no cluster size
    EXPECT_FALSE(ParseBootSector(Boot(512, 0xF4).data(), &g));  // negative (2^12 form)
    EXPECT_FALSE(ParseBootSector(Boot(512, 3).data(), &g));
    EXPECT_FALSE(ParseBootSector(Boot(768, 1).data(), &g));
    EXPECT_FALSE(ParseBootSector(Boot(8192, 1).data(), &g));
}

// Every 512-byte stride carries a fixup, whatever the sector size: a 4096-byte record has eight.
TEST(NtfsFixups, RestoredAtEvery512ByteStride) {
    for (uint32_t bps : {512u, 4096u}) {
        test::SyntheticVolume volume(bps, 1, 4096 * 8 / (bps / 512));
        test::RecordSpec spec{40, 1, 0, {test::ResidentAttribute(0x80, test::PatternBytes(600, 3))}};
        std::vector<uint8_t> plain = volume.BuildRecord(spec);
        // Rebuild the plain image of the record: undo the protection by hand.
        const uint32_t strides = volume.RecordSize() / 512;
        std::vector<uint8_t> expected = plain;
        for (uint32_t i = 0; i < strides; ++i) {
            expected[(i + 1) * 512 - 2] = plain[50 + 2 * i];
            expected[(i + 1) * 512 - 1] = plain[51 + 2 * i];
        }
        for (uint32_t i = 0; i < strides; ++i) {
            EXPECT_EQ(Le16(&plain[(i + 1) * 512 - 2]), 7u) << "stride " << i << " unprotected";
        }
        RecordGeometry geometry{bps == 512 ? 2u : 1u, bps};
        ApplyFixups(plain.data(), geometry);
        EXPECT_EQ(plain, expected) << bps;
    }
}

struct PairsCase {
    const char* what;
    std::vector<uint8_t> pairs;
    std::vector<DataRun> runs;
};

class MappingPairs : public ::testing::TestWithParam<PairsCase> {};

TEST_P(MappingPairs, Decode) {
    const PairsCase& c = GetParam();
    RunList runs;
    DecodeMappingPairs(c.pairs.data(), uint32_t(c.pairs.size()), runs);
    ASSERT_EQ(runs.size(), c.runs.size()) << c.what;
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].length, c.runs[i].length) << c.what << " run " << i;
        EXPECT_EQ(runs[i].delta, c.runs[i].delta) << c.what << " run " << i;
        EXPECT_EQ(runs[i].sparse, c.runs[i].sparse) << c.what << " run " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MappingPairs,
    ::testing::Values(
        PairsCase{"two runs, the second backwards",
                  {0x21, 0x18, 0x34, 0x00, 0x11, 0x10, 0xF0, 0x00},
                  {{24, 52, false}, {16, -16, false}}},
        PairsCase{"five-byte negative delta",
                  {0x11, 0x01, 0x10, 0x51, 0x02, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00},
                  {{1, 16, false}, {2, -(int64_t(1) << 39), false}}},
        PairsCase{"six-byte negative delta",
                  {0x61, 0x03, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00},
                  {{3, -2, false}}},
        PairsCase{"seven-byte negative delta",
                  {0x71, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00},
                  {{4, -(int64_t(1) << 54), false}}},
        PairsCase{"seven-byte positive length",
                  {0x17, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x05, 0x00},
                  {{uint64_t(1) << 48 | 1, 5, false}}},
        PairsCase{"empty offset field is a hole",
                  {0x11, 0x08, 0x40, 0x01, 0x04, 0x11, 0x02, 0x08, 0x00},
                  {{8, 64, false}, {4, 0, true}, {2, 8, false}}},
        PairsCase{"nibble above 7 ends the list", {0x11, 0x01, 0x02, 0x81, 0x01}, {{1, 2, false}}},
        PairsCase{"a pair crossing the end ends the list", {0x11, 0x01, 0x02, 0x32, 0x01}, {{1, 2, false}}},
        PairsCase{"zero header ends the list", {0x00, 0x11, 0x01, 0x02}, {}}));

TEST(NtfsRunList, AppendedListKeepsAbsolutePositions) {
    RunList runs;
    const std::vector<uint8_t> first = {0x11, 0x05, 0x64, 0x00};   // 5 @ 100
    const std::vector<uint8_t> second = {0x21, 0x03, 0x2C, 0x01, 0x00};  // 3 @ 300
    DecodeMappingPairs(first.data(), uint32_t(first.size()), runs);
    DecodeMappingPairs(second.data(), uint32_t(second.size()), runs);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].delta, 100);
    EXPECT_EQ(runs[1].delta, 200);
    EXPECT_EQ(RunListPosition(runs), 300);
    EXPECT_EQ(RunListClusters(runs), 8u);
}

// A fragmented file's data attribute of 512 bytes or more must still give all its runs.
TEST(NtfsRunList, AttributeLongerThanASectorYieldsEveryRun) {
    test::RunSpec spec;
    for (uint64_t i = 0; i < 200; ++i) spec.push_back({1, 1000 + 2 * i});
    const std::vector<uint8_t> attribute =
        test::NonResidentAttribute(0x80, test::EncodeRuns(spec), 200 * 4096);
    ASSERT_GE(attribute.size(), 512u);
    AttributeView view;
    view.data = attribute.data();
    view.length = uint32_t(attribute.size());
    view.type = 0x80;
    view.nonResident = true;
    RunList runs;
    EXPECT_EQ(DecodeRunList(view, runs), 200u);
    EXPECT_EQ(RunListPosition(runs), 1000 + 2 * 199);
}

std::vector<uint8_t> RecordWith(const std::vector<std::vector<uint8_t>>& attributes) {
    test::SyntheticVolume volume(512, 1, 4096);
    std::vector<uint8_t> r = volume.BuildRecord({30, 1, 0, attributes});
    ApplyFixups(r.data(), RecordGeometry{2, 512});
    return r;
}

TEST(NtfsAttributeWalk, StopsAtAnAttributeReachingPastBytesInUse) {
    std::vector<uint8_t> r = RecordWith({test::FileNameAttribute(5, "a.txt"),
                                         test::ResidentAttribute(0x80, {1, 2, 3})});
    const uint32_t first = Le16(&r[20]);
    const uint32_t second = first + Le32(&r[first + 4]);
    PutLe32(&r[second + 4], 4000);  // the data attribute claims to run far past the record
    AttributeWalker walker(r.data(), RecordBound(r.data(), 1024));
    AttributeView a;
    ASSERT_TRUE(walker.Next(&a));
    EXPECT_EQ(a.type, 0x30u);
    EXPECT_FALSE(walker.Next(&a));
}

TEST(NtfsAttributeWalk, StopsAtShortLengthsAndFillPatterns) {
    for (uint32_t badLength : {0u, 8u, 23u}) {
        std::vector<uint8_t> r = RecordWith({test::ResidentAttribute(0x80, {1})});
        PutLe32(&r[Le16(&r[20]) + 4], badLength);
        AttributeWalker walker(r.data(), RecordBound(r.data(), 1024));
        AttributeView a;
        EXPECT_FALSE(walker.Next(&a)) << badLength;
    }
    std::vector<uint8_t> r = RecordWith({test::ResidentAttribute(0x80, {1})});
    PutLe32(&r[Le16(&r[20])], 0xFDFDFDFD);
    AttributeWalker walker(r.data(), RecordBound(r.data(), 1024));
    AttributeView a;
    EXPECT_FALSE(walker.Next(&a));
}

TEST(NtfsAttributeWalk, BytesInUseBeyondTheRecordAreBoundedByIt) {
    std::vector<uint8_t> r = RecordWith({test::ResidentAttribute(0x80, {1})});
    PutLe32(&r[24], 0x7FFFFFFF);
    EXPECT_EQ(RecordBound(r.data(), 1024), 1024u);
    PutLe16(&r[20], 1020);  // first attribute at the very end
    AttributeWalker walker(r.data(), RecordBound(r.data(), 1024));
    AttributeView a;
    EXPECT_FALSE(walker.Next(&a));
}

TEST(NtfsAttributeValues, ResidentValueAndNameStayInsideTheAttribute) {
    std::vector<uint8_t> attr = test::ResidentAttribute(0x80, std::vector<uint8_t>(40, 9));
    AttributeView a{attr.data(), 0, 0x80, uint32_t(attr.size()), false, 0};
    const uint8_t* value;
    uint32_t length;
    ASSERT_TRUE(ResidentValue(a, &value, &length));
    EXPECT_EQ(length, 40u);
    PutLe32(&attr[16], 5000);
    EXPECT_FALSE(ResidentValue(a, &value, &length));
    PutLe32(&attr[16], 40);
    PutLe16(&attr[20], 60);  // value offset past the attribute's end minus its length
    EXPECT_FALSE(ResidentValue(a, &value, &length));

    std::vector<uint8_t> name = test::FileNameAttribute(77, "photo.jpg", 1, 1234);
    AttributeView n{name.data(), 0, 0x30, uint32_t(name.size()), false, 0};
    FileNameValue fn;
    ASSERT_TRUE(ParseFileName(n, &fn));
    EXPECT_EQ(fn.parent, 77u);
    EXPECT_EQ(fn.name, "photo.jpg");
    EXPECT_EQ(fn.realSize, 1234u);
    EXPECT_EQ(fn.nameSpace, 1);
    name[24 + 64] = 200;  // a name longer than the value
    EXPECT_FALSE(ParseFileName(n, &fn));
}

}  // namespace
}  // namespace keldrin
