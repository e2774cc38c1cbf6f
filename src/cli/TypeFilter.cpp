#include "cli/TypeFilter.h"

#include "engine/ScanStore.h"
#include "platform/Text.h"

namespace keldrin::cli {
namespace {

const char* ListOf(const std::string& category) {
    if (category == "photo") return kImageTypes;
    if (category == "audio") return kAudioTypes;
    if (category == "video") return kVideoTypes;
    if (category == "document") return kDocumentTypes;
    if (category == "archive") return kArchiveTypes;
    if (category == "others") return ".other";
    return nullptr;
}

void Append(std::string* filter, const std::string& part) {
    if (!filter->empty()) *filter += "|";
    *filter += part;
}

}  // namespace

const std::vector<std::string>& CategoryNames() {
    static const std::vector<std::string> kNames = {"photo",    "audio",   "video",
                                                    "document", "archive", "others"};
    return kNames;
}

bool FilterFromCategories(const std::vector<std::string>& categories, std::string* filter,
                          std::string* error) {
    filter->clear();
    const std::vector<std::string>& chosen = categories.empty() ? CategoryNames() : categories;
    for (const std::string& raw : chosen) {
        std::string name = AsciiLower(raw);
        const char* list = ListOf(name);
        if (!list) {
            *error = "unknown file type '" + raw + "' (use photo, audio, video, document, " +
                     "archive or others)";
            return false;
        }
        Append(filter, list);
    }
    return true;
}

bool FilterFromExtensions(const std::vector<std::string>& extensions, std::string* filter,
                          std::string* error) {
    filter->clear();
    for (const std::string& raw : extensions) {
        std::string ext = AsciiLower(raw);
        if (ext.rfind("*.", 0) == 0) ext.erase(0, 2);
        else if (ext.rfind('.', 0) == 0) ext.erase(0, 1);
        bool plain = !ext.empty();
        for (char c : ext) plain = plain && c != '|' && c != '*' && c != '.' && c != '/';
        if (!plain) {
            *error = "not a file extension: '" + raw + "'";
            return false;
        }
        Append(filter, "*." + ext);
    }
    if (filter->empty()) {
        *error = "no file extension given";
        return false;
    }
    return true;
}

}  // namespace keldrin::cli
