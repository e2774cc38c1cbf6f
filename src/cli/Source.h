// What a command-line SOURCE names: an image file, a device node, "disk:N" or
// "disk:N:START:COUNT", resolved into the regions the factory opens. A whole disk or an image
// file with a partition table stands for its partitions (an image is entered in the disk registry
// so that its partitions are opened as disk regions, as a card in a reader is).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "storage/SectorDevice.h"

namespace keldrin::cli {

struct Region {
    bool isImage = false;          // opened with OpenImageRecovery (image without partitions)
    std::filesystem::path image;   // isImage
    uint32_t disk = 0;             // otherwise: a disk of the registry
    uint64_t startSector = 0;      // in the disk's own sectors
    uint64_t sectorCount = 0;
    uint32_t bytesPerSector = 512;
    std::string label;             // the image path, or "disk:N:START:COUNT"
};

struct Source {
    std::string text;                          // as the user gave it
    std::vector<Region> regions;
    bool fromPartitionTable = false;           // the regions are the partitions of a table
    // What the medium lives on, for refusing a destination on it: block devices of the disk and
    // its partitions, and regular files (images, or disks of a fake tree).
    std::vector<dev_t> devices;
    std::vector<std::filesystem::path> files;
};

// 0, or an error code with *error a sentence naming the source and the reason.
int32_t ResolveSource(const std::string& text, Source* out, std::string* error);

// Opens the region's device: the image file, or the whole disk.
int32_t OpenRegionDevice(const Region& region, SectorDevice& device);

// The partitions a partition table on the file or device describes: start and size in 512-byte
// units, extended-partition containers left out. Empty when there is no table.
struct PartitionSpan {
    uint64_t start512 = 0;
    uint64_t size512 = 0;
};
std::vector<PartitionSpan> ListPartitions(const std::filesystem::path& path);

}  // namespace keldrin::cli
