// A sector device over a temporary image file, and the files a test lays into it, for checks that
// read the medium through the signature context.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "TempDir.h"
#include "signature/FileTypeSignature.h"
#include "storage/SectorDevice.h"

namespace keldrin::test {

// Bytes of an image under construction, grown in whole 512-byte sectors.
class ImageBuilder {
public:
    // Copies bytes to the given sector, growing the image as needed; returns the sector.
    uint64_t Place(uint64_t sector, const std::vector<uint8_t>& bytes);
    // Pads the image with zeros up to sectorCount sectors.
    void Reserve(uint64_t sectorCount);
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Opens the image as a sector device (512-byte sectors) for the life of the object.
class ImageDevice {
public:
    explicit ImageDevice(const std::vector<uint8_t>& image);
    ~ImageDevice();
    ImageDevice(const ImageDevice&) = delete;
    ImageDevice& operator=(const ImageDevice&) = delete;

    SectorDevice* device() { return &device_; }
    bool open() const { return device_.handle != kInvalidHandle; }
    // The first sector of the file at sector, as the signature scan hands it over.
    std::vector<uint8_t> Sector(uint64_t sector) const;
    // Points the context at this device with hit and cursor at sector (the state of an identify
    // call of the signature scan), flags as given.
    void Aim(uint64_t sector, bool tsContinuation = false, bool previousHitWasMts = false);
    // Aims at sector and identifies its first 512 bytes.
    SignatureHit IdentifyAt(uint64_t sector, bool tsContinuation = false);

private:
    TempDir dir_;
    std::vector<uint8_t> image_;
    SectorDevice device_;
};

// Sets the context to no device (reads through it fail), with the given sector.
void AimWithoutDevice(uint64_t sector = 0);

}  // namespace keldrin::test
