// Where recovered files may go: never onto the medium being scanned.
#pragma once

#include <filesystem>
#include <string>

#include "cli/Source.h"

namespace keldrin::cli {

// True when the destination folder (or, while it does not exist yet, its nearest existing
// ancestor) lives on the scanned medium: on the disk or one of its partitions, or on a file
// system whose loop device is backed by the scanned image. *why says which.
bool DestinationOnMedium(const std::filesystem::path& destination, const Source& source,
                         std::string* why);

}  // namespace keldrin::cli
