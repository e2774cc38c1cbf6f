// Shared pieces of the signature-recovery tests: an image file laid out sector by sector, opened
// as a sector device, and the signature context pointed at it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "TempDir.h"
#include "signature/FileTypeSignature.h"
#include "storage/SectorDevice.h"

namespace keldrin::test {

// An image of whole sectors; bytes are placed at sector offsets, the rest is what the caller
// filled it with.
class SectorImage {
public:
    SectorImage(uint64_t sectors, uint32_t sectorSize, uint32_t fillSeed);
    uint8_t* Sector(uint64_t n) { return bytes_.data() + n * sectorSize_; }
    void Place(uint64_t sector, const std::vector<uint8_t>& data);
    void Zero(uint64_t sector, uint64_t count);
    // Writes the image into the folder and opens it (for 512-byte sectors as an image file; a
    // SectorDevice counts the image in the sector size of the reads made on it).
    SectorDevice& Open(const TempDir& dir, const char* name = "carve.img");
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    uint32_t SectorSize() const { return sectorSize_; }
    ~SectorImage();

private:
    std::vector<uint8_t> bytes_;
    uint32_t sectorSize_;
    SectorDevice device_;
};

// Points the signature context at the device as IdentifyAndSize would for a hit at sector.
void AimContext(SectorDevice& device, uint32_t sectorSize, uint64_t hitSector);

}  // namespace keldrin::test
