// Opening a FAT volume: the boot sector, the geometry and the FAT window.
#include <algorithm>

#include "fat/CFastFatRecovery.h"
#include "platform/Errors.h"

namespace keldrin {
namespace {

constexpr uint32_t kBootSectorBytes = 4096;

}  // namespace

CFastFatRecovery::CFastFatRecovery() : store_(std::make_unique<ScanStore>()) {}

CFastFatRecovery::~CFastFatRecovery() {
    store_.reset();  // flushes and closes the scan log
    CloseDevice(device_);
}

int32_t CFastFatRecovery::OpenDisk(uint32_t diskNumber, uint64_t startSector, uint64_t sectorCount,
                                   uint16_t sourceId) {
    if (opened_) return kErrorSuccess;
    uint32_t bytesPerSector = 512;
    uint32_t diskSectorSize = 0;
    if (DiskSectorSize(diskNumber, &diskSectorSize) == kErrorSuccess && diskSectorSize != 0)
        bytesPerSector = diskSectorSize;
    regionStart_ = startSector;
    regionSectors_ = sectorCount;
    sourceId_ = sourceId;
    int32_t err = OpenPhysicalDisk(device_, diskNumber);
    if (err != kErrorSuccess) {
        CloseDevice(device_);
        openError_ = err;
        return err;
    }
    opened_ = true;
    deviceSectors_ = device_.sectorCount;
    return LoadVolume(bytesPerSector);
}

int32_t CFastFatRecovery::OpenImage(const std::filesystem::path& image, uint16_t sourceId) {
    if (opened_) return kErrorSuccess;
    sourceId_ = sourceId;
    int32_t err = OpenImageFile(device_, image);
    if (err != kErrorSuccess) {
        CloseDevice(device_);
        openError_ = err;
        return err;
    }
    opened_ = true;
    regionStart_ = 0;
    regionSectors_ = device_.sectorCount;  // an image counts 512-byte sectors
    deviceSectors_ = device_.sectorCount;
    return LoadVolume(512);
}

int32_t CFastFatRecovery::LoadVolume(uint32_t bytesPerSector) {
    bytesPerSector_ = bytesPerSector;
    uint32_t sectors = std::max<uint32_t>(1, kBootSectorBytes / bytesPerSector);
    bootSector_.assign(std::max<size_t>(kBootSectorBytes, size_t(sectors) * bytesPerSector), 0);
    uint32_t got = 0;
    int32_t err = ReadSectors(device_, bootSector_.data(), regionStart_, int32_t(sectors),
                              bytesPerSector, &got);
    if (err == kErrorSuccess && got < sectors) err = kErrorReadFault;
    if (err != kErrorSuccess) {
        openError_ = err;
        return err;
    }
    FatGeometry g;
    if (!ParseFatGeometry(bootSector_.data(), bootSector_.size(), 0, &g)) {
        openError_ = kErrorInvalidParameter;
        return openError_;
    }
    // From here on the boot sector's sector size wins: restate the region and the device in it.
    // A region that does not start on a whole sector of that size cannot be this volume.
    if (g.bytesPerSector != bytesPerSector) {
        uint64_t startByte = regionStart_ * bytesPerSector;
        if (startByte % g.bytesPerSector != 0) {
            openError_ = kErrorInvalidParameter;
            return openError_;
        }
        regionStart_ = startByte / g.bytesPerSector;
        regionSectors_ = regionSectors_ * bytesPerSector / g.bytesPerSector;
        deviceSectors_ = deviceSectors_ * bytesPerSector / g.bytesPerSector;
        bytesPerSector_ = g.bytesPerSector;
    }
    if (deviceSectors_ > regionStart_)
        regionSectors_ = std::min(regionSectors_, deviceSectors_ - regionStart_);
    else
        regionSectors_ = 0;
    g.regionStart = regionStart_;
    geometry_ = g;
    haveGeometry_ = true;
    openError_ = kErrorSuccess;
    fat_.Open(&device_, deviceSectors_, geometry_);
    return kErrorSuccess;
}

int32_t CFastFatRecovery::ReadVolume(uint64_t sector, uint32_t count, uint8_t* buffer,
                                     uint32_t* got) {
    *got = 0;
    if (count == 0) return kErrorSuccess;
    if (sector >= deviceSectors_ || deviceSectors_ - sector < count) return kErrorInvalidParameter;
    int32_t err = ReadSectors(device_, buffer, sector, int32_t(count), bytesPerSector_, got);
    if (err == kErrorSuccess && *got == 0) return kErrorReadFault;
    return err;
}

FatGeometry CFastFatRecovery::GeometryForEntry(const ScanEntry& entry) const {
    if (haveGeometry_ && entry.regionStart == geometry_.regionStart &&
        entry.dataStart == geometry_.dataStart && entry.clusterSize == geometry_.BytesPerCluster())
        return geometry_;
    uint64_t sectors = deviceSectors_ > entry.regionStart ? deviceSectors_ - entry.regionStart : 0;
    return GeometryFromFields(entry.regionStart, entry.dataStart, entry.clusterSize,
                              bytesPerSector_, sectors);
}

int32_t CFastFatRecovery::SetProgressCallback(ProgressCallback progress, CopyProgressCallback copy,
                                              void* context, int32_t scale) {
    progress_ = progress;
    copyProgress_ = copy;
    context_ = context;
    scale_ = scale;
    return kErrorSuccess;
}

}  // namespace keldrin
