#include "engine/RecoveryNames.h"

#include <array>
#include <string_view>
#include <system_error>

#include "engine/ScanStore.h"
#include "platform/Text.h"

namespace keldrin {
namespace {

// "name(n).ext" must still fit 255 bytes for any n a destination will reach.
constexpr size_t kMaxNameBytes = 255;
constexpr size_t kUniqueSuffixRoom = 8;  // "(999999)"
constexpr size_t kMaxSafeNameBytes = kMaxNameBytes - kUniqueSuffixRoom;
// An extension longer than this is not kept whole when a name is cut.
constexpr size_t kMaxKeptExtensionBytes = 32;

bool IsReplacedByte(unsigned char c) {
    if (c < 0x20 || c == 0x7F) return true;
    switch (c) {
        case '/':
        case '\\':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return true;
        default:
            return false;
    }
}

void DropTrailingDotsAndSpaces(std::string& s) {
    while (!s.empty() && (s.back() == '.' || s.back() == ' ')) s.pop_back();
}

// Device names a FAT or NTFS destination reserves, with or without an extension.
bool IsReservedDeviceName(std::string_view name) {
    std::string base = AsciiLower(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static constexpr std::array<std::string_view, 4> kFixed = {"con", "prn", "aux", "nul"};
    for (std::string_view r : kFixed) {
        if (base == r) return true;
    }
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

}  // namespace

std::string CategoryFolderName(const std::string& fileName) {
    std::string ext = AsciiLower(ExtensionOf(fileName));
    if (ext.empty()) return "others";
    if (ExtensionInList(ext, kImageTypes)) return "photo";
    if (ExtensionInList(ext, kAudioTypes)) return "audio";
    if (ExtensionInList(ext, kVideoTypes)) return "video";
    if (ExtensionInList(ext, kDocumentTypes)) return "document";
    if (ExtensionInList(ext, kArchiveTypes)) return "archive";
    return "others";
}

std::filesystem::path MakeUniquePath(const std::filesystem::path& path) {
    std::error_code ec;
    // A dangling symbolic link is something that exists: writing through it would land
    // wherever it points.
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return path;
    const std::filesystem::path folder = path.parent_path();
    const std::string stem = path.stem().string();
    const std::string ext = path.extension().string();
    for (uint64_t n = 1;; ++n) {
        std::filesystem::path candidate = folder / (stem + "(" + std::to_string(n) + ")" + ext);
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, ec)))
            return candidate;
    }
}

std::string SafeFileName(const std::string& nameFromMedium) {
    // Valid UTF-8 first: a FAT or NTFS destination stores names as UTF-16.
    std::string name = Utf16ToUtf8(Utf8ToUtf16(nameFromMedium));
    for (char& c : name) {
        if (IsReplacedByte(static_cast<unsigned char>(c))) c = '_';
    }
    DropTrailingDotsAndSpaces(name);
    if (name.empty()) return "_";  // also "." and ".."
    if (IsReservedDeviceName(name)) name.insert(name.begin(), '_');
    if (name.size() > kMaxSafeNameBytes) {
        std::string_view ext = ExtensionOf(name);
        std::string kept;
        if (!ext.empty() && ext.size() + 1 <= kMaxKeptExtensionBytes) {
            std::string tail = "." + std::string(ext);
            std::string_view stem(name.data(), name.size() - tail.size());
            kept = std::string(CutAtCharBoundary(stem, kMaxSafeNameBytes - tail.size()));
            DropTrailingDotsAndSpaces(kept);
            if (kept.empty()) kept = "_";
            kept += tail;
        } else {
            kept = std::string(CutAtCharBoundary(name, kMaxSafeNameBytes));
            DropTrailingDotsAndSpaces(kept);
            if (kept.empty()) kept = "_";
        }
        name = std::move(kept);
    }
    return name;
}

}  // namespace keldrin
