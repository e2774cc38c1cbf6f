#include "FakeDeviceTree.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "platform/DiskRegistry.h"

namespace keldrin::test {
namespace fs = std::filesystem;
namespace {

constexpr const char* kEnvNames[] = {"KELDRIN_SYSFS_ROOT", "KELDRIN_DEV_ROOT", "KELDRIN_MOUNTINFO"};

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::trunc);
    out << text << "\n";
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void MakeSparseFile(const fs::path& path, uint64_t bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).close();
    fs::resize_file(path, bytes);
}

// mountinfo escapes white space and backslashes in paths as \ooo.
std::string EscapeMountField(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\') {
            char buf[5];
            std::snprintf(buf, sizeof buf, "\\%03o", static_cast<unsigned char>(c));
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

void Subsystem(const fs::path& root, const fs::path& deviceDir, const std::string& bus) {
    fs::create_directories(root / "sys" / "bus" / bus);
    fs::create_directories(deviceDir);
    fs::create_directory_symlink(root / "sys" / "bus" / bus, deviceDir / "subsystem");
}

}  // namespace

FakeDeviceTree::FakeDeviceTree() {
    fs::create_directories(SysfsRoot() / "block");
    fs::create_directories(DevRoot());
    std::ofstream(MountInfo()).close();
    const fs::path values[] = {SysfsRoot(), DevRoot(), MountInfo()};
    for (size_t i = 0; i < 3; ++i) {
        const char* old = std::getenv(kEnvNames[i]);
        savedEnv_[kEnvNames[i]] = old ? std::optional<std::string>(old) : std::nullopt;
        setenv(kEnvNames[i], values[i].c_str(), 1);
    }
    DiskRegistry::Instance().ResetForTesting();
}

FakeDeviceTree::~FakeDeviceTree() {
    for (const auto& [name, value] : savedEnv_) {
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
    DiskRegistry::Instance().ResetForTesting();
}

fs::path FakeDeviceTree::BusDevicePath(const std::string& name, const FakeDisk& disk) {
    int port = disk.port;
    if (port < 0) {
        auto it = ports_.find(name);
        port = it != ports_.end() ? it->second : nextPort_++;
    }
    ports_[name] = port;
    const std::string p = std::to_string(port);
    const std::string h = std::to_string(disk.scsiHost >= 0 ? disk.scsiHost : port);
    const fs::path devices = SysfsRoot() / "devices";
    const std::string scsi = h + ":0:0:0";
    switch (disk.bus) {
        case FakeBus::kUsb: {
            fs::path hub = devices / "pci0000:00" / "0000:00:14.0" / "usb1";
            fs::path usbDevice = hub / ("1-" + std::to_string(port + 1));
            fs::path usbInterface = usbDevice / ("1-" + std::to_string(port + 1) + ":1.0");
            if (!fs::exists(hub / "subsystem")) Subsystem(root(), hub, "usb");
            if (!fs::exists(usbDevice / "subsystem")) Subsystem(root(), usbDevice, "usb");
            if (!fs::exists(usbInterface / "subsystem")) Subsystem(root(), usbInterface, "usb");
            return usbInterface / ("host" + h) / ("target" + scsi.substr(0, scsi.size() - 2)) /
                   scsi;
        }
        case FakeBus::kMmc: {
            fs::path host = devices / "platform" / ("mmc" + p) / "mmc_host" / ("mmc" + p);
            fs::path card = host / ("mmc" + p + ":0001");
            if (!fs::exists(card / "subsystem")) Subsystem(root(), card, "mmc");
            return card;
        }
        case FakeBus::kSata:
        default:
            return devices / "pci0000:00" / "0000:00:1f.2" / ("ata" + std::to_string(port + 1)) /
                   ("host" + h) / ("target" + scsi.substr(0, scsi.size() - 2)) / scsi;
    }
}

fs::path FakeDeviceTree::AddDisk(const std::string& name, const FakeDisk& disk) {
    const fs::path node = NodeOf(name);
    uint64_t bytes = disk.bytes;
    if (!disk.image.empty()) {
        bytes = fs::file_size(disk.image);
        fs::create_symlink(fs::absolute(disk.image), node);
    } else {
        MakeSparseFile(node, bytes);
    }
    const fs::path busDevice = BusDevicePath(name, disk);
    const fs::path blockDir = busDevice / "block" / name;
    fs::create_directories(blockDir);
    fs::create_directory_symlink(busDevice, blockDir / "device");
    if (disk.bus != FakeBus::kMmc && !fs::exists(busDevice / "subsystem")) {
        Subsystem(root(), busDevice, "scsi");
    }
    WriteText(blockDir / "size", std::to_string(disk.sysfsSize512.value_or(bytes / 512)));
    WriteText(blockDir / "removable", disk.removable ? "1" : "0");
    WriteText(blockDir / "queue" / "logical_block_size", std::to_string(disk.logicalBlockSize));
    fs::create_directory_symlink(blockDir, SysfsRoot() / "block" / name);
    blockDirs_[name] = blockDir;
    return node;
}

fs::path FakeDeviceTree::AddPartition(const std::string& disk, int index, uint64_t start512,
                                      uint64_t size512) {
    const std::string name = PartitionName(disk, index);
    const fs::path dir = SysfsDirOf(disk) / name;
    WriteText(dir / "partition", std::to_string(index));
    WriteText(dir / "start", std::to_string(start512));
    WriteText(dir / "size", std::to_string(size512));
    // The partition's node holds those bytes of the disk, as a kernel partition node would.
    const fs::path node = NodeOf(name);
    std::ifstream in(NodeOf(disk), std::ios::binary);
    std::ofstream out(node, std::ios::binary | std::ios::trunc);
    in.seekg(std::streamoff(start512 * 512));
    std::vector<char> chunk(1 << 16);
    for (uint64_t left = size512 * 512; left > 0 && in;) {
        size_t n = size_t(std::min<uint64_t>(left, chunk.size()));
        in.read(chunk.data(), std::streamsize(n));
        out.write(chunk.data(), in.gcount());
        left -= uint64_t(in.gcount());
    }
    out.close();
    // Past the end of the disk node: the rest reads as zeros, like a sparse tail.
    if (fs::file_size(node) < size512 * 512) fs::resize_file(node, size512 * 512);
    return node;
}

void FakeDeviceTree::RemoveDisk(const std::string& name) {
    std::error_code ec;
    fs::remove(SysfsRoot() / "block" / name, ec);
    if (auto it = blockDirs_.find(name); it != blockDirs_.end()) {
        for (const auto& entry : fs::directory_iterator(it->second, ec)) {
            if (entry.is_directory() && fs::exists(entry.path() / "partition")) {
                fs::remove(NodeOf(entry.path().filename().string()), ec);
            }
        }
        fs::remove_all(it->second, ec);
        blockDirs_.erase(it);
    }
    fs::remove(NodeOf(name), ec);
}

void FakeDeviceTree::SetAttribute(const std::string& name, const std::string& relativePath,
                                  const std::string& text) {
    WriteText(SysfsDirOf(name) / relativePath, text);
}

void FakeDeviceTree::AddMount(const fs::path& mountPoint, const std::string& fsType,
                              const std::string& source) {
    std::ofstream out(MountInfo(), std::ios::app);
    const int id = mountId_++;
    out << id << " 1 8:" << (id - 100) << " / " << EscapeMountField(mountPoint.string())
        << " rw,relatime shared:" << id << " - " << fsType << " " << EscapeMountField(source)
        << " rw\n";
}

fs::path FakeDeviceTree::SysfsDirOf(const std::string& name) const {
    auto it = blockDirs_.find(name);
    return it != blockDirs_.end() ? it->second : SysfsRoot() / "block" / name;
}

std::string FakeDeviceTree::PartitionName(const std::string& disk, int index) {
    bool endsInDigit = !disk.empty() && disk.back() >= '0' && disk.back() <= '9';
    return disk + (endsInDigit ? "p" : "") + std::to_string(index);
}

}  // namespace keldrin::test
