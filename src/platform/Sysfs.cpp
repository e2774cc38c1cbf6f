#include "platform/Sysfs.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/DiskRegistry.h"

namespace keldrin {
namespace {

bool IsAllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// "usb1", "usb2": the root hubs every USB device hangs below.
bool IsUsbRootHub(const std::string& c) {
    return c.size() > 3 && c.compare(0, 3, "usb") == 0 &&
           IsAllDigits(std::string_view(c).substr(3));
}

std::string SubsystemOf(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::path link = std::filesystem::read_symlink(dir / "subsystem", ec);
    return ec ? std::string() : link.filename().string();
}

}  // namespace

std::optional<std::string> ReadSysfsAttribute(const std::filesystem::path& dir,
                                              const std::filesystem::path& name) {
    std::ifstream in(dir / name);
    if (!in) return std::nullopt;
    std::stringstream text;
    text << in.rdbuf();
    std::string value = text.str();
    size_t first = value.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    size_t last = value.find_last_not_of(" \t\r\n");
    return value.substr(first, last - first + 1);
}

std::optional<uint64_t> ReadSysfsNumber(const std::filesystem::path& dir,
                                        const std::filesystem::path& name) {
    auto text = ReadSysfsAttribute(dir, name);
    if (!text || text->empty()) return std::nullopt;
    uint64_t value = 0;
    auto [end, err] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (err != std::errc() || end != text->data() + text->size()) return std::nullopt;
    return value;
}

std::optional<uint64_t> SysfsSize512(const std::filesystem::path& dir) {
    return ReadSysfsNumber(dir, "size");
}

std::optional<uint32_t> SysfsLogicalBlockSize(const std::filesystem::path& diskDir) {
    auto value = ReadSysfsNumber(diskDir, "queue/logical_block_size");
    // A sector size is a power of two from 512 up; anything else is a damaged attribute.
    if (!value || *value < 512 || *value > (1u << 16) || (*value & (*value - 1)) != 0) {
        return std::nullopt;
    }
    return uint32_t(*value);
}

bool SysfsRemovable(const std::filesystem::path& diskDir) {
    return ReadSysfsNumber(diskDir, "removable").value_or(0) == 1;
}

DiskBus SysfsDiskBus(const std::filesystem::path& diskDir) {
    std::string name = diskDir.filename().string();
    if (name.compare(0, 6, "mmcblk") == 0) return DiskBus::kSd;
    std::error_code ec;
    std::filesystem::path device = std::filesystem::canonical(diskDir / "device", ec);
    if (ec) device = std::filesystem::canonical(diskDir, ec);
    if (ec) return DiskBus::kOther;
    // Walk from the disk's device up to the root of the device tree, not above it.
    std::filesystem::path top = std::filesystem::canonical(SysfsRoot(), ec);
    if (ec) top = device.root_path();
    bool sd = false;
    bool usb = false;
    for (std::filesystem::path p = device; !p.empty() && p != top && p != p.root_path();
         p = p.parent_path()) {
        std::string subsystem = SubsystemOf(p);
        if (subsystem == "mmc" || subsystem == "mmc_host") sd = true;
        if (subsystem == "usb" || IsUsbRootHub(p.filename().string())) usb = true;
    }
    if (sd) return DiskBus::kSd;
    return usb ? DiskBus::kUsb : DiskBus::kOther;
}

}  // namespace keldrin
