#include "cli/Source.h"

#include <blkid/blkid.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <charconv>
#include <fstream>

#include "platform/DiskRegistry.h"
#include "platform/Errors.h"

namespace keldrin::cli {
namespace {

bool ParseNumber(std::string_view text, uint64_t* value) {
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string Describe(const std::string& source, int32_t code) {
    return "cannot read '" + source + "': " + ErrorMessage(code);
}

bool ReadSysfsNumber(const std::filesystem::path& file, uint64_t* value) {
    std::ifstream in(file);
    return bool(in >> *value);
}

// "8:17" of a sysfs "dev" attribute.
bool ReadSysfsDev(const std::filesystem::path& file, dev_t* dev) {
    std::ifstream in(file);
    unsigned major = 0, minor = 0;
    char colon = 0;
    if (!(in >> major >> colon >> minor) || colon != ':') return false;
    *dev = makedev(major, minor);
    return true;
}

void NoteMedium(const DiskInfo& disk, Source* out) {
    std::error_code ec;
    struct stat st{};
    if (::stat(disk.deviceNode.c_str(), &st) == 0) {
        if (S_ISBLK(st.st_mode)) out->devices.push_back(st.st_rdev);
        else if (S_ISREG(st.st_mode)) out->files.push_back(disk.deviceNode);
    }
    if (disk.sysfsPath.empty()) return;
    dev_t dev;
    if (ReadSysfsDev(disk.sysfsPath / "dev", &dev)) out->devices.push_back(dev);
    for (const auto& child : std::filesystem::directory_iterator(disk.sysfsPath, ec)) {
        if (std::filesystem::exists(child.path() / "partition", ec) &&
            ReadSysfsDev(child.path() / "dev", &dev)) {
            out->devices.push_back(dev);
        }
    }
}

std::string RegionLabel(uint32_t disk, uint64_t start, uint64_t count) {
    return "disk:" + std::to_string(disk) + ":" + std::to_string(start) + ":" +
           std::to_string(count);
}

// The disk's sector size and length in its own sectors.
int32_t DiskGeometry(uint32_t disk, uint32_t* bytesPerSector, uint64_t* sectors) {
    if (DiskSectorSize(disk, bytesPerSector) != kErrorSuccess || *bytesPerSector == 0) {
        *bytesPerSector = 512;
    }
    uint64_t length = 0;
    if (int32_t err = DiskLength(disk, &length)) return err;
    *sectors = length / *bytesPerSector;
    return kErrorSuccess;
}

// A whole disk: its partitions when it holds a table, else the disk as one region.
int32_t AddWholeDisk(const DiskInfo& disk, Source* out, std::string* error) {
    uint32_t bps = 512;
    uint64_t sectors = 0;
    if (int32_t err = DiskGeometry(disk.number, &bps, &sectors)) {
        *error = Describe(out->text, err);
        return err;
    }
    NoteMedium(disk, out);
    std::vector<PartitionSpan> parts = ListPartitions(disk.deviceNode);
    for (const PartitionSpan& p : parts) {
        // Partition tables count 512-byte units whatever the disk's sector size.
        uint64_t start = p.start512 * 512 / bps, count = p.size512 * 512 / bps;
        if (count == 0 || start >= sectors) continue;
        count = std::min(count, sectors - start);
        out->regions.push_back({false, {}, disk.number, start, count, bps,
                                RegionLabel(disk.number, start, count)});
    }
    if (!out->regions.empty()) {
        out->fromPartitionTable = true;
        return kErrorSuccess;
    }
    out->regions.push_back(
        {false, {}, disk.number, 0, sectors, bps, RegionLabel(disk.number, 0, sectors)});
    return kErrorSuccess;
}

int32_t ResolveDiskSyntax(const std::string& text, Source* out, std::string* error) {
    std::string_view rest = std::string_view(text).substr(5);
    std::vector<std::string_view> parts;
    for (size_t pos; (pos = rest.find(':')) != std::string_view::npos; rest.remove_prefix(pos + 1)) {
        parts.push_back(rest.substr(0, pos));
    }
    parts.push_back(rest);
    uint64_t number = 0, start = 0, count = 0;
    bool ok = (parts.size() == 1 || parts.size() == 3) && ParseNumber(parts[0], &number) &&
              number < kMaxDisks;
    if (ok && parts.size() == 3) ok = ParseNumber(parts[1], &start) && ParseNumber(parts[2], &count);
    if (!ok) {
        *error = "'" + text + "' is not disk:N or disk:N:START:COUNT";
        return kErrorInvalidParameter;
    }
    DiskRegistry::Instance().Refresh();
    auto disk = DiskRegistry::Instance().Find(uint32_t(number));
    if (!disk) {
        *error = Describe(text, kErrorFileNotFound);
        return kErrorFileNotFound;
    }
    if (parts.size() == 1) return AddWholeDisk(*disk, out, error);

    uint32_t bps = 512;
    uint64_t sectors = 0;
    if (int32_t err = DiskGeometry(disk->number, &bps, &sectors)) {
        *error = Describe(text, err);
        return err;
    }
    if (count == 0 || start >= sectors || count > sectors - start) {
        *error = "'" + text + "' lies outside disk " + std::to_string(number) + " (" +
                 std::to_string(sectors) + " sectors of " + std::to_string(bps) + " bytes)";
        return kErrorInvalidParameter;
    }
    NoteMedium(*disk, out);
    out->regions.push_back({false, {}, disk->number, start, count, bps, RegionLabel(disk->number, start, count)});
    return kErrorSuccess;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

// A device node (or a node of a fake device tree): a registered disk, or one of its partitions.
bool ResolveDeviceNode(const std::string& text, Source* out, std::string* error, int32_t* result) {
    std::filesystem::path node(text);
    std::vector<DiskInfo> disks = DiskRegistry::Instance().Refresh();
    for (const DiskInfo& disk : disks) {
        if (!disk.isImage && SameFile(disk.deviceNode, node)) {
            *result = AddWholeDisk(disk, out, error);
            return true;
        }
    }
    std::error_code ec;
    for (const DiskInfo& disk : disks) {
        if (disk.sysfsPath.empty()) continue;
        std::filesystem::path part = disk.sysfsPath / node.filename();
        if (!std::filesystem::exists(part / "partition", ec)) continue;
        if (!SameFile(DeviceRoot() / node.filename(), node)) continue;
        uint64_t start512 = 0, size512 = 0;
        if (!ReadSysfsNumber(part / "start", &start512) || !ReadSysfsNumber(part / "size", &size512)) {
            continue;
        }
        uint32_t bps = 512;
        uint64_t sectors = 0;
        if (int32_t err = DiskGeometry(disk.number, &bps, &sectors)) {
            *error = Describe(text, err);
            *result = err;
            return true;
        }
        uint64_t start = start512 * 512 / bps, count = size512 * 512 / bps;
        NoteMedium(disk, out);
        out->regions.push_back({false, {}, disk.number, start, count, bps,
                                RegionLabel(disk.number, start, count)});
        *result = kErrorSuccess;
        return true;
    }
    return false;
}

}  // namespace

std::vector<PartitionSpan> ListPartitions(const std::filesystem::path& path) {
    std::vector<PartitionSpan> spans;
    blkid_probe probe = blkid_new_probe_from_filename(path.c_str());
    if (!probe) return spans;
    blkid_probe_enable_superblocks(probe, 0);
    blkid_probe_enable_partitions(probe, 1);
    blkid_partlist list = blkid_probe_get_partitions(probe);
    int n = list ? blkid_partlist_numof_partitions(list) : 0;
    for (int i = 0; i < n; ++i) {
        blkid_partition part = blkid_partlist_get_partition(list, i);
        if (!part || blkid_partition_is_extended(part)) continue;
        blkid_loff_t start = blkid_partition_get_start(part);
        blkid_loff_t size = blkid_partition_get_size(part);
        if (start < 0 || size <= 0) continue;
        spans.push_back({uint64_t(start), uint64_t(size)});
    }
    blkid_free_probe(probe);
    return spans;
}

int32_t OpenRegionDevice(const Region& region, SectorDevice& device) {
    return region.isImage ? OpenImageFile(device, region.image)
                          : OpenPhysicalDisk(device, region.disk);
}

int32_t ResolveSource(const std::string& text, Source* out, std::string* error) {
    *out = Source{};
    out->text = text;
    if (text.rfind("disk:", 0) == 0) return ResolveDiskSyntax(text, out, error);

    struct stat st{};
    if (::stat(text.c_str(), &st) != 0) {
        int32_t err = LastError();
        *error = Describe(text, err);
        return err;
    }
    std::error_code ec;
    bool underDeviceRoot =
        std::filesystem::weakly_canonical(text, ec).string().rfind(
            std::filesystem::weakly_canonical(DeviceRoot(), ec).string() + "/", 0) == 0;
    if (S_ISBLK(st.st_mode) || underDeviceRoot) {
        int32_t result = kErrorSuccess;
        if (ResolveDeviceNode(text, out, error, &result)) return result;
        if (S_ISBLK(st.st_mode)) {
            *error = "'" + text + "' is a block device that is not a disk or partition of this "
                     "system's disk list";
            return kErrorFileNotFound;
        }
    }
    if (!S_ISREG(st.st_mode)) {
        *error = "'" + text + "' is neither an image file nor a disk";
        return kErrorInvalidParameter;
    }
    // A whole-card image: its partitions are scanned as regions of a disk.
    if (!ListPartitions(text).empty()) {
        auto number = DiskRegistry::Instance().RegisterImage(text);
        if (!number) {
            *error = Describe(text, kErrorFileNotFound);
            return kErrorFileNotFound;
        }
        auto disk = DiskRegistry::Instance().Find(*number);
        if (!disk) {
            *error = Describe(text, kErrorFileNotFound);
            return kErrorFileNotFound;
        }
        int32_t err = AddWholeDisk(*disk, out, error);
        if (err == kErrorSuccess && out->fromPartitionTable) return kErrorSuccess;
        if (err != kErrorSuccess) return err;
        *out = Source{};
        out->text = text;
    }
    out->files.push_back(text);
    out->regions.push_back({true, text, 0, 0, uint64_t(st.st_size) / 512, 512, text});
    return kErrorSuccess;
}

}  // namespace keldrin::cli
