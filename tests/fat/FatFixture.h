// FAT images made by the real tools (mkfs.fat and mtools) at test time, byte patches for the
// cases where one byte is the point, and helpers that scan an image and read its results back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/ScanEntry.h"
#include "fat/CFastFatRecovery.h"

namespace keldrin::test {

struct FatKindCase {
    const char* label;  // test-name suffix
    int fatBits;        // 12, 16 or 32
    uint32_t sizeKiB;
    const char* mkfsOptions;
};

// Small volumes of each kind: a FAT12 floppy (224 root entries), a FAT16 volume with 4096-byte
// sectors (root directory of 4 sectors) and a FAT32 volume of 512-byte clusters.
const std::vector<FatKindCase>& FatKinds();

class FatImage {
public:
    FatImage(const std::filesystem::path& path, int fatBits, uint32_t sizeKiB,
             const std::string& mkfsOptions = "");
    const std::filesystem::path& path() const { return path_; }

    // mtools on the image; image paths are like "/DCIM/IMG.JPG". Each fails the test on error.
    bool Put(const std::vector<uint8_t>& content, const std::string& imagePath);
    bool MakeDir(const std::string& imagePath);
    bool Delete(const std::string& imagePath);
    bool DeleteTree(const std::string& imagePath);

    std::vector<uint8_t> Read(uint64_t offset, size_t n) const;
    void Write(uint64_t offset, const std::vector<uint8_t>& bytes) const;
    // Byte offset of the first 32-byte directory entry whose 11 name bytes are given (the first
    // byte compared as 0xE5 when deleted is set); -1 when none.
    int64_t FindDirEntry(const std::string& name11, bool deleted) const;

private:
    std::filesystem::path path_;
    std::filesystem::path scratch_;
};

// A JPEG-looking file (FF D8 FF E0 "JFIF" then pseudo-random bytes) of the given size.
std::vector<uint8_t> JpegLike(size_t size, uint32_t seed);

// A fresh numbered scan-log folder, as the scan worker takes before every scan.
void BeginNewScanLog();

// An engine opened on the image and scanned (in a fresh scan-log folder); null (with a test
// failure) when either failed.
std::unique_ptr<CFastFatRecovery> ScanImage(const std::filesystem::path& image);

// Every entry of the engine's results by its path ("DIR/SUB/NAME"), walking the folder tree
// from the root with the depth as the key high half.
std::map<std::string, ScanEntry> CollectTree(CFastFatRecovery& engine);

// Recovers a file entry to path and returns the bytes written (empty on failure).
std::vector<uint8_t> RecoverBytes(CFastFatRecovery& engine, const ScanEntry& entry,
                                  const std::filesystem::path& path);

}  // namespace keldrin::test
