// Copying found files out: recovery of files and whole folder trees, and preview extraction into
// a temporary file or memory. Data is read cluster by cluster, following the FAT chain where it
// still exists and the free clusters where a deleted file's chain was cleared.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "engine/RecoveryNames.h"
#include "platform/FileIo.h"
#include "fat/CFastFatRecovery.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/Text.h"

namespace keldrin {
namespace {

constexpr uint64_t kMaxClusterBytes = 104857600;  // 100 MiB
constexpr size_t kMaxPreviewPath = 260;

// Documents and archives the previewers open from a file of their own name.
constexpr const char* kPreviewDocumentTypes =
    "*.pdf|*.doc|*.dot|*.docx|*.dotx|*.docm|*.dotm|*.rtf|*.odt|*.ppt|*.pptx|*.pptm|*.pps|*.ppsx|"
    "*.ppsm|*.odp|*.xls|*.xlsx|*.xlsm|*.csv|*.odc|*.vsd|*.vsdm|*.vsdx|*.pub|*.mpp|*.ics|*.vcf|"
    "*.msg|*.zip|*.rar|*.gzip|*.tar|*.7z|*.cab|*.arj|*.lzh|*.ace|*.gz|*.uue|*.bz2|*.jar|*.iso";

int OpenForWriting(const std::filesystem::path& path) {
    int fd;
    do {
        fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// create_directories, with "already there" as success.
int32_t EnsureFolder(const std::filesystem::path& folder) {
    if (folder.empty()) return kErrorSuccess;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!ec) return kErrorSuccess;
    if (ec.value() == EEXIST && std::filesystem::is_directory(folder)) return kErrorSuccess;
    return ErrorFromErrno(ec.value(), IoDirection::kWrite);
}

int32_t Percent(uint64_t done, uint64_t total) {
    return total == 0 ? 100 : int32_t(done * 100 / total);
}

}  // namespace

// Where copied bytes go and who hears of the progress.
struct CFastFatRecovery::CopySink {
    virtual ~CopySink() = default;
    virtual int32_t Write(const uint8_t* data, size_t n, size_t* written) = 0;
    // After each cluster; a non-zero answer stops the copy and becomes the result.
    virtual int32_t Report(uint64_t done, uint64_t total, int32_t result) = 0;
};

int32_t CFastFatRecovery::CopyEntryData(const ScanEntry& entry, uint64_t total, CopySink& sink) {
    if (entry.clusterSize > kMaxClusterBytes) return kErrorWriteFault;
    const FatGeometry g = GeometryForEntry(entry);
    const bool ownVolume = haveGeometry_ && g.regionStart == geometry_.regionStart &&
                           g.dataStart == geometry_.dataStart &&
                           g.sectorsPerCluster == geometry_.sectorsPerCluster;
    const uint32_t spc = g.sectorsPerCluster;
    std::vector<uint8_t> cluster(size_t(spc) * bytesPerSector_);
    VisitedClusters visited(g.LastCluster());
    uint32_t c = entry.firstCluster;
    visited.Insert(c);
    uint64_t remaining = total;
    int32_t result = kErrorSuccess;
    while (remaining > 0) {
        uint64_t sector;
        if (c == 0 && !g.IsFat32()) {
            sector = g.RootDirSector();
        } else if (g.IsDataCluster(c)) {
            sector = g.ClusterToSector(c);
        } else {
            return kErrorReadFault;  // no cluster of the volume holds this data
        }
        uint32_t got = 0;
        int32_t err = ReadVolume(sector, spc, cluster.data(), &got);
        if (err != kErrorSuccess) return err;
        size_t n = size_t(std::min<uint64_t>(uint64_t(got) * bytesPerSector_, remaining));
        size_t written = 0;
        result = sink.Write(cluster.data(), n, &written);
        remaining -= written;
        if (int32_t answer = sink.Report(total - remaining, total, result)) return answer;
        if (result != kErrorSuccess) return result;

        uint32_t next = 0;
        if (ownVolume) {
            uint32_t fatEntry = 0;
            if (fat_.ReadFatEntry(c, &fatEntry) != kErrorSuccess) break;
            // A cleared chain (entry 0): the data goes on in the next free cluster. A cluster
            // in use belongs to a live file written between the deleted file's fragments.
            next = fatEntry == 0 ? fat_.NextFreeCluster(c) : fat_.NextCluster(c);
        } else if (g.IsDataCluster(uint64_t(c) + 1)) {
            next = c + 1;  // no FAT known for this volume: contiguous
        }
        if (next == 0 || !visited.Insert(next)) break;
        c = next;
    }
    return result;
}

int32_t CFastFatRecovery::RecoverOne(const ScanEntry* entry, const std::filesystem::path& path) {
    const std::string pathText = path.string();
    auto finish = [&](int32_t result) {
        if (result > 0 && copyProgress_)
            copyProgress_(context_, 100, 100, result, pathText.c_str());
        return result;
    };
    if (entry == nullptr) return finish(kErrorInvalidParameter);
    if (entry->isFolder) {
        std::error_code ec;
        std::filesystem::create_directory(path, ec);  // a failure shows in its children
        recoveryQueue_.push_back({*entry, path, currentDepth_ + 1});
        return kErrorSuccess;
    }
    // Truncated: recovering over an existing longer file leaves none of its old tail.
    int fd = OpenForWriting(path);
    if (fd < 0) return finish(LastError(IoDirection::kWrite));
    if (entry->clusterSize > kMaxClusterBytes) {
        close(fd);
        return finish(kErrorWriteFault);
    }
    if (entry->size == 0) {
        if (copyProgress_) copyProgress_(context_, 100, 100, 0, pathText.c_str());
        close(fd);
        return kErrorSuccess;
    }

    struct FileSink final : CopySink {
        int fd;
        CopyProgressCallback callback;
        void* context;
        const char* path;
        int32_t lastPercent = -1;
        int32_t Write(const uint8_t* d, size_t n, size_t* w) override {
            return WriteAll(fd, d, n, w);
        }
        int32_t Report(uint64_t done, uint64_t total, int32_t result) override {
            lastPercent = Percent(done, total);
            return callback ? callback(context, lastPercent, 100, result, path) : 0;
        }
    } sink;
    sink.fd = fd;
    sink.callback = copyProgress_;
    sink.context = context_;
    sink.path = pathText.c_str();

    int32_t result = CopyEntryData(*entry, entry->size, sink);
    // A file whose chain ended before its size is finished all the same: it is reported at
    // 100 % once, so the receiver counts it as done.
    if (result == kErrorSuccess && sink.lastPercent != 100 && copyProgress_)
        copyProgress_(context_, 100, 100, 0, pathText.c_str());
    if (close(fd) != 0 && result == kErrorSuccess) {
        result = LastError(IoDirection::kWrite);
    }
    return finish(result);
}

int32_t CFastFatRecovery::RecoverEntry(const ScanEntry* entry,
                                       const std::filesystem::path& destination,
                                       uint32_t baseSeparators) {
    if (entry == nullptr) return kErrorInvalidParameter;
    if (!entry->isFolder) {
        if (int32_t err = EnsureFolder(destination.parent_path())) return err;
        currentDepth_ = 0;
        return RecoverOne(entry, destination);
    }
    if (int32_t err = EnsureFolder(destination)) return err;
    recoveryQueue_.clear();
    uint32_t separators = CountPathSeparators(destination.string());
    uint32_t depth = separators >= baseSeparators ? separators - baseSeparators : 0;
    recoveryQueue_.push_back({*entry, destination, depth});
    int32_t result = kErrorSuccess;
    while (!recoveryQueue_.empty()) {
        RecoveryItem item = std::move(recoveryQueue_.front());
        recoveryQueue_.pop_front();
        // The key of a folder's children carries its depth: one more than its parent's, counted
        // here rather than from the separators of a path built from names on the medium.
        currentDepth_ = item.depth;
        std::vector<ScanEntry> children;
        result = ListChildren(&item.entry, item.depth, children);
        if (result != kErrorSuccess) continue;
        for (const ScanEntry& child : children) {
            // Two children may decode to the same name ("!bc.txt"): neither replaces the other.
            std::filesystem::path target = MakeUniquePath(item.path / SafeFileName(child.name));
            result = RecoverOne(&child, target);
            if (result < 0) {  // the copy-progress callback stopped it
                recoveryQueue_.clear();
                return result;
            }
        }
    }
    return result;
}

int32_t CFastFatRecovery::ExtractPreview(const ScanEntry* entry, std::string* path, uint8_t* memory,
                                         uint32_t* capacity, PreviewCallback callback,
                                         void* context) {
    if (entry == nullptr) {
        if (callback) callback(context, 100, kErrorInvalidParameter);
        return kErrorInvalidParameter;
    }
    const std::string ext = AsciiLower(ExtensionOf(entry->name));
    bool fileMode = false;
    std::filesystem::path previewPath;
    if (!ext.empty() && path != nullptr) {
        const std::filesystem::path folder = ScanLogFolder();
        if (ExtensionInList(ext, kPreviewDocumentTypes)) {
            EnsureFolder(folder);
            std::filesystem::path p = folder / SafeFileName(entry->name);
            if (p.string().size() < kMaxPreviewPath) previewPath = p, fileMode = true;
        }
        const bool media = ExtensionInList(ext, kAudioTypes) || ExtensionInList(ext, kVideoTypes);
        if (media || ExtensionInList(ext, kImageTypes)) {
            EnsureFolder(folder);
            std::filesystem::path p = folder / (media ? "tmp.avi" : "tmp.jpg");
            if (p.string().size() < kMaxPreviewPath) previewPath = p, fileMode = true;
        }
    }
    if (path) path->clear();

    int fd = -1;
    if (fileMode) {
        std::error_code ec;
        std::filesystem::remove(previewPath, ec);
        fd = OpenForWriting(previewPath);
        if (fd < 0) {
            int32_t err = LastError(IoDirection::kWrite);
            if (err > 0 && callback) callback(context, 100, err);
            if (capacity) *capacity = 0;
            return err;
        }
        *path = previewPath.string();
    }

    uint64_t total = entry->size;
    uint32_t room = (capacity && memory) ? *capacity : 0;
    if (!fileMode) total = std::min<uint64_t>(total, room);
    uint32_t stored = 0;

    struct PreviewSink final : CopySink {
        int fd;
        uint8_t* memory;
        uint32_t* stored;
        PreviewCallback callback;
        void* context;
        int32_t Write(const uint8_t* d, size_t n, size_t* w) override {
            if (fd >= 0) return WriteAll(fd, d, n, w);
            std::memcpy(memory + *stored, d, n);  // n never exceeds what is left of the room
            *stored += uint32_t(n);
            *w = n;
            return kErrorSuccess;
        }
        int32_t Report(uint64_t done, uint64_t total, int32_t result) override {
            return callback ? callback(context, Percent(done, total), result) : 0;
        }
    } sink;
    sink.fd = fd;
    sink.memory = memory;
    sink.stored = &stored;
    sink.callback = callback;
    sink.context = context;

    int32_t result = kErrorSuccess;
    if (entry->clusterSize > kMaxClusterBytes) {
        result = kErrorWriteFault;
    } else if (total == 0) {
        if (callback) callback(context, 100, 0);
    } else {
        result = CopyEntryData(*entry, total, sink);
    }
    if (result > 0 && callback) callback(context, 100, result);
    if (fileMode) {
        close(fd);
        if (result != kErrorSuccess) {
            std::error_code ec;
            std::filesystem::remove(previewPath, ec);
            path->clear();
        }
    }
    if (capacity) *capacity = fileMode ? 0 : stored;
    return result;
}

}  // namespace keldrin
