#include "platform/MountTable.h"

#include <blkid/blkid.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/DiskRegistry.h"

namespace keldrin {
namespace {

// mountinfo escapes space, tab, newline and backslash as \ooo.
std::string DecodeOctalEscapes(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out += char(((a - '0') << 6) | ((b - '0') << 3) | (c - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

// One line: id parent major:minor root mount-point options [optional...] - type source super.
std::optional<MountEntry> ParseLine(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> fields;
    for (std::string f; in >> f;) fields.push_back(f);
    if (fields.size() < 7) return std::nullopt;
    size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-") ++dash;
    if (dash + 2 >= fields.size()) return std::nullopt;
    MountEntry e;
    unsigned major = 0, minor = 0;
    if (std::sscanf(fields[2].c_str(), "%u:%u", &major, &minor) != 2) return std::nullopt;
    e.major = major;
    e.minor = minor;
    e.mountPoint = DecodeOctalEscapes(fields[4]);
    e.fsType = fields[dash + 1];
    e.source = DecodeOctalEscapes(fields[dash + 2]);
    if (!e.mountPoint.is_absolute()) return std::nullopt;
    return e;
}

// True when prefix is path itself or a leading run of its whole components.
bool HoldsPath(const std::filesystem::path& prefix, const std::filesystem::path& path) {
    auto p = path.begin();
    for (auto q = prefix.begin(); q != prefix.end(); ++q) {
        if (q->empty()) continue;  // trailing separator
        if (p == path.end() || *p != *q) return false;
        ++p;
    }
    return true;
}

size_t ComponentCount(const std::filesystem::path& p) {
    size_t n = 0;
    for (const auto& c : p) {
        if (!c.empty()) ++n;
    }
    return n;
}

}  // namespace

std::vector<MountEntry> ReadMountTable() {
    std::vector<MountEntry> entries;
    std::ifstream in(MountInfoPath());
    for (std::string line; std::getline(in, line);) {
        if (auto e = ParseLine(line)) entries.push_back(std::move(*e));
    }
    return entries;
}

std::optional<MountEntry> MountHolding(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::canonical(path, ec);
    if (ec) return std::nullopt;
    std::optional<MountEntry> best;
    size_t bestDepth = 0;
    for (auto& e : ReadMountTable()) {
        if (!HoldsPath(e.mountPoint, canonical)) continue;
        size_t depth = ComponentCount(e.mountPoint);
        if (!best || depth >= bestDepth) {
            bestDepth = depth;
            best = std::move(e);
        }
    }
    return best;
}

std::optional<FileSystemProbe> ProbeFileSystem(const std::filesystem::path& source, uint64_t offset,
                                               uint64_t size) {
    int fd = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<FileSystemProbe> result;
    blkid_probe probe = blkid_new_probe();
    if (probe && blkid_probe_set_device(probe, fd, blkid_loff_t(offset), blkid_loff_t(size)) == 0) {
        blkid_probe_enable_superblocks(probe, 1);
        blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_TYPE | BLKID_SUBLKS_VERSION |
                                                     BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID);
        blkid_probe_enable_partitions(probe, 0);
        if (blkid_do_safeprobe(probe) == 0) {
            auto value = [probe](const char* name) {
                const char* data = nullptr;
                size_t length = 0;
                if (blkid_probe_lookup_value(probe, name, &data, &length) != 0 || !data) {
                    return std::string();
                }
                return std::string(data);
            };
            FileSystemProbe found;
            found.type = value("TYPE");
            found.version = value("VERSION");
            found.label = value("LABEL");
            found.uuid = value("UUID");
            if (!found.type.empty()) result = std::move(found);
        }
    }
    if (probe) blkid_free_probe(probe);
    close(fd);
    return result;
}

std::string FileSystemDisplayName(const std::string& type, const std::string& version) {
    if (type == "vfat" || type == "msdos") {
        return (version == "FAT12" || version == "FAT16") ? "FAT" : "FAT32";
    }
    if (type == "ntfs" || type == "ntfs3" || type == "ntfs-3g" || type == "fuse.ntfs-3g") {
        return "NTFS";
    }
    if (type == "exfat") return "exFAT";
    return type;
}

std::string MountedFileSystemName(const MountEntry& mount) {
    const std::string& type = mount.fsType;
    if (type == "vfat" || type == "msdos") {
        auto probe = ProbeFileSystem(mount.source);
        return FileSystemDisplayName(type, probe && probe->type == "vfat" ? probe->version : "");
    }
    if (type == "fuseblk") {
        // A FUSE block mount (ntfs-3g, exfat-fuse): name it by what is on its source.
        if (auto probe = ProbeFileSystem(mount.source)) {
            return FileSystemDisplayName(probe->type, probe->version);
        }
        return type;
    }
    return FileSystemDisplayName(type, "");
}

}  // namespace keldrin
