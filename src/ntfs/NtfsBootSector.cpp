// Geometry of an NTFS volume from its boot sector. Only bytes per sector, sectors per cluster and
// the MFT's cluster are read; the record size follows from the sector size (1024-byte records on
// 512-byte sectors, one sector otherwise), not from the boot sector's own field.
#include "ntfs/NtfsLayout.h"
#include "platform/ByteOrder.h"

namespace keldrin::ntfs {

namespace {
bool IsPowerOfTwo(uint64_t v) { return v != 0 && (v & (v - 1)) == 0; }
}  // namespace

bool ParseBootSector(const uint8_t* boot, BootGeometry* out) {
    BootGeometry g;
    g.bytesPerSector = Le16(boot + kBootBytesPerSector);
    if (g.bytesPerSector == 0) g.bytesPerSector = 512;
    g.sectorsPerCluster = int8_t(boot[kBootSectorsPerCluster]);
    g.mftCluster = Le64(boot + kBootMftCluster);
    // A division by a zero or negative cluster size, or a sector size the fixups cannot cover,
    // would turn every later computation into nonsense; such a volume is not opened.
    if (!IsPowerOfTwo(g.bytesPerSector) || g.bytesPerSector < 512 || g.bytesPerSector > 4096) {
        return false;
    }
    if (g.sectorsPerCluster <= 0 || !IsPowerOfTwo(uint32_t(g.sectorsPerCluster))) return false;
    g.sectorsPerRecord = g.bytesPerSector == 512 ? 2 : 1;
    g.recordSize = g.bytesPerSector * g.sectorsPerRecord;
    g.scanChunkSize = g.recordSize * 1024;
    *out = g;
    return true;
}

}  // namespace keldrin::ntfs
