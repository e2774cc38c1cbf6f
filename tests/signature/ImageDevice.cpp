#include "ImageDevice.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "Fixtures.h"

namespace keldrin::test {

uint64_t ImageBuilder::Place(uint64_t sector, const std::vector<uint8_t>& bytes) {
    const size_t at = size_t(sector) * 512;
    const size_t end = (at + bytes.size() + 511) / 512 * 512;
    if (bytes_.size() < end) bytes_.resize(end, 0);
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + std::ptrdiff_t(at));
    return sector;
}

void ImageBuilder::Reserve(uint64_t sectorCount) {
    if (bytes_.size() < sectorCount * 512) bytes_.resize(size_t(sectorCount) * 512, 0);
}

ImageDevice::ImageDevice(const std::vector<uint8_t>& image) : image_(image) {
    const auto path = dir_ / "medium.img";
    WriteWholeFile(path, image_);
    EXPECT_EQ(OpenImageFile(device_, path), 0);
}

ImageDevice::~ImageDevice() {
    CloseDevice(device_);
}

std::vector<uint8_t> ImageDevice::Sector(uint64_t sector) const {
    std::vector<uint8_t> out(512, 0);
    const size_t at = size_t(sector) * 512;
    if (at < image_.size()) {
        std::copy_n(image_.begin() + std::ptrdiff_t(at), std::min<size_t>(512, image_.size() - at),
                    out.begin());
    }
    return out;
}

void ImageDevice::Aim(uint64_t sector, bool tsContinuation, bool previousHitWasMts) {
    SignatureContext& context = GetSignatureContext();
    context.device = &device_;
    context.sectorSize = 512;
    context.hitSector = sector;
    context.cursorSector = sector;
    context.tsContinuation = tsContinuation;
    context.previousHitWasMts = previousHitWasMts;
    context.tsRegions.clear();
}

SignatureHit ImageDevice::IdentifyAt(uint64_t sector, bool tsContinuation) {
    Aim(sector, tsContinuation);
    const std::vector<uint8_t> block = Sector(sector);
    return IdentifyBlock(block.data(), int32_t(block.size()));
}

void AimWithoutDevice(uint64_t sector) {
    SignatureContext& context = GetSignatureContext();
    context.device = nullptr;
    context.sectorSize = 512;
    context.hitSector = sector;
    context.cursorSector = sector;
    context.tsContinuation = false;
    context.previousHitWasMts = false;
    context.tsRegions.clear();
}

}  // namespace keldrin::test
