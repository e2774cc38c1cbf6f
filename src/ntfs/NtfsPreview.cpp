// Preview extraction: documents and archives go to a temporary file under their own (made-safe)
// name, pictures to "tmp.jpg", audio and video to "tmp.avi", all in the scan-log folder; anything
// else is copied into the caller's memory.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <system_error>

#include "engine/RecoveryNames.h"
#include "ntfs/NtfsDataSink.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/Text.h"

namespace keldrin {

namespace {

constexpr const char* kPreviewDocuments =
    "*.pdf|*.doc|*.dot|*.docx|*.dotx|*.docm|*.dotm|*.rtf|*.odt|*.ppt|*.pptx|*.pptm|*.pps|*.ppsx|"
    "*.ppsm|*.odp|*.xls|*.xlsx|*.xlsm|*.csv|*.odc|*.vsd|*.vsdm|*.vsdx|*.pub|*.mpp|*.ics|*.vcf|"
    "*.msg|*.zip|*.rar|*.gzip|*.tar|*.7z|*.cab|*.arj|*.lzh|*.ace|*.gz|*.uue|*.bz2|*.jar|*.iso";
constexpr const char* kPreviewAudio =
    "*.mp3|*.wav|*.ape|*.aiff|*.rps|*.mid|*.midi|*.m4a|*.m4p|*.au|*.ogg|*.wma|*.rm|*.ra|*.acd|"
    "*.amr|*.at3|*.caf|*.dss|*.m4r|*.nra|*.snd";
constexpr const char* kPreviewVideo =
    "*.rmvb|*.rm|*.mpeg|*.mov|*.avi|*.wmv|*.asf|*.mp4|*.flv|*.fla|*.swf|*.m4v|*.3gp|*.dv|*.3g2|"
    "*.m4b|*.mkv|*.mts|*.divx|*.ogm|*.moi|*.vob|*.ajp|*.f4v|*.mqv|*.svi|*.vid|*.tod|*.hdmov|"
    "*.mod|*.mxf|*.lrv";
constexpr const char* kPreviewImages =
    "*.bmp|*.gif|*.jpg|*.jpeg|*.png|*.psd|*.tif|*.tiff|*.pcx|*.scr|*.ico|*.nef|*.nrw|*.crw|*.cr2|"
    "*.sr2|*.arw|*.srf|*.divu|*.pgm|*.k25|*.kdc|*.dcr|*.raf|*.iff|*.pbm|*.mef|*.jp2|*.mos|*.x3f|"
    "*.orf|*.erf|*.indd|*.pef|*.psp|*.mrw|*.dng|*.raw|*.pct|*.tga|*.thm";
// Paths from this length on fall back to the next rule, in the end to memory.
constexpr size_t kMaxPreviewPath = 260;

class PreviewSink : public CFastNtfsRecovery::DataSink {
public:
    PreviewSink(int fd, uint8_t* memory, uint64_t capacity, PreviewCallback callback,
                void* context)
        : fd_(fd), memory_(memory), capacity_(capacity), callback_(callback), context_(context) {}
    int32_t Write(const uint8_t* data, size_t length) override {
        if (fd_ >= 0) return WriteAll(fd_, data, length);
        const size_t keep = size_t(std::min<uint64_t>(length, capacity_ - copied_));
        if (keep) std::memcpy(memory_ + copied_, data, keep);
        copied_ += keep;
        return kErrorSuccess;
    }
    int32_t Progress(uint64_t done, uint64_t total) override {
        if (!callback_) return 0;
        return callback_(context_, int32_t(done * 100 / total), 0);
    }
    uint64_t Copied() const { return copied_; }

private:
    int fd_;
    uint8_t* memory_;
    uint64_t capacity_;
    uint64_t copied_ = 0;
    PreviewCallback callback_;
    void* context_;
};

// The preview file for the entry, or empty for memory mode.
std::filesystem::path PreviewPath(const std::string& name) {
    const std::string_view ext = ExtensionOf(name);
    if (ext.empty()) return {};
    const std::string lower = AsciiLower(ext);
    std::filesystem::path chosen;
    const auto candidate = [&](const std::string& fileName) {
        std::error_code ec;
        std::filesystem::create_directories(ScanLogFolder(), ec);
        std::filesystem::path p = ScanLogFolder() / fileName;
        if (p.string().size() < kMaxPreviewPath) chosen = p;
    };
    if (ExtensionInList(lower, kPreviewDocuments)) candidate(SafeFileName(name));
    if (ExtensionInList(lower, kPreviewAudio) || ExtensionInList(lower, kPreviewVideo)) {
        candidate("tmp.avi");
    } else if (ExtensionInList(lower, kPreviewImages)) {
        candidate("tmp.jpg");
    }
    return chosen;
}

}  // namespace

int32_t CFastNtfsRecovery::ExtractPreview(const ScanEntry* entry, std::string* path,
                                          uint8_t* memory, uint32_t* capacity,
                                          PreviewCallback callback, void* context) {
    const uint64_t room = capacity && memory ? *capacity : 0;
    if (capacity) *capacity = 0;
    if (!entry) {
        if (callback) callback(context, 100, kErrorInvalidParameter);
        return kErrorInvalidParameter;
    }
    const std::string name(entry->name, strnlen(entry->name, sizeof entry->name));
    const std::filesystem::path file = PreviewPath(name);
    int fd = -1;
    if (!file.empty()) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return LastError(IoDirection::kWrite);
        if (path) *path = file.string();
    }
    const uint64_t limit = fd >= 0 ? entry->size : std::min<uint64_t>(entry->size, room);
    PreviewSink sink(fd, memory, room, callback, context);
    bool resident = false;
    const int32_t result = CopyEntryData(*entry, limit, sink, &resident);
    if (callback && (resident || result > 0)) callback(context, 100, result);
    if (fd >= 0) {
        ::close(fd);
        if (result != kErrorSuccess) {
            std::error_code ec;
            std::filesystem::remove(file, ec);
            if (path) path->clear();
        }
    }
    if (capacity) *capacity = fd >= 0 ? 0 : uint32_t(sink.Copied());
    return result;
}

}  // namespace keldrin
