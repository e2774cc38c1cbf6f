// Where a recovered file lands: category folders, unique names, and names from the medium made
// safe. Names found on a medium are untrusted: nothing here lets a recovered file leave the
// destination folder the user chose. Shared by the command line and the desktop recovery worker.
#pragma once

#include <filesystem>
#include <string>

namespace keldrin {

// "photo", "audio", "video", "document", "archive" or "others", by the name's extension and the
// type lists of the scan store.
std::string CategoryFolderName(const std::string& fileName);

// path itself when nothing exists there, else the first free "name(1).ext", "name(2).ext", ...
std::filesystem::path MakeUniquePath(const std::filesystem::path& path);

// One path element from a name found on a medium: "/" and "\", control bytes and what a Linux
// or FAT/NTFS destination cannot hold (:*?"<>|) are replaced, trailing dots and spaces removed,
// "." and ".." and empty names replaced, and the result cut to 255 bytes at a character boundary
// keeping the extension and room for "(n)".
std::string SafeFileName(const std::string& nameFromMedium);

}  // namespace keldrin
