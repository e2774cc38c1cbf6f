#include "engine/ScanLogCatalogue.h"
#include "platform/FileIo.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/AppPaths.h"
#include "platform/ByteOrder.h"
#include "platform/Errors.h"
#include "platform/Text.h"
#include "storage/SectorDevice.h"

namespace keldrin {
namespace {

constexpr const char* kLockFileName = "keldrin.lock";
constexpr uint64_t kConfigReadLimit = 64ull * 1024 * 1024;  // far more records than a user makes
constexpr uint64_t kFileTimeEpochOffset = 11644473600ull;   // seconds from 1601 to 1970

std::mutex gCatalogueMutex;
std::unique_ptr<ScanLogCatalogue> gCatalogue;
std::string gFailure;
std::chrono::milliseconds gLockWait{2000};

std::u16string FieldText(const char16_t* field) {
    size_t n = 0;
    while (n < kRecordPathUnits && field[n] != 0) ++n;
    return {field, n};
}

// A path as the UTF-16 text of a record field: 206 when it does not fit, 1113 when it does not
// survive the conversion (bytes that are not UTF-8).
int32_t EncodePath(const std::filesystem::path& path, std::u16string* units) {
    const std::string& text = path.native();
    *units = Utf8ToUtf16(text);
    if (Utf16ToUtf8(*units) != text) return kErrorNoUnicodeTranslation;
    if (units->size() >= kRecordPathUnits) return kErrorFilenameTooLong;
    return kErrorSuccess;
}

void StoreField(char16_t* field, const std::u16string& units) {
    std::fill(field, field + kRecordPathUnits, u'\0');
    std::copy(units.begin(), units.end(), field);
}

// A folder path with one trailing "/", as the log folders are written.
std::filesystem::path AsFolder(std::filesystem::path path) {
    if (path.has_filename()) path /= "";
    return path;
}

// The form two folder paths are compared in: normalised, without a trailing "/".
std::string NormalFolder(const std::filesystem::path& path) {
    std::filesystem::path normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_parent_path()) normal = normal.parent_path();
    return normal.string();
}

bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
    return EqualsIgnoreAsciiCase(NormalFolder(a), NormalFolder(b));
}

std::string HolderOf(const std::filesystem::path& lockPath) {
    std::string pid;
    int fd = open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return pid;
    char text[32] = {};
    ssize_t n = read(fd, text, sizeof(text) - 1);
    close(fd);
    for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i) pid += text[i];
    return pid;
}

}  // namespace

std::string ScanLogRecord::ImagePath() const {
    return Utf16ToUtf8(FieldText(imagePath));
}
std::string ScanLogRecord::LogFolder() const {
    return Utf16ToUtf8(FieldText(logFolder));
}

ScanLogCatalogue* ScanLogCatalogue::GetCatalogue(int32_t* error) {
    std::lock_guard<std::mutex> guard(gCatalogueMutex);
    if (error) *error = kErrorSuccess;
    if (gCatalogue) return gCatalogue.get();

    auto fail = [&](int32_t code, std::string message) -> ScanLogCatalogue* {
        if (error) *error = code;
        gFailure = std::move(message);
        return nullptr;
    };
    std::filesystem::path folder = ScanLogFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec && ec.value() != EEXIST) {
        int32_t code = ErrorFromErrno(ec.value(), IoDirection::kWrite);
        return fail(code, "The scan-log folder " + folder.string() +
                              " cannot be created: " + ErrorMessage(code));
    }

    // The lock keeps a second program (the desktop program and a command-line run, say) from
    // handing out or deleting the numbered folders this one uses.
    std::filesystem::path lockPath = folder / kLockFileName;
    int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        int32_t code = LastError(IoDirection::kWrite);
        return fail(code, "The scan-log folder " + folder.string() +
                              " cannot be locked: " + ErrorMessage(code));
    }
    auto deadline = std::chrono::steady_clock::now() + gLockWait;
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= deadline) {
            bool busy = errno == EWOULDBLOCK;
            int32_t code = busy ? kErrorSharingViolation : LastError();
            close(fd);
            if (!busy) {
                return fail(code, "The scan-log folder " + folder.string() +
                                      " cannot be locked: " + ErrorMessage(code));
            }
            std::string holder = HolderOf(lockPath);
            return fail(code, "The scan-log folder " + folder.string() +
                                  " is in use by another Keldrin program" +
                                  (holder.empty() ? std::string() : " (process " + holder + ")") +
                                  "; close it and try again.");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(fd, 0) == 0) {
        [[maybe_unused]] ssize_t written = pwrite(fd, pid.data(), pid.size(), 0);
    }

    std::unique_ptr<ScanLogCatalogue> catalogue(new ScanLogCatalogue());
    catalogue->folder_ = folder;
    catalogue->lockFd_ = fd;
    catalogue->Load();
    gCatalogue = std::move(catalogue);
    gFailure.clear();
    return gCatalogue.get();
}

std::string ScanLogCatalogue::FailureMessage() {
    std::lock_guard<std::mutex> guard(gCatalogueMutex);
    return gFailure;
}

void ScanLogCatalogue::ResetForTesting() {
    std::lock_guard<std::mutex> guard(gCatalogueMutex);
    gCatalogue.reset();
    gFailure.clear();
}

void ScanLogCatalogue::SetLockWaitForTesting(std::chrono::milliseconds wait) {
    std::lock_guard<std::mutex> guard(gCatalogueMutex);
    gLockWait = wait;
}

ScanLogCatalogue::~ScanLogCatalogue() {
    if (lockFd_ >= 0) close(lockFd_);  // releases the lock
}

void ScanLogCatalogue::Load() {
    configPath_ = folder_ / "config";
    tempPath_ = folder_ / "config.tmp";
    std::error_code ec;
    // A lone "config.tmp" is a save that was cut short after the old catalogue was gone.
    if (!std::filesystem::exists(configPath_, ec) && std::filesystem::exists(tempPath_, ec)) {
        std::filesystem::rename(tempPath_, configPath_, ec);
    }
    int fd = open(configPath_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size <= 0) {
        close(fd);
        return;
    }
    auto size = static_cast<uint32_t>(std::min<uint64_t>(uint64_t(st.st_size), kConfigReadLimit));
    std::vector<uint8_t> bytes(size);
    uint32_t got = 0;
    ReadFileFully(fd, size, bytes.data(), &got);  // what arrived is used
    close(fd);
    if (got < sizeof(counter_)) return;
    counter_ = Le64(bytes.data());
    size_t count = (got - sizeof(counter_)) / sizeof(ScanLogRecord);
    records_.resize(count);
    if (count) {
        std::memcpy(records_.data(), bytes.data() + sizeof(counter_),
                    count * sizeof(ScanLogRecord));
    }
}

int32_t ScanLogCatalogue::Save() {
    std::vector<uint8_t> bytes(sizeof(counter_) + records_.size() * sizeof(ScanLogRecord));
    PutLe64(bytes.data(), counter_);
    if (!records_.empty()) {
        std::memcpy(bytes.data() + sizeof(counter_), records_.data(),
                    records_.size() * sizeof(ScanLogRecord));
    }
    // Written whole and synced before it replaces "config" in one rename, so a crash leaves
    // either the old catalogue or the new one.
    int fd = open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return LastError(IoDirection::kWrite);
    int32_t result = WriteAll(fd, bytes.data(), bytes.size());
    if (result == kErrorSuccess && fsync(fd) != 0) result = LastError(IoDirection::kWrite);
    if (close(fd) != 0 && result == kErrorSuccess) result = LastError(IoDirection::kWrite);
    if (result != kErrorSuccess) {
        unlink(tempPath_.c_str());  // never let a torn copy pass for a catalogue
        return result;
    }
    if (rename(tempPath_.c_str(), configPath_.c_str()) != 0) {
        result = LastError(IoDirection::kWrite);
        unlink(tempPath_.c_str());
        return result;
    }
    int dir = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return LastError();
    if (fsync(dir) != 0 && errno != EINVAL) result = LastError(IoDirection::kWrite);
    close(dir);
    return result;
}

std::filesystem::path ScanLogCatalogue::CurrentLogFolder() const {
    if (matched_) return matchedFolder_;
    return folder_ / std::to_string(counter_) / "";
}

void ScanLogCatalogue::ClearMatch() {
    matched_ = false;
    matchedFolder_.clear();
}

void ScanLogCatalogue::BeginNewLogFolder() {
    ++counter_;
    ClearMatch();
    DeleteLogFolder(CurrentLogFolder());
}

void ScanLogCatalogue::StepCounterBack() {
    if (counter_ > 0) --counter_;
}

int32_t ScanLogCatalogue::UseLogFolder(const std::filesystem::path& folder) {
    if (!IsStrictlyBelowFolder(folder)) return kErrorInvalidParameter;
    matched_ = true;
    matchedFolder_ = AsFolder(folder.lexically_normal());
    return kErrorSuccess;
}

bool ScanLogCatalogue::IsStrictlyBelowFolder(const std::filesystem::path& path) const {
    if (!path.is_absolute()) return false;
    for (const auto& part : path) {
        if (part == "..") return false;
    }
    std::filesystem::path target(NormalFolder(path));
    std::filesystem::path base(NormalFolder(folder_));
    std::filesystem::path relative = target.lexically_relative(base);
    if (relative.empty() || relative == "." || *relative.begin() == "..") return false;
    // Every folder between ScanLog and the target must be a real folder: a symbolic link there
    // would lead the deletion somewhere else.
    std::filesystem::path walk = base;
    auto last = std::prev(relative.end());
    for (auto it = relative.begin(); it != last; ++it) {
        walk /= *it;
        std::error_code ec;
        auto status = std::filesystem::symlink_status(walk, ec);
        if (ec) break;  // missing: nothing below it to delete
        if (std::filesystem::is_symlink(status) || !std::filesystem::is_directory(status)) {
            return false;
        }
    }
    return true;
}

int32_t ScanLogCatalogue::DeleteLogFolder(const std::filesystem::path& folder) {
    auto record = std::find_if(records_.begin(), records_.end(), [&](const ScanLogRecord& r) {
        return SameFolder(r.LogFolder(), folder);
    });
    if (record != records_.end()) records_.erase(record);
    // Only a folder strictly below ScanLog is ever deleted, whatever a damaged or tampered
    // "config" names.
    if (!IsStrictlyBelowFolder(folder)) return kErrorInvalidParameter;
    if (matched_ && SameFolder(matchedFolder_, folder)) ClearMatch();

    std::filesystem::path target(NormalFolder(folder));
    std::error_code ec;
    auto status = std::filesystem::symlink_status(target, ec);
    if (ec || status.type() == std::filesystem::file_type::not_found) return kErrorSuccess;
    // remove_all removes symbolic links themselves and never follows them.
    std::filesystem::remove_all(target, ec);
    return ec ? ErrorFromErrno(ec.value(), IoDirection::kWrite) : kErrorSuccess;
}

std::optional<size_t> ScanLogCatalogue::Lookup(bool image, uint32_t diskNumber,
                                               uint64_t startSector, uint64_t sectorCount,
                                               uint32_t volumeSerial, uint64_t freeBytes,
                                               const std::u16string& imagePath, uint64_t imageTime,
                                               const std::filesystem::path& keepFolder) {
    for (size_t i = 0; i < records_.size(); ++i) {
        const ScanLogRecord& r = records_[i];
        bool same = image ? FieldText(r.imagePath) == imagePath
                          : r.imagePath[0] == 0 && r.diskNumber == diskNumber &&
                                r.startSector == startSector && r.sectorCount == sectorCount;
        if (!same) continue;
        bool unchanged = image ? r.imageTime == imageTime
                               : r.freeBytes == freeBytes && r.volumeSerial == volumeSerial;
        if (unchanged) {
            matched_ = true;
            matchedFolder_ = AsFolder(r.LogFolder());
            return i;
        }
        // The volume or image changed since: the earlier scan no longer describes it.
        std::string folder = r.LogFolder();
        records_.erase(records_.begin() + static_cast<ptrdiff_t>(i));
        if (keepFolder.empty() || !SameFolder(folder, keepFolder)) DeleteLogFolder(folder);
        break;
    }
    ClearMatch();
    return std::nullopt;
}

std::optional<ScanLogRecord> ScanLogCatalogue::FindVolumeRecord(uint32_t diskNumber,
                                                                uint64_t startSector,
                                                                uint64_t sectorCount,
                                                                uint16_t driveLetter,
                                                                uint32_t volumeSerial) {
    uint64_t freeBytes = 0;
    if (DriveFreeBytes(driveLetter, &freeBytes) != kErrorSuccess) freeBytes = 0;
    auto found =
        Lookup(false, diskNumber, startSector, sectorCount, volumeSerial, freeBytes, {}, 0, {});
    if (!found) return std::nullopt;
    return records_[*found];
}

std::optional<ScanLogRecord> ScanLogCatalogue::FindImageRecord(
    const std::filesystem::path& imagePath) {
    uint64_t time = 0;
    std::u16string units;
    // An image that cannot be looked at now is not taken for a changed one: its earlier scan
    // stays on record.
    if (FileWriteTime(imagePath, &time) != kErrorSuccess ||
        EncodePath(imagePath, &units) != kErrorSuccess) {
        ClearMatch();
        return std::nullopt;
    }
    auto found = Lookup(true, 0, 0, 0, 0, 0, units, time, {});
    if (!found) return std::nullopt;
    return records_[*found];
}

int32_t ScanLogCatalogue::SaveScanRecord(uint16_t driveLetter, uint32_t diskNumber,
                                         uint64_t startSector, uint64_t sectorCount,
                                         uint32_t volumeSerial, const ScanProgress& progress,
                                         const std::filesystem::path& logFolder,
                                         const std::filesystem::path& imagePath) {
    // A path cut to fit its field would name another file or folder later.
    std::u16string folderUnits;
    std::u16string imageUnits;
    if (int32_t error = EncodePath(logFolder, &folderUnits)) return error;
    if (int32_t error = EncodePath(imagePath, &imageUnits)) return error;

    const bool image = !imagePath.empty();
    uint64_t imageTime = 0;
    uint64_t freeBytes = 0;
    if (image) {
        if (int32_t error = FileWriteTime(imagePath, &imageTime)) return error;
    } else if (DriveFreeBytes(driveLetter, &freeBytes) != kErrorSuccess) {
        freeBytes = 0;
    }
    auto found = Lookup(image, diskNumber, startSector, sectorCount, volumeSerial, freeBytes,
                        imageUnits, imageTime, logFolder);
    if (found) {
        records_[*found].progress = progress;
    } else {
        ScanLogRecord record{};
        record.diskNumber = diskNumber;
        record.volumeSerial = image ? 0 : volumeSerial;
        record.startSector = startSector;
        record.sectorCount = sectorCount;
        record.progress = progress;
        record.freeBytes = image ? 0 : freeBytes;
        record.imageTime = image ? imageTime : 0;
        StoreField(record.imagePath, imageUnits);
        StoreField(record.logFolder, folderUnits);
        records_.push_back(record);
    }
    return Save();
}

int32_t FindLogFile(const std::string& part, std::string* name,
                    const std::filesystem::path& folder) {
    if (!name) return kErrorInvalidParameter;
    name->clear();
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return ErrorFromErrno(ec.value());
    // A Linux listing has no "." first and no order: sort, so that a store's main file comes
    // before its "_Relation" and "_DirInfo" companions.
    std::vector<std::string> names;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) return ErrorFromErrno(ec.value());
        names.push_back(it->path().filename().string());
    }
    if (ec) return ErrorFromErrno(ec.value());
    std::sort(names.begin(), names.end());
    for (const std::string& candidate : names) {
        if (candidate.empty() || candidate[0] == '.') continue;  // ".", ".." and hidden files
        if (candidate.find(part) != std::string::npos) {
            *name = candidate;
            break;
        }
    }
    return kErrorSuccess;
}

uint32_t VolumeSerialOf(const uint8_t* sector, size_t size) {
    if (!sector || size < 512) return 0;
    if (BytesEqual(sector + 3, "NTFS    ", 8)) return Le32(sector + 0x48);
    // FAT32 keeps its extended boot record further in than FAT12/16.
    bool fat32 = Le16(sector + 0x16) == 0 && (sector[0x42] == 0x28 || sector[0x42] == 0x29);
    if (fat32) return Le32(sector + 0x43);
    if (sector[0x26] == 0x28 || sector[0x26] == 0x29) return Le32(sector + 0x27);
    return 0;
}

int32_t FileWriteTime(const std::filesystem::path& path, uint64_t* fileTime) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return LastError();
    int64_t seconds = static_cast<int64_t>(st.st_mtim.tv_sec) + int64_t(kFileTimeEpochOffset);
    if (seconds < 0) seconds = 0;
    *fileTime = static_cast<uint64_t>(seconds) * 10000000ull +
                static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100;
    return kErrorSuccess;
}

}  // namespace keldrin
