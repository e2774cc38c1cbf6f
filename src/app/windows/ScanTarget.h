// One thing that can be scanned: a volume of a disk or a loaded image file, with the engine that
// scanned it last (owned). The main window owns the targets; the scan window only points at them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "engine/IFileRecoveryParse.h"

namespace keldrin {

// What the scan worker reads of a volume: its disk, its region in the disk's own sectors and its
// letter field (numbered on Linux, where volumes have no letter).
struct ScanVolume {
    uint32_t diskNumber = 0;
    uint64_t startSector = 0;
    uint64_t sectorCount = 0;
    uint16_t letter = 0;
};

struct ScanTarget {
    std::optional<ScanVolume> volume;            // empty for an image
    std::unique_ptr<IFileRecoveryParse> engine;  // the engine of the last scan; null before it
    std::filesystem::path imagePath;             // empty for a volume
    uint16_t imageNumber = 0;                    // the source id of an image (1001, 1002, ...)

    bool IsImage() const { return !imagePath.empty() || !volume; }
};

}  // namespace keldrin
