#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <limits>
#include <vector>

#include "Fixtures.h"
#include "TempDir.h"
#include "platform/Errors.h"
#include "storage/SectorDevice.h"
#include "storage/SectorDeviceTesting.h"

namespace keldrin {
namespace {

using test::PseudoRandomBytes;
using test::TempDir;
using test::WriteWholeFile;

// Records the size of every read call the device makes.
class ReadCallLog {
public:
    ReadCallLog() { SetReadCallObserverForTesting(&ReadCallLog::Note, this); }
    ~ReadCallLog() { SetReadCallObserverForTesting(nullptr, nullptr); }
    const std::vector<size_t>& calls() const { return calls_; }

private:
    static void Note(void* self, size_t bytes) {
        static_cast<ReadCallLog*>(self)->calls_.push_back(bytes);
    }
    std::vector<size_t> calls_;
};

class SectorDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        content_ = PseudoRandomBytes(1000000, 7);
        image_ = dir_ / "card.img";
        WriteWholeFile(image_, content_);
        ASSERT_EQ(OpenImageFile(device_, image_), kErrorSuccess);
    }
    void TearDown() override { CloseDevice(device_); }

    bool SameAsImage(const std::vector<uint8_t>& buffer, uint64_t offset, size_t bytes) const {
        return std::memcmp(buffer.data(), content_.data() + offset, bytes) == 0;
    }

    TempDir dir_;
    std::filesystem::path image_;
    std::vector<uint8_t> content_;
    SectorDevice device_;
};

TEST_F(SectorDeviceTest, ImageCountsWhole512ByteSectors) {
    EXPECT_EQ(device_.sectorCount, 1953u);
    std::vector<uint8_t> buffer(512);
    uint32_t read = 0;
    EXPECT_EQ(ReadSectors(device_, buffer.data(), 1952, 1, 512, &read), kErrorSuccess);
    EXPECT_EQ(read, 1u);
    EXPECT_TRUE(SameAsImage(buffer, 1952 * 512, 512));
}

TEST_F(SectorDeviceTest, RefusesRangesOutsideTheDeviceBeforeReading) {
    struct Case {
        uint64_t first;
        int32_t count;
        uint32_t bytesPerSector;
    } cases[] = {
        {1953, 1, 512},  // one past the end
        {1952, 2, 512},
        {0, 1954, 512},
        {5, -1, 512},  // a negative count would shrink a plain sum below the end
        {0, std::numeric_limits<int32_t>::min(), 512},
        {std::numeric_limits<uint64_t>::max(), 2, 512},  // end wraps round to sector 1
        {std::numeric_limits<uint64_t>::max() - 9, 20, 512},
        {1953, 1, 4096},
        {0, 1, 0},  // no sector size to count whole sectors by
    };
    std::vector<uint8_t> buffer(1 << 20);
    for (const auto& c : cases) {
        ReadCallLog log;
        uint32_t read = 12345;
        EXPECT_EQ(ReadSectors(device_, buffer.data(), c.first, c.count, c.bytesPerSector, &read),
                  kErrorInvalidParameter)
            << "first " << c.first << " count " << c.count;
        EXPECT_EQ(read, 12345u) << "the output count is left alone";
        EXPECT_TRUE(log.calls().empty()) << "nothing is read";
    }
}

TEST_F(SectorDeviceTest, ReadsInPiecesOfAtMost64KiB) {
    struct Case {
        uint64_t first;
        int32_t count;
        uint32_t bytesPerSector;
        std::vector<size_t> pieces;
    } cases[] = {
        {0, 300, 512, {65536, 65536, 22528}}, {7, 128, 512, {65536}}, {1, 1, 512, {512}},
        {0, 20, 4096, {65536, 16384}},        {3, 0, 512, {}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> buffer(size_t(c.count) * c.bytesPerSector + 1, 0xEE);
        ReadCallLog log;
        uint32_t read = 0;
        ASSERT_EQ(ReadSectors(device_, buffer.data(), c.first, c.count, c.bytesPerSector, &read),
                  kErrorSuccess);
        EXPECT_EQ(log.calls(), c.pieces) << "count " << c.count;
        EXPECT_EQ(read, uint32_t(c.count));
        size_t bytes = size_t(c.count) * c.bytesPerSector;
        EXPECT_TRUE(SameAsImage(buffer, c.first * c.bytesPerSector, bytes));
        EXPECT_EQ(buffer[bytes], 0xEE) << "nothing written past the requested sectors";
    }
}

// The bounds count the caller's sectors against the device's 512-byte count as they are, so a
// large sector size can pass them and still run into the end of the image.
TEST_F(SectorDeviceTest, LargerSectorSizeIsBoundedByTheDeviceCountAndTheImageEnd) {
    std::vector<uint8_t> buffer(1953 * 4096);
    uint32_t read = 0;
    EXPECT_EQ(ReadSectors(device_, buffer.data(), 0, 244, 4096, &read), kErrorSuccess);
    EXPECT_EQ(read, 244u);
    EXPECT_EQ(ReadSectors(device_, buffer.data(), 0, 245, 4096, &read), kErrorReadFault);
    EXPECT_EQ(read, 244u) << "whole 4096-byte sectors that arrived";
    EXPECT_TRUE(SameAsImage(buffer, 0, 244 * 4096));
    EXPECT_EQ(ReadSectors(device_, buffer.data(), 1900, 53, 4096, &read), kErrorReadFault);
    EXPECT_EQ(read, 0u);
}

TEST_F(SectorDeviceTest, FileThatShrankAfterOpeningGivesReadFaultWithTheSectorsThatArrived) {
    // 20 whole sectors and part of the 21st remain.
    std::filesystem::resize_file(image_, 20 * 512 + 300);
    std::vector<uint8_t> buffer(200 * 512);
    uint32_t read = 999;
    EXPECT_EQ(ReadSectors(device_, buffer.data(), 0, 100, 512, &read), kErrorReadFault);
    EXPECT_EQ(read, 20u);
    EXPECT_TRUE(SameAsImage(buffer, 0, 20 * 512 + 300));

    // A later piece hitting the end: the first 64 KiB arrive, the second finds nothing.
    std::filesystem::resize_file(image_, 65536);
    ReadCallLog log;
    EXPECT_EQ(ReadSectors(device_, buffer.data(), 0, 200, 512, &read), kErrorReadFault);
    EXPECT_EQ(read, 128u);
    EXPECT_EQ(log.calls(), (std::vector<size_t>{65536, 36864})) << "no retry of the empty piece";

    std::filesystem::resize_file(image_, 0);
    EXPECT_EQ(ReadSectors(device_, buffer.data(), 5, 1, 512, &read), kErrorReadFault);
    EXPECT_EQ(read, 0u);

    // The device stays usable once the data is back.
    WriteWholeFile(image_, content_);
    EXPECT_EQ(ReadSectors(device_, buffer.data(), 1952, 1, 512, &read), kErrorSuccess);
    EXPECT_EQ(read, 1u);
}

TEST_F(SectorDeviceTest, MediaAreOpenedReadOnlyAndNotInheritedByChildren) {
    int flags = fcntl(device_.handle, F_GETFL);
    EXPECT_EQ(flags & O_ACCMODE, O_RDONLY);
    EXPECT_TRUE(fcntl(device_.handle, F_GETFD) & FD_CLOEXEC);
    // A read-only image (a write-protected card) opens.
    SectorDevice other;
    std::filesystem::permissions(
        image_, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_EQ(OpenImageFile(other, image_), kErrorSuccess);
    CloseDevice(other);
}

TEST_F(SectorDeviceTest, ClosedDeviceHoldsTheInvalidHandleAndRefusesReads) {
    SectorDevice fresh;
    EXPECT_EQ(fresh.handle, kInvalidHandle);
    EXPECT_EQ(fresh.sectorCount, 0u);
    CloseDevice(device_);
    EXPECT_EQ(device_.handle, kInvalidHandle);
    CloseDevice(device_);  // closing twice is harmless
    std::vector<uint8_t> buffer(512);
    uint32_t read = 0;
    EXPECT_NE(ReadSectors(device_, buffer.data(), 0, 1, 512, &read), kErrorSuccess);
}

TEST(ImageFiles, OpenAndSizeErrorsComeFromTheSystem) {
    TempDir dir;
    SectorDevice device;
    EXPECT_EQ(OpenImageFile(device, dir / "missing.img"), kErrorFileNotFound);
    EXPECT_EQ(device.handle, kInvalidHandle);
    EXPECT_EQ(OpenImageFile(device, dir / "no" / "such.img"), kErrorFileNotFound);
    EXPECT_EQ(OpenImageFile(device, dir.path()), kErrorAccessDenied);
    EXPECT_EQ(device.handle, kInvalidHandle) << "the folder's descriptor is not kept";

    uint64_t size = 0;
    EXPECT_EQ(QueryFileSize(dir / "missing.img", &size), kErrorFileNotFound);
    test::WriteWholeFile(dir / "small.img", std::vector<uint8_t>(1023, 1));
    EXPECT_EQ(QueryFileSize(dir / "small.img", &size), kErrorSuccess);
    EXPECT_EQ(size, 1023u);
    EXPECT_EQ(OpenImageFile(device, dir / "small.img"), kErrorSuccess);
    EXPECT_EQ(device.sectorCount, 1u);
    CloseDevice(device);

    // Sizes past 4 GiB stay 64-bit.
    std::filesystem::path big = dir / "big.img";
    test::WriteWholeFile(big, {});
    std::filesystem::resize_file(big, (5ull << 30) + 100);
    EXPECT_EQ(QueryFileSize(big, &size), kErrorSuccess);
    EXPECT_EQ(size, (5ull << 30) + 100);
    ASSERT_EQ(OpenImageFile(device, big), kErrorSuccess);
    EXPECT_EQ(device.sectorCount, (5ull << 30) / 512);
    std::vector<uint8_t> buffer(512, 1);
    uint32_t read = 0;
    EXPECT_EQ(ReadSectors(device, buffer.data(), device.sectorCount - 1, 1, 512, &read),
              kErrorSuccess);
    EXPECT_EQ(buffer, std::vector<uint8_t>(512, 0));
    CloseDevice(device);
}

TEST(ReadFileFully, ReadsTheCountInPiecesFromTheCurrentPosition) {
    TempDir dir;
    std::vector<uint8_t> content = PseudoRandomBytes(200000, 3);
    WriteWholeFile(dir / "f", content);
    int fd = open((dir / "f").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(lseek(fd, 1000, SEEK_SET), 1000);
    std::vector<uint8_t> buffer(150000);
    uint32_t got = 0;
    {
        ReadCallLog log;
        EXPECT_EQ(ReadFileFully(fd, 150000, buffer.data(), &got), kErrorSuccess);
        EXPECT_EQ(log.calls(), (std::vector<size_t>{65536, 65536, 18928}));
    }
    EXPECT_EQ(got, 150000u);
    EXPECT_EQ(std::memcmp(buffer.data(), content.data() + 1000, 150000), 0);
    EXPECT_EQ(ReadFileFully(fd, 0, buffer.data(), &got), kErrorSuccess);
    EXPECT_EQ(got, 0u);
    // 49000 bytes are left: the rest of the count cannot arrive.
    EXPECT_EQ(ReadFileFully(fd, 100000, buffer.data(), &got), kErrorReadFault);
    EXPECT_EQ(got, 49000u);
    close(fd);
}

TEST(ReadFileFully, ShortReadsContinueUntilTheWriterCloses) {
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    std::vector<uint8_t> part = PseudoRandomBytes(3000, 5);
    ASSERT_EQ(write(pipeFds[1], part.data(), 1000), 1000);
    std::vector<uint8_t> buffer(3000);
    uint32_t got = 0;
    // A pipe hands out what is there; the rest follows from a second writer burst.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        usleep(50000);
        ssize_t n = write(pipeFds[1], part.data() + 1000, 2000);
        _exit(n == 2000 ? 0 : 1);
    }
    EXPECT_EQ(ReadFileFully(pipeFds[0], 3000, buffer.data(), &got), kErrorSuccess);
    EXPECT_EQ(got, 3000u);
    EXPECT_EQ(buffer, part);
    int status = 0;
    waitpid(child, &status, 0);
    close(pipeFds[1]);
    EXPECT_EQ(ReadFileFully(pipeFds[0], 10, buffer.data(), &got), kErrorReadFault);
    EXPECT_EQ(got, 0u);
    close(pipeFds[0]);
}

}  // namespace
}  // namespace keldrin
