#include "platform/DiskRegistry.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <system_error>

#include "platform/Sysfs.h"

namespace keldrin {
namespace {

std::filesystem::path EnvPath(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return std::filesystem::path(value && *value ? value : fallback);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Whole disks that can never hold a card: RAM disks and compressed swap.
bool IsSkippedName(std::string_view name) {
    return StartsWith(name, "ram") || StartsWith(name, "zram");
}

bool IsDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Where a disk sits in the device tree, without the parts the kernel numbers afresh on every
// arrival: the SCSI host below a USB port or SATA link ("host6/target6:0:0/..."), and the card
// below an MMC slot ("mmc0:aaaa"). A stick re-plugged in the same port, or a card swapped in
// the same reader, keeps its place; a stick in another port has another.
std::string StableDevicePath(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::canonical(dir, ec);
    if (ec) canonical = dir;
    std::filesystem::path kept;
    for (const auto& part : canonical) {
        std::string c = part.string();
        if (c.size() > 4 && c.compare(0, 4, "host") == 0 && IsDigits(c.substr(4))) break;
        size_t colon = c.find(':');
        if (c.compare(0, 3, "mmc") == 0 && colon != std::string::npos &&
            IsDigits(c.substr(3, colon - 3))) {
            break;
        }
        kept /= part;
    }
    return kept.string();
}

// sysfs spells a "/" in a device name as "!" (cciss!c0d0 is /dev/cciss/c0d0).
std::filesystem::path DeviceNodeFor(const std::string& name) {
    std::string relative = name;
    std::replace(relative.begin(), relative.end(), '!', '/');
    return DeviceRoot() / relative;
}

}  // namespace

std::filesystem::path SysfsRoot() {
    return EnvPath("KELDRIN_SYSFS_ROOT", "/sys");
}
std::filesystem::path DeviceRoot() {
    return EnvPath("KELDRIN_DEV_ROOT", "/dev");
}
std::filesystem::path MountInfoPath() {
    return EnvPath("KELDRIN_MOUNTINFO", "/proc/self/mountinfo");
}

// A number belongs to one identity for the life of the process: a block device is known by its
// name together with its stable place in the device tree (the port or slot), so another stick
// that later takes the same name in another port is a new disk; an image is known by its
// canonical path.
struct DiskRegistry::Impl {
    struct Entry {
        std::string identity;
        DiskInfo info;
    };
    mutable std::mutex mutex;
    std::vector<Entry> entries;  // index == disk number
    std::map<std::string, uint32_t> byIdentity;

    std::optional<uint32_t> Number(const std::string& identity, const DiskInfo& info) {
        if (auto it = byIdentity.find(identity); it != byIdentity.end()) return it->second;
        if (entries.size() >= kMaxDisks) return std::nullopt;
        uint32_t number = uint32_t(entries.size());
        DiskInfo numbered = info;
        numbered.number = number;
        entries.push_back({identity, numbered});
        byIdentity.emplace(identity, number);
        return number;
    }

    bool Present(const Entry& e) const {
        std::error_code ec;
        if (e.info.isImage) return std::filesystem::is_regular_file(e.info.deviceNode, ec);
        return std::filesystem::exists(e.info.sysfsPath, ec) &&
               BlockIdentity(e.info.name, e.info.sysfsPath) == e.identity;
    }

    static std::string BlockIdentity(const std::string& name, const std::filesystem::path& dir) {
        return "block:" + name + "@" + StableDevicePath(dir);
    }
};

DiskRegistry& DiskRegistry::Instance() {
    static DiskRegistry registry;
    return registry;
}

DiskRegistry::Impl* DiskRegistry::impl() {
    static Impl state;
    return &state;
}

std::vector<DiskInfo> DiskRegistry::Refresh() {
    Impl& s = *impl();
    std::vector<std::pair<std::string, std::filesystem::path>> found;
    std::error_code ec;
    std::filesystem::path blockDir = SysfsRoot() / "block";
    for (std::filesystem::directory_iterator it(blockDir, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (IsSkippedName(name)) continue;
        // Size 0: no medium in the reader, or a loop device with nothing attached.
        if (SysfsSize512(it->path()).value_or(0) == 0) continue;
        found.emplace_back(name, it->path());
    }
    std::sort(found.begin(), found.end());

    std::lock_guard lock(s.mutex);
    std::vector<DiskInfo> present;
    for (const auto& [name, dir] : found) {
        DiskInfo info;
        info.name = name;
        info.deviceNode = DeviceNodeFor(name);
        info.sysfsPath = dir;
        if (auto number = s.Number(Impl::BlockIdentity(name, dir), info)) {
            present.push_back(s.entries[*number].info);
        }
    }
    for (const auto& e : s.entries) {
        if (e.info.isImage && s.Present(e)) present.push_back(e.info);
    }
    std::sort(present.begin(), present.end(),
              [](const DiskInfo& a, const DiskInfo& b) { return a.number < b.number; });
    return present;
}

std::optional<DiskInfo> DiskRegistry::Find(uint32_t number) const {
    Impl& s = *const_cast<DiskRegistry*>(this)->impl();
    std::lock_guard lock(s.mutex);
    if (number >= s.entries.size()) return std::nullopt;
    const Impl::Entry& e = s.entries[number];
    if (!s.Present(e)) return std::nullopt;
    return e.info;
}

std::optional<uint32_t> DiskRegistry::RegisterImage(const std::filesystem::path& image) {
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::canonical(image, ec);
    if (ec || !std::filesystem::is_regular_file(canonical, ec)) return std::nullopt;
    DiskInfo info;
    info.name = canonical.filename().string();
    info.deviceNode = canonical;
    info.isImage = true;
    Impl& s = *impl();
    std::lock_guard lock(s.mutex);
    return s.Number("image:" + canonical.string(), info);
}

void DiskRegistry::ResetForTesting() {
    Impl& s = *impl();
    std::lock_guard lock(s.mutex);
    s.entries.clear();
    s.byIdentity.clear();
}

namespace {
std::mutex gDriveMutex;
std::map<uint16_t, std::filesystem::path> gDriveMounts;
}  // namespace

void SetDriveMount(uint16_t driveLetter, const std::filesystem::path& mountPoint) {
    std::lock_guard lock(gDriveMutex);
    if (mountPoint.empty()) {
        gDriveMounts.erase(driveLetter);
    } else {
        gDriveMounts[driveLetter] = mountPoint;
    }
}

std::optional<std::filesystem::path> DriveMount(uint16_t driveLetter) {
    std::lock_guard lock(gDriveMutex);
    auto it = gDriveMounts.find(driveLetter);
    if (it == gDriveMounts.end()) return std::nullopt;
    return it->second;
}

}  // namespace keldrin
