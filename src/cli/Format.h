// Text forms shared by the command line's outputs: sizes, times, time left, JSON.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/ScanEntry.h"

namespace keldrin::cli {

// "%.2f" with " TB", " GB", " MB", " KB" at powers of 1024, or "%d Bytes".
std::string SizeText(uint64_t bytes);
// A FILETIME (local time as stored on the volume) as "%d-%d-%d %02d:%02d:%02d"; empty for 0.
std::string DateText(uint64_t fileTime);
// "%d Hour %d Min", "%d Min %d Sec" or "%d Sec".
std::string DurationText(int64_t seconds);

// A JSON string literal (quotes included); bytes that are not valid UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);
// One entry as a JSON object; path is its folder path ("DCIM/100MEDIA/").
std::string EntryJson(const ScanEntry& entry, const std::string& path);

// The entry's name field as text (bounded by the field).
std::string EntryName(const ScanEntry& entry);

}  // namespace keldrin::cli
