// Byte-level NTFS volumes for the cases where one field is the point: records built attribute
// by attribute (with their update-sequence fixups applied as NTFS writes them), an MFT in two
// runs, and clusters filled with known bytes. Only what the fast engine reads is laid out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace keldrin::test {

// (length in clusters, absolute start cluster or nullopt for a sparse run)
using RunSpec = std::vector<std::pair<uint64_t, std::optional<uint64_t>>>;

// Mapping pairs for the runs, each field in the fewest bytes that hold it, ending with 0.
std::vector<uint8_t> EncodeRuns(const RunSpec& runs);

std::vector<uint8_t> FileNameAttribute(uint32_t parent, const std::string& asciiName,
                                       uint8_t nameSpace = 3, uint64_t realSize = 0);
std::vector<uint8_t> ResidentAttribute(uint32_t type, const std::vector<uint8_t>& value,
                                       uint8_t nameLength = 0);
std::vector<uint8_t> NonResidentAttribute(uint32_t type, const std::vector<uint8_t>& pairs,
                                          uint64_t realSize, uint64_t startVcn = 0,
                                          uint8_t nameLength = 0);
std::vector<uint8_t> AttributeListEntry(uint32_t type, uint64_t record, uint64_t startVcn);

struct RecordSpec {
    uint32_t number = 0;
    uint16_t flags = 0;  // 0 = deleted file; 1 in use; 2 directory
    uint64_t baseReference = 0;
    std::vector<std::vector<uint8_t>> attributes;
};

class SyntheticVolume {
public:
    // A volume of `sectors` sectors with its MFT in two runs: records 0-15 at mftClusterA, the
    // rest (up to recordCount) at mftClusterB. Records 0 ($MFT), 5 (root) and 6 ($Bitmap, one
    // cluster at bitmapCluster, all clusters free) are written.
    SyntheticVolume(uint32_t bytesPerSector, uint32_t sectorsPerCluster, uint64_t sectors,
                    uint32_t recordCount = 64);
    uint32_t RecordSize() const { return recordSize_; }
    uint32_t ClusterBytes() const { return bytesPerSector_ * sectorsPerCluster_; }
    uint64_t MftClusterA() const { return mftClusterA_; }
    uint64_t MftClusterB() const { return mftClusterB_; }
    uint64_t BitmapCluster() const { return bitmapCluster_; }

    std::vector<uint8_t> BuildRecord(const RecordSpec& spec) const;
    void PutRecord(const RecordSpec& spec);
    void PutRawRecord(uint32_t number, const std::vector<uint8_t>& bytes);
    void PutClusters(uint64_t cluster, const std::vector<uint8_t>& bytes);
    std::vector<uint8_t>& Image() { return image_; }
    void Save(const std::filesystem::path& path) const;
    uint64_t RecordOffset(uint32_t number) const;  // byte offset of record n in the image

private:
    uint32_t bytesPerSector_;
    uint32_t sectorsPerCluster_;
    uint32_t recordSize_;
    uint32_t recordCount_;
    uint64_t mftClusterA_ = 16;
    uint64_t mftClusterB_ = 0;
    uint64_t bitmapCluster_ = 8;
    std::vector<uint8_t> image_;
};

// Deterministic bytes that differ per seed and position.
std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed);

}  // namespace keldrin::test
