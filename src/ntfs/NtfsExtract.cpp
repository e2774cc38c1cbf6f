// Copying a found file out of the volume from its MFT record: a resident value as it stands, or
// its runs in reads of at most 64 KiB that never cross a run's end. Sparse runs are holes and
// give zeros. A file is written only up to its size; runs that end before it are a failure, not
// a short success.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "engine/RecoveryNames.h"
#include "platform/FileIo.h"
#include "ntfs/NtfsDataSink.h"
#include "platform/Errors.h"

namespace keldrin {

namespace {

constexpr uint32_t kCopyChunk = 65536;

class FileSink : public CFastNtfsRecovery::DataSink {
public:
    FileSink(int fd, CopyProgressCallback callback, void* context, const std::string& path)
        : fd_(fd), callback_(callback), context_(context), path_(path) {}
    int32_t Write(const uint8_t* data, size_t length) override {
        return WriteAll(fd_, data, length);
    }
    int32_t Progress(uint64_t done, uint64_t total) override {
        if (!callback_) return 0;
        return callback_(context_, int32_t(done * 100 / total), 100, 0, path_.c_str());
    }

private:
    int fd_;
    CopyProgressCallback callback_;
    void* context_;
    const std::string& path_;
};

int32_t CreateFolders(const std::filesystem::path& folder) {
    if (folder.empty()) return kErrorSuccess;
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return kErrorSuccess;
    std::filesystem::create_directories(folder, ec);
    if (!ec) return kErrorSuccess;
    const int32_t code = ErrorFromErrno(ec.value(), IoDirection::kWrite);
    return code == kErrorFileExists || code == kErrorAlreadyExists ? kErrorSuccess : code;
}

std::string EntryName(const ScanEntry& entry) {
    return std::string(entry.name, strnlen(entry.name, sizeof entry.name));
}

}  // namespace

int32_t CFastNtfsRecovery::CopyRuns(const ScanEntry& entry, const RunList& runs, uint64_t limit,
                                    DataSink& sink) {
    const uint64_t clusterBytes = entry.clusterSize;
    if (clusterBytes == 0 || clusterBytes % bytesPerSector_ != 0) return kErrorInvalidParameter;
    const uint64_t volumeBytes = totalSectors_ * bytesPerSector_;
    std::vector<uint8_t> buffer(kCopyChunk);
    uint64_t remaining = limit;
    uint64_t cluster = 0;
    for (const DataRun& run : runs) {
        if (remaining == 0) break;
        if (!run.sparse) cluster += uint64_t(run.delta);
        if (run.length > volumeBytes / clusterBytes) return kErrorInvalidParameter;
        uint64_t runBytes = run.length * clusterBytes;
        if (!run.sparse &&
            (cluster > volumeBytes / clusterBytes || runBytes > volumeBytes - cluster * clusterBytes)) {
            return kErrorInvalidParameter;  // a run off the volume cannot hold this file's data
        }
        uint64_t sectorOffset = 0;
        while (runBytes > 0 && remaining > 0) {
            const uint32_t piece = uint32_t(std::min<uint64_t>(runBytes, kCopyChunk));
            uint32_t got = piece;
            int32_t readResult = kErrorSuccess;
            if (run.sparse) {
                std::memset(buffer.data(), 0, piece);
            } else {
                const uint64_t sector = clusterBytes * cluster / bytesPerSector_ + sectorOffset +
                                        entry.regionStart;
                uint32_t sectors = 0;
                readResult = ReadSectors(device_, buffer.data(), sector,
                                         int32_t(piece / bytesPerSector_), bytesPerSector_,
                                         &sectors);
                got = sectors * bytesPerSector_;
                if (got == 0) return readResult != kErrorSuccess ? readResult : kErrorReadFault;
            }
            const uint32_t keep = uint32_t(std::min<uint64_t>(got, remaining));
            const int32_t written = sink.Write(buffer.data(), keep);
            if (written != kErrorSuccess) return written;
            remaining -= keep;
            runBytes -= got;
            sectorOffset += got / bytesPerSector_;
            const int32_t answer = sink.Progress(limit - remaining, limit);
            if (answer != 0) return answer;
            if (readResult != kErrorSuccess) return readResult;
        }
    }
    return remaining == 0 ? kErrorSuccess : kErrorReadFault;
}

int32_t CFastNtfsRecovery::CopyEntryData(const ScanEntry& entry, uint64_t limit, DataSink& sink,
                                         bool* resident) {
    *resident = false;
    std::vector<uint8_t> value;
    int32_t result = ReadResidentData(entry.entrySector, value);
    if (result == kErrorSuccess) {
        *resident = true;
        return sink.Write(value.data(), size_t(std::min<uint64_t>(limit, value.size())));
    }
    if (result != kNtfsNoResidentData) return result;
    RunList runs;
    result = ReadRecordRuns(entry.entrySector, ntfs::kTypeData, runs);
    if (result != kErrorSuccess) return result;
    if (limit == 0) return kErrorSuccess;
    return CopyRuns(entry, runs, limit, sink);
}

int32_t CFastNtfsRecovery::CallCopyProgress(int32_t percent, int32_t error,
                                            const std::filesystem::path& path) {
    if (!copyProgress_) return 0;
    return copyProgress_(context_, percent, 100, error, path.c_str());
}

int32_t CFastNtfsRecovery::ExtractOne(const ScanEntry& entry, const std::filesystem::path& path) {
    if (entry.isFolder) {
        std::error_code ec;
        std::filesystem::create_directory(path, ec);
        pendingFolders_.push_back(PendingFolder{entry, path});
        return kErrorSuccess;
    }
    // Truncated: recovering over a longer file must not leave its old tail behind.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int32_t error = LastError(IoDirection::kWrite);
        CallCopyProgress(100, error, path);
        return error;
    }
    const std::string pathText = path.string();
    FileSink sink(fd, copyProgress_, context_, pathText);
    bool resident = false;
    int32_t result = CopyEntryData(entry, entry.size, sink, &resident);
    if (resident || (result == kErrorSuccess && entry.size == 0)) {
        CallCopyProgress(100, result, path);  // its answer is not used: the file is done
    } else if (result > 0) {
        CallCopyProgress(100, result, path);
    }
    ::close(fd);
    return result;
}

int32_t CFastNtfsRecovery::RecoverEntry(const ScanEntry* entry,
                                        const std::filesystem::path& destination,
                                        uint32_t baseSeparators) {
    if (!entry) return kErrorInvalidParameter;
    if (!entry->isFolder) {
        const int32_t result = CreateFolders(destination.parent_path());
        if (result != kErrorSuccess) return result;
        return ExtractOne(*entry, destination);
    }
    int32_t result = CreateFolders(destination);
    if (result != kErrorSuccess) return result;
    pendingFolders_.clear();
    pendingFolders_.push_back(PendingFolder{*entry, destination});
    currentDestination_ = destination;
    result = kErrorSuccess;
    std::vector<ScanEntry> children;
    while (!pendingFolders_.empty()) {
        const PendingFolder item = pendingFolders_.front();
        pendingFolders_.pop_front();
        currentDestination_ = item.path;
        // The children's depth follows from how far below the chosen folder this one lies.
        const uint32_t separators = CountPathSeparators(currentDestination_.string());
        const uint32_t keyHigh = separators > baseSeparators ? separators - baseSeparators : 0;
        children.clear();
        const int32_t listed = ListChildren(&item.entry, keyHigh, children);
        if (listed != kErrorSuccess) {
            result = listed;
            continue;
        }
        for (const ScanEntry& child : children) {
            // Names from the medium stay one element below this folder, and never replace a
            // file already there (two deleted files of one name in one folder are common).
            std::filesystem::path target = currentDestination_ / SafeFileName(EntryName(child));
            std::error_code ec;
            if (!child.isFolder || (std::filesystem::exists(target, ec) &&
                                    !std::filesystem::is_directory(target, ec))) {
                target = MakeUniquePath(target);
            }
            result = ExtractOne(child, target);
            if (result == kCancelCode) {
                pendingFolders_.clear();
                return result;
            }
        }
    }
    return result;
}

}  // namespace keldrin
