#include "cli/Destination.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>

#include "platform/DiskRegistry.h"

namespace keldrin::cli {
namespace {

std::filesystem::path NearestExisting(std::filesystem::path path) {
    std::error_code ec;
    path = std::filesystem::absolute(path, ec).lexically_normal();
    while (!path.empty() && !std::filesystem::exists(path, ec)) {
        if (path == path.parent_path()) break;
        path = path.parent_path();
    }
    return path;
}

// The file a loop device reads, from its sysfs "loop/backing_file".
std::filesystem::path LoopBackingFile(dev_t device) {
    std::filesystem::path attribute = SysfsRoot() / "dev" / "block" /
                                      (std::to_string(major(device)) + ":" +
                                       std::to_string(minor(device))) /
                                      "loop" / "backing_file";
    std::ifstream in(attribute);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

bool DestinationOnMedium(const std::filesystem::path& destination, const Source& source,
                         std::string* why) {
    std::filesystem::path existing = NearestExisting(destination);
    struct stat st{};
    if (existing.empty() || ::stat(existing.c_str(), &st) != 0) return false;
    for (dev_t device : source.devices) {
        if (st.st_dev == device) {
            *why = "it is on the disk being scanned";
            return true;
        }
    }
    std::filesystem::path backing = LoopBackingFile(st.st_dev);
    std::error_code ec;
    for (const auto& file : source.files) {
        if (!backing.empty() && std::filesystem::equivalent(backing, file, ec)) {
            *why = "it is on a file system mounted from the image being scanned";
            return true;
        }
        // The destination inside the image's own path (an image that is a folder cannot be, but
        // a path given as the destination may be the image file itself).
        if (std::filesystem::equivalent(existing, file, ec)) {
            *why = "it is the image being scanned";
            return true;
        }
    }
    return false;
}

}  // namespace keldrin::cli
