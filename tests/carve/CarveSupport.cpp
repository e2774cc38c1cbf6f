#include "CarveSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "Fixtures.h"

namespace keldrin::test {

SectorImage::SectorImage(uint64_t sectors, uint32_t sectorSize, uint32_t fillSeed)
    : bytes_(PseudoRandomBytes(size_t(sectors * sectorSize), fillSeed)), sectorSize_(sectorSize) {}

SectorImage::~SectorImage() { CloseDevice(device_); }

void SectorImage::Place(uint64_t sector, const std::vector<uint8_t>& data) {
    std::copy(data.begin(), data.end(), bytes_.begin() + ptrdiff_t(sector * sectorSize_));
}

void SectorImage::Zero(uint64_t sector, uint64_t count) {
    std::fill_n(bytes_.begin() + ptrdiff_t(sector * sectorSize_), count * sectorSize_, 0);
}

SectorDevice& SectorImage::Open(const TempDir& dir, const char* name) {
    const auto path = dir / name;
    WriteWholeFile(path, bytes_);
    CloseDevice(device_);
    if (sectorSize_ == 512) {
        OpenImageFile(device_, path);
    } else {
        device_.handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        device_.sectorCount = bytes_.size() / sectorSize_;
    }
    return device_;
}

void AimContext(SectorDevice& device, uint32_t sectorSize, uint64_t hitSector) {
    SignatureContext& ctx = GetSignatureContext();
    ctx.device = &device;
    ctx.sectorSize = int32_t(sectorSize);
    ctx.hitSector = hitSector;
    ctx.cursorSector = hitSector;
    ctx.tsContinuation = false;
    ctx.previousHitWasMts = false;
    ctx.tsRegions.clear();
    ctx.sectorsScanned = 0;
    ctx.sectorsTotal = 1000;
    ctx.secondsLeft = -1;
    ctx.filesFound = 0;
    ctx.progress = nullptr;
    ctx.progressContext = nullptr;
    ctx.cancelStatus = 0;
}

}  // namespace keldrin::test
