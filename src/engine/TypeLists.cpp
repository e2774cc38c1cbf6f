// The five type lists that listing, search, preview and recovery categories share, the image
// test of the scan store, and the names of scan logs.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "engine/ScanStore.h"
#include "platform/Text.h"

namespace keldrin {

const char* const kImageTypes =
    "*.bmp|*.gif|*.jpg|*.jpeg|*.png|*.psd|*.tif|*.tiff|*.pcx|*.scr|*.ico|*.nef|*.nrw|*.crw|"
    "*.cr2|*.sr2|*.arw|*.srf|*.divu|*.pgm|*.k25|*.kdc|*.dcr|*.raf|*.iff|*.pbm|*.mef|*.jp2|*.mos|"
    "*.x3f|*.orf|*.erf|*.indd|*.pef|*.psp|*.mrw|*.dng|*.raw|*.pct|*.tga|*.thm";
const char* const kAudioTypes =
    "*.mp3|*.wav|*.ape|*.aiff|*.rps|*.mid|*.midi|*.m4a|*.m4p|*.au|*.ogg|*.wma|*.rm|*.ra|*.acd|"
    "*.amr|*.at3|*.caf|*.dss|*.m4r|*.nra|*.snd";
const char* const kDocumentTypes =
    "*.doc|*.xls|*.ppt|*.odt|*.ods|*.pdf|*.docx|*.xlsx|*.pptx|*.ole|*.txt|*.xml|*.chm|*.htm|"
    "*.html|*.pst|*.dbx|*.wps|*.dps|*.et|*.one|*.mpp|*.mdb|*.accdb";
const char* const kVideoTypes =
    "*.rmvb|*.rm|*.mpeg|*.mov|*.avi|*.wmv|*.asf|*.mp4|*.flv|*.fla|*.swf|*.m4v|*.3gp|*.dv|*.3g2|"
    "*.m4b|*.mkv|*.mts|*.divx|*.ogm|*.moi|*.vob|*.ajp|*.f4v|*.mqv|*.svi|*.vid|*.tod|*.hdmov|"
    "*.mod|*.mxf|*.lrv";
const char* const kArchiveTypes =
    "*.zip|*.rar|*.gzip|*.tar|*.7z|*.cab|*.arj|*.lzh|*.ace|*.gz|*.uue|*.bz2|*.jar|*.iso";

bool IsImageEntry(const ScanEntry& entry) {
    // The name field of a damaged record need not be terminated.
    std::string_view name(entry.name, strnlen(entry.name, sizeof(entry.name)));
    std::string extension = AsciiLower(ExtensionOf(name));
    if (extension.empty()) return false;
    return std::string_view(kImageTypes).find(extension) != std::string_view::npos;
}

std::string MakeScanLogName(const char* prefix, uint64_t startSector, const std::tm& local) {
    char name[260];
    std::snprintf(name, sizeof(name), "%s%lld_%d%d%d%d%2d", prefix,
                  static_cast<long long>(startSector), local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min);
    return name;
}

std::string MakeScanLogName(const char* prefix, uint64_t startSector) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return MakeScanLogName(prefix, startSector, local);
}

}  // namespace keldrin
