// The factory on disks of a fake device tree: detection reads at start x the disk's own sector
// size.
#include <gtest/gtest.h>

#include "FakeDeviceTree.h"
#include "Fixtures.h"
#include "TempDir.h"
#include "engine/CFastExtRecovery.h"
#include "engine/Factory.h"
#include "platform/DiskRegistry.h"

namespace keldrin {
namespace {

using test::ShellQuote;

TEST(FakeDiskFactory, DetectionCountsStartInTheDisksOwn4096ByteSectors) {
    test::TempDir work;
    auto volume = work / "ext.img";
    auto disk = work / "disk.img";
    // An ext volume at byte 1 MiB: sector 256 of a 4096-byte-sector disk, 2048 of a 512-byte one.
    ASSERT_TRUE(test::RunOrFail("truncate -s 4M " + ShellQuote(volume) +
                                " && mkfs.ext4 -q -F -b 4096 " + ShellQuote(volume) +
                                " && truncate -s 6M " + ShellQuote(disk) + " && dd if=" +
                                ShellQuote(volume) + " of=" + ShellQuote(disk) +
                                " bs=1M seek=1 conv=notrunc status=none"));
    test::FakeDeviceTree tree;
    test::FakeDisk big;
    big.image = disk;
    big.logicalBlockSize = 4096;
    big.removable = true;
    big.bus = test::FakeBus::kUsb;
    tree.AddDisk("sdb", big);
    auto found = DiskRegistry::Instance().Refresh();
    ASSERT_EQ(found.size(), 1u);
    const uint32_t n = found[0].number;

    auto engine = OpenDiskRecovery(n, 256, 1024, 0, 0);
    ASSERT_NE(engine, nullptr);
    auto* ext = dynamic_cast<CFastExtRecovery*>(engine.get());
    ASSERT_NE(ext, nullptr);
    EXPECT_EQ(ext->StartSector(), 256u);
    // Read as 512-byte sectors, 2048 would be the volume; on this disk it is 8 MiB in, past the end.
    EXPECT_EQ(OpenDiskRecovery(n, 2048, 8, 0, 0), nullptr);
    // Four 4096-byte sectors are 16 KiB: enough; three are not.
    EXPECT_NE(OpenDiskRecovery(n, 256, 4, 0, 0), nullptr);
    EXPECT_EQ(OpenDiskRecovery(n, 256, 3, 0, 0), nullptr);
}

}  // namespace
}  // namespace keldrin
