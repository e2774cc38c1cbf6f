#include "signature/CFileTypeRecovery.h"
#include "platform/FileIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "engine/RecoveryNames.h"
#include "platform/AppPaths.h"
#include "platform/Text.h"
#include "signature/FileTypeSignature.h"

namespace keldrin {

namespace {

constexpr uint32_t kCopyPiece = 65536;
constexpr size_t kNameCapacity = 260;
constexpr size_t kMaxPreviewPath = 260;

constexpr const char* kPreviewDocumentTypes =
    "*.pdf|*.doc|*.dot|*.docx|*.dotx|*.docm|*.dotm|*.rtf|*.odt|*.ppt|*.pptx|*.pptm|*.pps|*.ppsx|"
    "*.ppsm|*.odp|*.xls|*.xlsx|*.xlsm|*.csv|*.odc|*.vsd|*.vsdm|*.vsdx|*.pub|*.mpp|*.ics|*.vcf|"
    "*.msg|*.zip|*.rar|*.gzip|*.tar|*.7z|*.cab|*.arj|*.lzh|*.ace|*.gz|*.uue|*.bz2|*.jar|*.iso";
constexpr const char* kPreviewAudioTypes =
    "*.mp3|*.wav|*.ape|*.aiff|*.rps|*.mid|*.midi|*.m4a|*.m4p|*.au|*.ogg|*.wma|*.rm|*.ra|*.acd|"
    "*.amr|*.at3|*.caf|*.dss|*.m4r|*.nra|*.snd";
constexpr const char* kPreviewVideoTypes =
    "*.rmvb|*.rm|*.mpeg|*.mov|*.avi|*.wmv|*.asf|*.mp4|*.flv|*.fla|*.swf|*.m4v|*.3gp|*.dv|*.3g2|"
    "*.m4b|*.mkv|*.mts|*.divx|*.ogm|*.moi|*.vob|*.ajp|*.f4v|*.mqv|*.svi|*.vid|*.tod|*.hdmov|"
    "*.mod|*.mxf|*.lrv";
constexpr const char* kPreviewPictureTypes =
    "*.bmp|*.gif|*.jpg|*.jpeg|*.png|*.psd|*.tif|*.tiff|*.pcx|*.scr|*.ico|*.nef|*.nrw|*.crw|*.cr2|"
    "*.sr2|*.arw|*.srf|*.divu|*.pgm|*.k25|*.kdc|*.dcr|*.raf|*.iff|*.pbm|*.mef|*.jp2|*.mos|*.x3f|"
    "*.orf|*.erf|*.indd|*.pef|*.psp|*.mrw|*.dng|*.raw|*.pct|*.tga|*.thm";

// Kinds sized from header fields: their inside is still offered sector by sector.
bool StepsOneSector(int32_t typeId) {
    switch (typeId) {
        case 0: case 2: case 3: case 5:  // compound documents
        case 21: case 22: case 24: case 26: case 29: case 33: case 45: case 46:
            return true;
        default:
            return false;
    }
}

int32_t CreateFolderOf(const std::filesystem::path& destination) {
    const std::filesystem::path folder = destination.parent_path();
    if (folder.empty()) return kErrorSuccess;
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return kErrorSuccess;
    std::filesystem::create_directories(folder, ec);
    if (!ec) return kErrorSuccess;
    const int32_t code = ErrorFromErrno(ec.value(), IoDirection::kWrite);
    return code == kErrorFileExists || code == kErrorAlreadyExists ? kErrorSuccess : code;
}

int32_t Percent(uint64_t done, uint64_t total) {
    return total == 0 ? 100 : int32_t(done * 100 / total);
}

}  // namespace

CFileTypeRecovery::~CFileTypeRecovery() {
    DestroyStore();
    // The signature context's scratch buffer stays: it belongs to the process, and a rescan's new
    // engine already exists when this one is destroyed.
    CloseDevice(device_);
}

void CFileTypeRecovery::DestroyStore() {
    if (store_) {
        store_->FlushStore();
        store_.reset();
    }
    storeError_ = kErrorInvalidParameter;
}

void CFileTypeRecovery::ReplaceStore(const std::string& name) {
    DestroyStore();
    auto store = std::make_unique<ScanStore>();
    const int32_t rc = store->OpenStore(name);
    if (rc != kErrorSuccess) {
        storeError_ = rc;
        return;
    }
    store->SetStoreCallback(storeCallback_, storeContext_);
    store_ = std::move(store);
    storeError_ = kErrorSuccess;
}

int32_t CFileTypeRecovery::OpenImage(const std::filesystem::path& image, uint16_t sourceId) {
    DestroyStore();
    CloseDevice(device_);
    const int32_t rc = OpenImageFile(device_, image);
    sourceId_ = sourceId;
    startSector_ = 0;
    sectorCount_ = device_.sectorCount;
    ReplaceStore(MakeScanLogName(kFileTypeLogPrefix, 0));
    return rc;
}

int32_t CFileTypeRecovery::OpenDisk(uint32_t diskNumber, uint64_t startSector,
                                    uint64_t sectorCount, uint16_t sourceId) {
    DestroyStore();
    CloseDevice(device_);
    const int32_t rc = OpenPhysicalDisk(device_, diskNumber);
    sourceId_ = sourceId;
    startSector_ = startSector;
    sectorCount_ = sectorCount;
    ReplaceStore(MakeScanLogName(kFileTypeLogPrefix, startSector));
    return rc;
}

int32_t CFileTypeRecovery::ReopenDisk(int32_t sectorSize, uint32_t diskNumber,
                                      const std::string& logName, uint16_t sourceId) {
    sourceId_ = sourceId;
    sectorSize_ = sectorSize > 0 ? sectorSize : 512;
    CloseDevice(device_);
    const int32_t rc = OpenPhysicalDisk(device_, diskNumber);
    ReplaceStore(logName);
    return rc;
}

int32_t CFileTypeRecovery::ReopenImage(int32_t sectorSize, const std::string& logName,
                                       uint16_t sourceId, const std::filesystem::path& image) {
    sourceId_ = sourceId;
    sectorSize_ = sectorSize > 0 ? sectorSize : 512;
    CloseDevice(device_);
    const int32_t rc = OpenImageFile(device_, image);
    ReplaceStore(logName);
    return rc;
}

int32_t CFileTypeRecovery::SetProgressCallback(ProgressCallback progress,
                                               CopyProgressCallback copy, void* context,
                                               int32_t scale) {
    progress_ = progress;
    copyProgress_ = copy;
    context_ = context;
    scale_ = scale;
    SignatureContext& ctx = GetSignatureContext();
    ctx.progress = progress;
    ctx.progressContext = context;
    ctx.scale = scale;
    return kErrorSuccess;
}

int32_t CFileTypeRecovery::Scan(const char*) { return kErrorSuccess; }

int32_t CFileTypeRecovery::ListChildren(const ScanEntry* folder, uint32_t keyHigh,
                                        std::vector<ScanEntry>& out) {
    if (store_) store_->FlushStore();
    if (folder != nullptr) return kErrorSuccess;
    if (keyHigh != 0) return kErrorInvalidParameter;
    return store_ ? store_->ListStoreChildren(0, out) : kErrorSuccess;
}

int32_t CFileTypeRecovery::ListSubtree(const ScanEntry* folder, uint32_t keyHigh,
                                       uint32_t* count) {
    if (store_) store_->FlushStore();
    if (count == nullptr) return kErrorInvalidParameter;
    *count = 0;
    if (folder != nullptr || keyHigh != 0 || !store_) return kErrorSuccess;
    return store_->CountStoreSubtree(0, count);
}

uint64_t CFileTypeRecovery::GetResultCount() { return store_ ? store_->RecordCount() : 0; }

int32_t CFileTypeRecovery::GetEntryPath(const ScanEntry*, std::string&, uint32_t) {
    return kErrorSuccess;  // every entry lies in the root
}

int32_t CFileTypeRecovery::NextFreeRegion(uint64_t*, uint64_t*) { return 0; }

int32_t CFileTypeRecovery::SetStoreCallback(StoreCallback callback, void* context) {
    storeCallback_ = callback;
    storeContext_ = context;
    if (!store_) return kErrorInvalidParameter;
    store_->SetStoreCallback(callback, context);
    return kErrorSuccess;
}

int32_t CFileTypeRecovery::SearchEntries(const std::string& filter, std::vector<ScanEntry>& out) {
    return store_ ? store_->FilterEntries(filter, out) : 0;
}

int32_t CFileTypeRecovery::BuildAllocationMap() { return kErrorSuccess; }

int32_t CFileTypeRecovery::IdentifyAndSize(int32_t sectorSize, SectorDevice* device,
                                           const uint8_t* block, int32_t length,
                                           uint64_t sector, uint64_t sectorsScanned,
                                           uint64_t sectorsTotal, int32_t secondsLeft,
                                           uint64_t filesFound, char* name, int32_t* typeId,
                                           uint64_t* size) {
    SignatureContext& ctx = GetSignatureContext();
    ctx.sectorSize = sectorSize;
    ctx.device = device;
    ctx.hitSector = sector;
    ctx.cursorSector = sector;
    ctx.sectorsScanned = sectorsScanned;
    ctx.sectorsTotal = sectorsTotal;
    ctx.secondsLeft = secondsLeft;
    ctx.filesFound = filesFound;

    const SignatureHit hit = IdentifyBlock(block, length);
    ctx.tsContinuation = true;
    ctx.previousHitWasMts = false;
    if (hit.row == nullptr || hit.typeId == kNoMatchType || hit.row->sizeRule == nullptr) {
        return kErrorInvalidParameter;
    }
    const FileTypeSignature* row = FindSignatureByType(hit.typeId);
    if (row == nullptr || row->sizeRule == nullptr) return kErrorInvalidParameter;
    if (hit.typeId != 20) ctx.tsContinuation = false;
    if (hit.typeId == 47) ctx.previousHitWasMts = true;

    if (name != nullptr) {
        std::snprintf(name, kNameCapacity, "%lld.%s", static_cast<long long>(sector),
                      row->extension);
    }
    if (typeId != nullptr) *typeId = row->typeId;
    ctx.cancelStatus = 0;
    const uint64_t estimate = row->sizeRule(block, length);
    if (size != nullptr) *size = estimate;
    // Any answer that stopped the estimate leaves it incomplete: nothing may be recorded.
    return ctx.cancelStatus;
}

int32_t CFileTypeRecovery::ProcessSector(int32_t sectorSize, const uint8_t* block,
                                         int32_t length, uint64_t sector,
                                         uint64_t sectorsScanned, uint64_t sectorsTotal,
                                         int32_t secondsLeft, SectorDevice* device,
                                         uint64_t* step, uint64_t* filesFound) {
    if (sectorSize <= 0 || block == nullptr || length <= 0) return kErrorInvalidParameter;
    sectorSize_ = sectorSize;
    if (!store_) return storeError_;
    char name[kNameCapacity] = {};
    int32_t typeId = kNoMatchType;
    uint64_t size = 0;
    const int32_t rc =
        IdentifyAndSize(sectorSize, device, block, length, sector, sectorsScanned, sectorsTotal,
                        secondsLeft, filesFound != nullptr ? *filesFound : 0, name, &typeId,
                        &size);
    if (rc != kErrorSuccess) return rc;

    ScanEntry* entry = store_->AppendEntry();
    if (entry == nullptr) return kErrorNotEnoughMemory;
    std::memset(entry, 0, sizeof(ScanEntry));
    entry->sourceId = sourceId_;
    entry->origin = kOriginSignature;
    entry->isFolder = 0;
    entry->deleted = 0;
    entry->contentOk = 1;
    entry->id = store_->RecordCount();
    entry->firstCluster = 0;
    entry->clusterSize = 0xFFFFFFFFu;
    entry->size = size;
    entry->dataStart = 0;
    entry->entrySector = sector;
    entry->regionStart = 0;
    CopyToField(entry->name, sizeof(entry->name), name);
    const uint32_t id = entry->id;
    store_->AddRelation(0, id, 0, nullptr);

    if (step != nullptr) {
        const uint64_t ss = uint64_t(sectorSize);
        *step = StepsOneSector(typeId) ? 1 : std::max<uint64_t>(1, size / ss + (size % ss != 0));
    }
    if (filesFound != nullptr) ++*filesFound;
    return kErrorSuccess;
}

template <typename Report>
int32_t CFileTypeRecovery::CopyEntryData(const ScanEntry& entry, uint64_t bytes, int fd,
                                         uint8_t* memory, uint64_t* copied, Report&& report) {
    *copied = 0;
    const uint64_t ss = uint64_t(sectorSize_ > 0 ? sectorSize_ : 512);
    uint64_t remaining = (bytes + ss - 1) / ss * ss;  // R: whole sectors
    if (remaining == 0) return kErrorSuccess;
    std::vector<uint8_t> buffer(kCopyPiece);
    uint64_t left = bytes;
    uint64_t sectorsDone = 0;
    while (remaining != 0) {
        const uint64_t first = entry.entrySector + sectorsDone;
        if (first < entry.entrySector || first >= device_.sectorCount) return kErrorReadFault;
        // A read that would cross the device end is cut to the sectors that exist.
        const uint64_t want =
            std::min({std::min<uint64_t>(remaining, kCopyPiece) / ss, device_.sectorCount - first});
        uint32_t got = 0;
        const int32_t rc = ReadSectors(device_, buffer.data(), first, int32_t(want), uint32_t(ss),
                                       &got);
        if (got == 0) return rc != kErrorSuccess ? rc : kErrorReadFault;
        const uint64_t read = uint64_t(got) * ss;
        remaining -= std::min(remaining, read);
        sectorsDone += got;
        const uint64_t piece = std::min(read, left);
        if (fd >= 0) {
            const int32_t wrc = WriteAll(fd, buffer.data(), size_t(piece));
            if (wrc != kErrorSuccess) return wrc;
        } else {
            std::memcpy(memory + *copied, buffer.data(), size_t(piece));
        }
        *copied += piece;
        left -= piece;
        if (const int32_t answer = report(Percent(bytes - left, bytes)); answer != 0) {
            return answer;
        }
        if (rc != kErrorSuccess) return rc;  // the sectors that did arrive are written out
        if (left == 0) break;
    }
    return kErrorSuccess;
}

int32_t CFileTypeRecovery::RecoverEntry(const ScanEntry* entry,
                                        const std::filesystem::path& destination, uint32_t) {
    const std::string destText = destination.string();
    int32_t rc = CreateFolderOf(destination);
    if (rc != kErrorSuccess) return rc;
    auto finish = [&](int32_t code) {
        if (code > 0 && copyProgress_ != nullptr) {
            copyProgress_(context_, 100, 100, code, destText.c_str());
        }
        return code;
    };
    if (entry == nullptr) return finish(kErrorInvalidParameter);
    // Truncated: a shorter file recovered over a longer one must not keep the old tail.
    const int fd = ::open(destText.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return finish(LastError(IoDirection::kWrite));
    uint64_t copied = 0;
    rc = CopyEntryData(*entry, entry->size, fd, nullptr, &copied, [&](int32_t percent) {
        return copyProgress_ != nullptr ? copyProgress_(context_, percent, 100, 0, destText.c_str())
                                        : 0;
    });
    ::close(fd);  // a partly written file stays in place
    return finish(rc);
}

int32_t CFileTypeRecovery::ExtractPreview(const ScanEntry* entry, std::string* path,
                                          uint8_t* memory, uint32_t* capacity,
                                          PreviewCallback callback, void* context) {
    if (entry == nullptr) return kErrorInvalidParameter;
    const std::string name(entry->name, strnlen(entry->name, sizeof(entry->name)));
    const std::string extension = AsciiLower(ExtensionOf(name));

    std::filesystem::path temp;
    if (!extension.empty()) {
        const std::filesystem::path folder = ScanLogFolder();
        if (ExtensionInList(extension, kPreviewDocumentTypes)) {
            // The entry's own name, made safe as every name written out is.
            const std::filesystem::path candidate = folder / SafeFileName(name);
            if (candidate.string().size() < kMaxPreviewPath) temp = candidate;
        }
        if (ExtensionInList(extension, kPreviewAudioTypes) ||
            ExtensionInList(extension, kPreviewVideoTypes)) {
            temp = folder / "tmp.avi";
        } else if (ExtensionInList(extension, kPreviewPictureTypes)) {
            temp = folder / "tmp.jpg";
        }
    }

    int fd = -1;
    uint64_t bytes = entry->size;
    if (!temp.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(temp.parent_path(), ec);
        if (path != nullptr) *path = temp.string();
        std::filesystem::remove(temp, ec);
        fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return LastError(IoDirection::kWrite);
    } else {
        if (memory == nullptr || capacity == nullptr) return kErrorInvalidParameter;
        bytes = std::min<uint64_t>(bytes, *capacity);
    }

    uint64_t copied = 0;
    int32_t rc = CopyEntryData(*entry, bytes, fd, memory, &copied, [&](int32_t percent) {
        return callback != nullptr ? callback(context, percent, 0) : 0;
    });
    if (rc > 0 && callback != nullptr) callback(context, 100, rc);
    if (fd >= 0) {
        ::close(fd);
        if (rc != kErrorSuccess) {
            std::error_code ec;
            std::filesystem::remove(temp, ec);
        }
        if (capacity != nullptr) *capacity = 0;
    } else {
        *capacity = uint32_t(copied);
    }
    return rc;
}

}  // namespace keldrin
