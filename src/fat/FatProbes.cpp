// Probes into the data area: the lost high half of a deleted FAT32 entry's first cluster, and
// whether a deleted file's first cluster still holds data of its type.
#include <vector>

#include "fat/CFastFatRecovery.h"
#include "platform/Errors.h"
#include "platform/Text.h"
#include "signature/FileTypeSignature.h"

namespace keldrin {
namespace {

// Windows clears the high half of a deleted FAT32 entry; the probes try h = 0 .. 256.
constexpr uint32_t kMaxHighGuess = 256;

}  // namespace

int32_t CFastFatRecovery::GuessFolderClusterHigh(uint16_t low, uint16_t* high) {
    *high = 0;
    if (!haveGeometry_) return kErrorSuccess;
    std::vector<uint8_t> sector(bytesPerSector_);
    for (uint32_t h = 0; h <= kMaxHighGuess; ++h) {
        uint64_t cluster = uint64_t(h) * 65536 + low;
        if (cluster < 2) continue;
        if (!geometry_.IsDataCluster(cluster)) break;  // every later h lies further out
        uint64_t s = geometry_.ClusterToSector(uint32_t(cluster));
        if (s >= RegionEnd()) break;
        uint32_t got = 0;
        if (int32_t err = ReadVolume(s, 1, sector.data(), &got)) return err;
        if (sector[0] == '.' && sector[1] == ' ' && sector[32] == '.' && sector[33] == '.') {
            *high = uint16_t(h);
            return kErrorSuccess;
        }
    }
    return kErrorSuccess;
}

int32_t CFastFatRecovery::GuessFileClusterHigh(const std::string& name, uint16_t low,
                                               uint16_t* high) {
    *high = 0;
    std::string ext = AsciiLower(ExtensionOf(name));
    if (ext.empty() || !haveGeometry_) return kErrorSuccess;
    std::vector<uint8_t> sector(bytesPerSector_);
    for (uint32_t h = 0; h <= kMaxHighGuess; ++h) {
        uint64_t cluster = uint64_t(h) * 65536 + low;
        if (cluster < 2) continue;
        if (!geometry_.IsDataCluster(cluster)) break;
        uint64_t s = geometry_.ClusterToSector(uint32_t(cluster));
        if (s >= RegionEnd()) break;
        uint32_t got = 0;
        if (int32_t err = ReadVolume(s, 1, sector.data(), &got)) return err;
        if (MatchesExtension(sector.data(), int32_t(bytesPerSector_), ext, &device_,
                             int32_t(bytesPerSector_), s)) {
            *high = uint16_t(h);
            return kErrorSuccess;
        }
    }
    return kErrorSuccess;
}

int32_t CFastFatRecovery::CheckContent(const ScanEntry& record, uint32_t sectorsPerCluster) {
    std::string ext = AsciiLower(ExtensionOf(record.name));
    if (ext.empty()) return 1;
    FatGeometry g = GeometryForEntry(record);
    if (sectorsPerCluster != 0) g.sectorsPerCluster = sectorsPerCluster;
    // A first cluster that names no data cluster cannot be read: untested.
    if (!g.IsDataCluster(record.firstCluster)) return 1;
    uint64_t s = g.ClusterToSector(record.firstCluster);
    std::vector<uint8_t> sector(bytesPerSector_);
    uint32_t got = 0;
    if (ReadVolume(s, 1, sector.data(), &got) != kErrorSuccess || got == 0) return 1;
    return MatchesExtension(sector.data(), int32_t(bytesPerSector_), ext, &device_,
                            int32_t(bytesPerSector_), s)
               ? 1
               : 0;
}

}  // namespace keldrin
