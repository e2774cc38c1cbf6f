// The same calls on a real block device: a loop device over a temporary image (root only;
// skipped where loop devices cannot be had, e.g. in unprivileged containers).
#include <gtest/gtest.h>
#include <unistd.h>

#include "Fixtures.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/DiskRegistry.h"
#include "platform/Errors.h"
#include "storage/SectorDevice.h"

namespace keldrin {
namespace {

class LoopDevice {
public:
    LoopDevice(const std::filesystem::path& image, uint32_t sectorSize) {
        if (geteuid() != 0 || !test::HaveTool("losetup")) return;
        auto r = test::RunShell("losetup --find --show --sector-size " +
                                std::to_string(sectorSize) + " " + test::ShellQuote(image));
        if (r.status == 0 && r.output.rfind("/dev/loop", 0) == 0) {
            node_ = r.output.substr(0, r.output.find('\n'));
        }
    }
    ~LoopDevice() {
        if (!node_.empty()) test::RunShell("losetup -d " + test::ShellQuote(node_));
    }
    const std::string& node() const { return node_; }

private:
    std::string node_;
};

TEST(LoopDevice, BlockDeviceReportsItsLogicalSectorSizeAndLength) {
    // The real system roots, whatever the caller's environment says.
    test::ScopedEnv sysfs("KELDRIN_SYSFS_ROOT", std::nullopt);
    test::ScopedEnv dev("KELDRIN_DEV_ROOT", std::nullopt);
    test::TempDir dir;
    std::vector<uint8_t> content = test::PseudoRandomBytes(4 << 20, 9);
    test::WriteWholeFile(dir / "disk.img", content);
    LoopDevice loop(dir / "disk.img", 4096);
    if (loop.node().empty()) GTEST_SKIP() << "no loop devices here";

    DiskRegistry::Instance().ResetForTesting();
    const std::string name = std::filesystem::path(loop.node()).filename();
    std::optional<uint32_t> number;
    for (const auto& disk : DiskRegistry::Instance().Refresh()) {
        if (disk.name == name) number = disk.number;
    }
    ASSERT_TRUE(number) << name << " not listed";

    uint32_t sectorSize = 0;
    uint64_t length = 0;
    EXPECT_EQ(DiskSectorSize(*number, &sectorSize), kErrorSuccess);
    EXPECT_EQ(sectorSize, 4096u);
    EXPECT_EQ(DiskLength(*number, &length), kErrorSuccess);
    EXPECT_EQ(length, 4u << 20);
    EXPECT_FALSE(IsRemovableDisk(*number));

    SectorDevice device;
    ASSERT_EQ(OpenPhysicalDisk(device, *number), kErrorSuccess);
    EXPECT_EQ(device.sectorCount, 1024u);
    std::vector<uint8_t> buffer(3 * 4096);
    uint32_t read = 0;
    EXPECT_EQ(ReadSectors(device, buffer.data(), 1021, 3, 4096, &read), kErrorSuccess);
    EXPECT_EQ(read, 3u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), content.begin() + 1021 * 4096));
    EXPECT_EQ(ReadSectors(device, buffer.data(), 1022, 3, 4096, &read), kErrorInvalidParameter);
    CloseDevice(device);

    // The node opened as an image counts 512-byte sectors of the same bytes.
    uint64_t size = 0;
    EXPECT_EQ(QueryFileSize(loop.node(), &size), kErrorSuccess);
    EXPECT_EQ(size, 4u << 20);
    ASSERT_EQ(OpenImageFile(device, loop.node()), kErrorSuccess);
    EXPECT_EQ(device.sectorCount, 8192u);
    CloseDevice(device);
    DiskRegistry::Instance().ResetForTesting();
}

}  // namespace
}  // namespace keldrin
