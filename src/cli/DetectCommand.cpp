#include <cstdio>
#include <vector>

#include "cli/Commands.h"
#include "cli/Source.h"
#include "engine/EngineTable.h"
#include "engine/Factory.h"
#include "platform/Errors.h"

namespace keldrin::cli {

void PrintError(const std::string& message) {
    std::fprintf(stderr, "keldrin: %s\n", message.c_str());
}

int RunDetect(const std::string& text) {
    Source source;
    std::string error;
    if (ResolveSource(text, &source, &error) != kErrorSuccess) {
        PrintError(error);
        return kExitFailed;
    }
    std::vector<std::string> lines;
    for (const Region& region : source.regions) {
        SectorDevice device;
        int32_t err = OpenRegionDevice(region, device);
        std::vector<uint8_t> head;
        bool tooShort = false;
        if (err == kErrorSuccess) {
            err = ReadDetectionBytes(device, region.startSector, region.sectorCount,
                                     region.bytesPerSector, head, &tooShort);
        }
        CloseDevice(device);
        const char* name = "none";
        if (err == kErrorSuccess) {
            name = FileSystemName(DetectFileSystem(head.data()));
        } else if (!tooShort) {
            PrintError("cannot read '" + region.label + "': " + ErrorMessage(err));
            return kExitFailed;
        }
        lines.push_back(source.fromPartitionTable ? region.label + " " + name : name);
    }
    for (const std::string& line : lines) std::printf("%s\n", line.c_str());
    return kExitOk;
}

}  // namespace keldrin::cli
