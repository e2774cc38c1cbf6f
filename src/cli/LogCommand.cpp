// keldrin log show: a look inside a scan log, read through the store as the engines read it.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Format.h"
#include "cli/TypeFilter.h"
#include "engine/ScanLogCatalogue.h"
#include "engine/ScanStore.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"

namespace keldrin::cli {
namespace {

bool BuildFilter(const TypeOptions& types, std::string* filter, std::string* error) {
    if (!types.extensions.empty()) return FilterFromExtensions(types.extensions, filter, error);
    return FilterFromCategories(types.types, filter, error);
}

// "A/B/" from the folders above the entry.
std::string AncestorPath(ScanStore& store, const ScanEntry& entry) {
    std::vector<ScanEntry> ancestors;
    if (store.ListEntryAncestors(&entry, ancestors) != kErrorSuccess) return {};
    std::string path;
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) path += EntryName(*it) + "/";
    return path;
}

}  // namespace

int RunLogShow(const std::string& log, const TypeOptions& types, bool json) {
    std::error_code ec;
    std::filesystem::path path(log);
    if (path.is_relative() && !std::filesystem::exists(path, ec)) path = ScanLogFolder() / path;
    path = std::filesystem::absolute(path, ec).lexically_normal();
    if (!std::filesystem::is_regular_file(path, ec)) {
        PrintError("no scan log at '" + log + "': " + ErrorMessage(kErrorFileNotFound));
        return kExitFailed;
    }
    bool filtered = !types.types.empty() || !types.extensions.empty();
    std::string filter, error;
    if (filtered && !BuildFilter(types, &filter, &error)) {
        PrintError(error);
        return kExitFailed;
    }
    int32_t err = kErrorSuccess;
    ScanLogCatalogue* catalogue = ScanLogCatalogue::GetCatalogue(&err);
    if (!catalogue) {
        PrintError(ScanLogCatalogue::FailureMessage());
        return kExitFailed;
    }
    if (catalogue->UseLogFolder(path.parent_path()) != kErrorSuccess) {
        PrintError("'" + log + "' is not a scan log below " + catalogue->Folder().string());
        return kExitFailed;
    }
    ScanStore store;
    err = store.OpenStore(path.filename().string());
    if (err != kErrorSuccess) {
        PrintError("cannot open scan log '" + log + "': " + ErrorMessage(err));
        return kExitFailed;
    }
    uint64_t count = std::filesystem::file_size(path, ec) / sizeof(ScanEntry);

    std::vector<ScanEntry> entries;
    if (filtered) {
        if (store.FilterEntries(filter, entries) == 0) {
            PrintError("cannot read scan log '" + log + "'");
            return kExitFailed;
        }
    } else if ((err = store.ListStoreChildren(0, entries)) != kErrorSuccess) {
        PrintError("cannot read scan log '" + log + "': " + ErrorMessage(err));
        return kExitFailed;
    }

    if (json) {
        std::string out = "{\"log\":" + JsonString(path.string()) +
                          ",\"count\":" + std::to_string(count) + ",\"listing\":" +
                          JsonString(filtered ? "filter" : "root") + ",\"entries\":[";
        for (size_t i = 0; i < entries.size(); ++i) {
            if (i) out += ",";
            out += EntryJson(entries[i], filtered ? AncestorPath(store, entries[i]) : "");
        }
        std::printf("%s]}\n", out.c_str());
        return kExitOk;
    }
    std::printf("%s\n%llu entries\n", path.string().c_str(), (unsigned long long)count);
    std::printf(filtered ? "%zu matching files:\n" : "%zu in the root:\n", entries.size());
    for (const ScanEntry& e : entries) {
        std::string name = (filtered ? AncestorPath(store, e) : "") + EntryName(e);
        if (e.isFolder) {
            std::printf("  %s/%s\n", name.c_str(), e.deleted ? "  (deleted)" : "");
        } else {
            std::printf("  %s  %s  %s%s\n", name.c_str(), SizeText(e.size).c_str(),
                        DateText(e.modified).c_str(), e.contentOk ? "" : "  (overwritten)");
        }
    }
    return kExitOk;
}

}  // namespace keldrin::cli
