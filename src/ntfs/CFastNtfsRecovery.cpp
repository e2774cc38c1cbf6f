// Opening an NTFS volume: the boot sector's geometry, the sector device and the MFT's own runs.
#include "ntfs/CFastNtfsRecovery.h"

#include <algorithm>
#include <array>

#include "engine/EngineTable.h"
#include "platform/Errors.h"

namespace keldrin {

namespace {
constexpr uint32_t kBootReadBytes = 4096;
}  // namespace

CFastNtfsRecovery::CFastNtfsRecovery() = default;

CFastNtfsRecovery::~CFastNtfsRecovery() {
    store_.reset();  // flushes what the store still buffers
    CloseDevice(device_);
}

std::unique_ptr<IFileRecoveryParse> MakeFastNtfsEngine() {
    return std::make_unique<CFastNtfsRecovery>();
}

int32_t CFastNtfsRecovery::AdoptBootSector(const uint8_t* boot) {
    ntfs::BootGeometry g;
    if (!ntfs::ParseBootSector(boot, &g)) return kErrorInvalidParameter;
    bytesPerSector_ = g.bytesPerSector;
    sectorsPerCluster_ = g.sectorsPerCluster;
    sectorsPerRecord_ = g.sectorsPerRecord;
    recordSize_ = g.recordSize;
    scanChunkSize_ = g.scanChunkSize;
    geometry_ = RecordGeometry{g.sectorsPerRecord, g.bytesPerSector};
    if (g.mftCluster > totalSectors_ / uint64_t(g.sectorsPerCluster)) return kErrorInvalidParameter;
    mftStartSector_ = startSector_ + uint64_t(g.sectorsPerCluster) * g.mftCluster;
    scanChunk_.assign(scanChunkSize_, 0);
    return kErrorSuccess;
}

uint64_t CFastNtfsRecovery::ClusterCount() const {
    return totalSectors_ / uint64_t(sectorsPerCluster_);
}

void CFastNtfsRecovery::LoadMftRuns() {
    mftRuns_.clear();
    RunList runs;
    if (ReadRecordRuns(mftStartSector_, ntfs::kTypeData, runs) != kErrorSuccess) return;
    // Keep the runs that lie on the volume: a damaged run list must not send the walk off the
    // end of the device or into a huge read.
    const uint64_t clusters = ClusterCount();
    uint64_t position = 0;
    for (const DataRun& run : runs) {
        if (run.sparse) break;
        position += uint64_t(run.delta);
        if (position >= clusters || run.length == 0 || run.length > clusters - position) break;
        mftRuns_.push_back(run);
    }
}

int32_t CFastNtfsRecovery::OpenImage(const std::filesystem::path& image, uint16_t sourceId) {
    CloseDevice(device_);
    opened_ = false;
    mftRuns_.clear();
    sourceId_ = sourceId;
    startSector_ = 0;
    int32_t result = OpenImageFile(device_, image);
    if (result != kErrorSuccess) return result;
    uint64_t fileSize = 0;
    result = QueryFileSize(image, &fileSize);
    if (result != kErrorSuccess) return result;
    std::array<uint8_t, kBootReadBytes> boot{};
    uint32_t got = 0;
    result = ReadSectors(device_, boot.data(), 0, kBootReadBytes / 512, 512, &got);
    if (result != kErrorSuccess) return result;
    ntfs::BootGeometry g;
    if (!ntfs::ParseBootSector(boot.data(), &g)) return kErrorInvalidParameter;
    // Counted in the volume's own sectors, the unit of every sector number this engine uses.
    totalSectors_ = fileSize / g.bytesPerSector;
    result = AdoptBootSector(boot.data());
    if (result != kErrorSuccess) return result;
    opened_ = true;
    LoadMftRuns();
    return kErrorSuccess;
}

int32_t CFastNtfsRecovery::OpenDisk(uint32_t diskNumber, uint64_t startSector,
                                    uint64_t sectorCount, uint16_t sourceId) {
    CloseDevice(device_);
    opened_ = false;
    mftRuns_.clear();
    sourceId_ = sourceId;
    int32_t result = OpenPhysicalDisk(device_, diskNumber);
    if (result != kErrorSuccess) return result;
    uint32_t diskSectorSize = 512;
    if (DiskSectorSize(diskNumber, &diskSectorSize) != kErrorSuccess || diskSectorSize == 0) {
        diskSectorSize = 512;
    }
    std::array<uint8_t, kBootReadBytes> boot{};
    const int32_t count = int32_t(std::max<uint32_t>(1, kBootReadBytes / diskSectorSize));
    if (uint64_t(count) * diskSectorSize > boot.size()) return kErrorInvalidParameter;
    uint32_t got = 0;
    result = ReadSectors(device_, boot.data(), startSector, count, diskSectorSize, &got);
    if (result != kErrorSuccess) return result;
    ntfs::BootGeometry g;
    if (!ntfs::ParseBootSector(boot.data(), &g)) return kErrorInvalidParameter;
    // The region comes in the disk's sectors; the engine counts in the volume's.
    if (g.bytesPerSector == diskSectorSize) {
        startSector_ = startSector;
        totalSectors_ = sectorCount;
    } else {
        const uint64_t startByte = startSector * diskSectorSize;
        if (startByte % g.bytesPerSector != 0) return kErrorInvalidParameter;
        startSector_ = startByte / g.bytesPerSector;
        totalSectors_ = sectorCount * diskSectorSize / g.bytesPerSector;
    }
    result = AdoptBootSector(boot.data());
    if (result != kErrorSuccess) return result;
    opened_ = true;
    LoadMftRuns();
    return kErrorSuccess;
}

int32_t CFastNtfsRecovery::SetProgressCallback(ProgressCallback progress,
                                               CopyProgressCallback copy, void* context,
                                               int32_t scale) {
    progress_ = progress;
    copyProgress_ = copy;
    context_ = context;
    scale_ = scale;
    return kErrorSuccess;
}

}  // namespace keldrin
