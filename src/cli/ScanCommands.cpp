// keldrin scan, list and recover: each runs its own fast scan of the source's regions through the
// factory, then asks the engines for their results; nothing here knows which engine it holds.
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Destination.h"
#include "cli/Format.h"
#include "cli/Progress.h"
#include "cli/Source.h"
#include "cli/TypeFilter.h"
#include "engine/EngineTable.h"
#include "engine/Factory.h"
#include "engine/IFileRecoveryParse.h"
#include "engine/RecoveryNames.h"
#include "engine/ScanLogCatalogue.h"
#include "platform/Errors.h"

namespace keldrin::cli {
namespace {

constexpr uint16_t kImageNumber = 1;
constexpr int kMaxListDepth = 256;

struct ScannedRegion {
    Region region;
    DetectedFileSystem fs = DetectedFileSystem::kNone;
    std::unique_ptr<IFileRecoveryParse> engine;
};

bool BuildFilter(const TypeOptions& types, std::string* filter, std::string* error) {
    if (!types.extensions.empty()) return FilterFromExtensions(types.extensions, filter, error);
    return FilterFromCategories(types.types, filter, error);
}

int32_t DetectRegion(const Region& region, DetectedFileSystem* fs) {
    SectorDevice device;
    int32_t err = OpenRegionDevice(region, device);
    std::vector<uint8_t> head;
    bool tooShort = false;
    if (err == kErrorSuccess) {
        err = ReadDetectionBytes(device, region.startSector, region.sectorCount,
                                 region.bytesPerSector, head, &tooShort);
    }
    CloseDevice(device);
    *fs = err == kErrorSuccess ? DetectFileSystem(head.data()) : DetectedFileSystem::kNone;
    return tooShort ? kErrorSuccess : err;
}

// Resolves the source and runs a fast scan of each of its regions. Returns an exit status;
// *scanned receives the regions whose scan ended without error.
int ScanSource(const ScanOptions& options, Source* source, std::vector<ScannedRegion>* scanned) {
    if (options.mode == "deep" && !HaveDeepEngine()) {
        PrintError("deep scans are not available yet; use --mode fast");
        return kExitFailed;
    }
    std::string error;
    if (ResolveSource(options.source, source, &error) != kErrorSuccess) {
        PrintError(error);
        return kExitFailed;
    }
    int32_t err = kErrorSuccess;
    ScanLogCatalogue* catalogue = ScanLogCatalogue::GetCatalogue(&err);
    if (!catalogue) {
        PrintError(ScanLogCatalogue::FailureMessage());
        return kExitFailed;
    }
    InstallCancelHandler();
    int status = kExitOk;
    for (const Region& region : source->regions) {
        ScannedRegion result;
        result.region = region;
        if ((err = DetectRegion(region, &result.fs)) != kErrorSuccess) {
            PrintError("cannot read '" + region.label + "': " + ErrorMessage(err));
            status = kExitPartly;
            continue;
        }
        const bool deep = options.mode == "deep";
        result.engine = region.isImage
                            ? OpenImageRecovery(region.image, kImageNumber, deep)
                            : OpenDiskRecovery(region.disk, region.startSector,
                                               region.sectorCount, 0, deep);
        if (!result.engine) {
            if (result.fs == DetectedFileSystem::kNone || result.fs == DetectedFileSystem::kBitLocker) {
                PrintError(region.label + ": no file system recognised (" +
                           FileSystemName(result.fs) + "); a fast scan needs FAT, NTFS or ext");
            } else {
                PrintError(region.label + ": " + FileSystemName(result.fs) +
                           " recognised, but this build has no fast engine for it");
            }
            status = kExitPartly;
            continue;
        }
        catalogue->BeginNewLogFolder();
        ProgressBar bar("Scanning " + region.label);
        result.engine->SetProgressCallback(&ProgressBar::OnScanProgress, nullptr, &bar, 100);
        err = result.engine->Scan(nullptr);
        bar.Finish();
        if (err == kCancelCode) {
            PrintError("scan cancelled");
            return kExitCancelled;
        }
        if (err != kErrorSuccess) {
            PrintError(region.label + ": the scan failed: " + ErrorMessage(err));
            status = kExitPartly;
            continue;
        }
        scanned->push_back(std::move(result));
    }
    if (scanned->empty() && status == kExitOk) status = kExitPartly;
    return status;
}

int32_t Search(ScannedRegion& r, const std::string& filter, std::vector<ScanEntry>* out) {
    if (r.engine->SearchEntries(filter, *out) == 0 && r.engine->GetResultCount() != 0) {
        return kErrorReadFault;
    }
    return kErrorSuccess;
}

// ---- list ----

struct ListContext {
    IFileRecoveryParse* engine;
    const std::set<std::pair<uint32_t, uint32_t>>* matches;  // (origin, id); null = all
    std::vector<std::string>* lines;
    std::vector<std::string>* json;
    std::set<std::pair<uint32_t, uint64_t>> visited;         // (origin, key) of walked folders
};

std::string FileLine(const ScanEntry& e) {
    std::string line = EntryName(e) + "  " + SizeText(e.size);
    std::string modified = DateText(e.modified), created = DateText(e.created);
    if (!modified.empty()) line += "  modified " + modified;
    if (!created.empty()) line += "  created " + created;
    line += e.contentOk ? "  content ok" : "  overwritten";
    return line;
}

// Lists a folder's children (root: folder null, keyHigh 0); a child folder's key high half is
// its depth. Returns the number of matching files below, so folders without any are left out of
// a filtered listing.
size_t ListFolder(ListContext& c, const ScanEntry* folder, uint32_t keyHigh, int depth,
                  const std::string& path) {
    std::vector<ScanEntry> children;
    int32_t err = c.engine->ListChildren(folder, keyHigh, children);
    if (err != kErrorSuccess) {
        PrintError("cannot list '" + path + "': " + ErrorMessage(err));
    }
    std::string indent(size_t(depth) * 2 + 2, ' ');
    size_t found = 0;
    for (const ScanEntry& e : children) {
        if (e.isFolder) {
            uint64_t key = (uint64_t(keyHigh + 1) << 32) | e.firstCluster;
            // Medium-controlled links: a folder met again (a cycle) is not walked twice.
            if (depth >= kMaxListDepth || !c.visited.insert({e.origin, key}).second) continue;
            size_t lineAt = c.lines->size(), jsonAt = c.json->size();
            std::string childPath = path + EntryName(e) + "/";
            c.lines->push_back(indent + EntryName(e) + "/" + (e.deleted ? "  (deleted)" : ""));
            c.json->push_back(EntryJson(e, path));
            size_t below = ListFolder(c, &e, keyHigh + 1, depth + 1, childPath);
            if (c.matches && below == 0) {
                c.lines->resize(lineAt);
                c.json->resize(jsonAt);
            }
            found += below;
        } else {
            if (c.matches && !c.matches->count({e.origin, e.id})) continue;
            c.lines->push_back(indent + FileLine(e));
            c.json->push_back(EntryJson(e, path));
            ++found;
        }
    }
    return found;
}

// ---- recover ----

struct RecoverContext {
    ProgressBar* bar;
    size_t processed = 0;   // files finished, with or without error
    size_t failed = 0;
    bool reported = false;  // the current entry's end was reported through the callback
};

int32_t OnCopyProgress(void* context, int32_t percent, int32_t hundred, int32_t error,
                       const char* destination) {
    auto* c = static_cast<RecoverContext*>(context);
    if (CancelRequested()) return kCancelCode;
    if (ClampedPercent(percent, hundred) >= 100) {
        c->reported = true;
        ++c->processed;
        if (error != kErrorSuccess) {
            c->bar->Finish();
            std::fprintf(stderr, "failed: %s: %s\n", destination ? destination : "",
                         ErrorMessage(error).c_str());
            ++c->failed;
        }
    }
    c->bar->Update(percent, hundred, -1, 0);
    return 0;
}

}  // namespace

int RunScan(const ScanOptions& options) {
    Source source;
    std::vector<ScannedRegion> scanned;
    int status = ScanSource(options, &source, &scanned);
    if (status == kExitFailed || status == kExitCancelled) return status;
    std::string all;
    std::string error;
    FilterFromCategories({}, &all, &error);
    for (ScannedRegion& r : scanned) {
        std::vector<ScanEntry> files;
        if (Search(r, all, &files) != kErrorSuccess) {
            PrintError(r.region.label + ": cannot read the scan's results");
            status = kExitPartly;
        }
        std::map<std::string, size_t> perCategory;
        for (const ScanEntry& e : files) ++perCategory[CategoryFolderName(EntryName(e))];
        std::printf("%s  %s  %zu files found\n", r.region.label.c_str(), FileSystemName(r.fs),
                    files.size());
        for (const std::string& category : CategoryNames()) {
            std::printf("  %-9s %zu\n", category.c_str(), perCategory[category]);
        }
    }
    return status;
}

int RunList(const ScanOptions& options) {
    bool filtered = !options.types.types.empty() || !options.types.extensions.empty();
    std::string filter, error;
    if (filtered && !BuildFilter(options.types, &filter, &error)) {
        PrintError(error);
        return kExitFailed;
    }
    Source source;
    std::vector<ScannedRegion> scanned;
    int status = ScanSource(options, &source, &scanned);
    if (status == kExitFailed || status == kExitCancelled) return status;

    std::string json = "{\"source\":" + JsonString(options.source) + ",\"regions\":[";
    bool firstRegion = true;
    for (ScannedRegion& r : scanned) {
        std::set<std::pair<uint32_t, uint32_t>> matches;
        if (filtered) {
            std::vector<ScanEntry> files;
            if (Search(r, filter, &files) != kErrorSuccess) status = kExitPartly;
            for (const ScanEntry& e : files) matches.insert({e.origin, e.id});
        }
        std::vector<std::string> lines, objects;
        ListContext c{r.engine.get(), filtered ? &matches : nullptr, &lines, &objects, {}};
        size_t files = ListFolder(c, nullptr, 0, 0, "");
        if (options.json) {
            json += std::string(firstRegion ? "" : ",") + "{\"region\":" +
                    JsonString(r.region.label) + ",\"fileSystem\":" +
                    JsonString(FileSystemName(r.fs)) + ",\"entries\":[";
            for (size_t i = 0; i < objects.size(); ++i) json += (i ? "," : "") + objects[i];
            json += "]}";
            firstRegion = false;
            continue;
        }
        std::printf("%s  %s  %zu files\n", r.region.label.c_str(), FileSystemName(r.fs), files);
        for (const std::string& line : lines) std::printf("%s\n", line.c_str());
    }
    if (options.json) std::printf("%s]}\n", json.c_str());
    return status;
}

int RunRecover(const ScanOptions& options) {
    std::string filter, error;
    if (!BuildFilter(options.types, &filter, &error)) {
        PrintError(error);
        return kExitFailed;
    }
    std::error_code ec;
    std::filesystem::path destination =
        std::filesystem::absolute(options.destination, ec).lexically_normal();
    if (destination.has_filename() == false && destination.has_parent_path() &&
        destination != destination.root_path()) {
        destination = destination.parent_path();  // drop a trailing "/"
    }
    if (ec || options.destination.empty()) {
        PrintError("no destination folder given (--to DIR)");
        return kExitFailed;
    }
    // Refused before anything is read or written: the scan must not compete with writes to the
    // medium it reads, and recovered files must not overwrite the deleted data they come from.
    {
        Source source;
        if (ResolveSource(options.source, &source, &error) != kErrorSuccess) {
            PrintError(error);
            return kExitFailed;
        }
        std::string why;
        if (DestinationOnMedium(destination, source, &why)) {
            PrintError("refusing to recover into '" + destination.string() + "': " + why +
                       "; choose a folder on another drive");
            return kExitFailed;
        }
    }
    std::filesystem::create_directories(destination, ec);
    if (ec) {
        PrintError("cannot create '" + destination.string() + "': " + ec.message());
        return kExitFailed;
    }

    Source source;
    std::vector<ScannedRegion> scanned;
    int status = ScanSource(options, &source, &scanned);
    if (status == kExitFailed || status == kExitCancelled) return status;

    const uint32_t base = CountPathSeparators(destination.string());
    size_t processed = 0, failed = 0;
    for (ScannedRegion& r : scanned) {
        std::vector<ScanEntry> entries;
        if (options.keepFolders) {
            int32_t err = r.engine->ListChildren(nullptr, 0, entries);
            if (err != kErrorSuccess) {
                PrintError(r.region.label + ": cannot list the root: " + ErrorMessage(err));
                status = kExitPartly;
            }
        } else if (Search(r, filter, &entries) != kErrorSuccess) {
            PrintError(r.region.label + ": cannot read the scan's results");
            status = kExitPartly;
        }
        ProgressBar bar("Recovering");
        RecoverContext context{&bar};
        r.engine->SetProgressCallback(nullptr, &OnCopyProgress, &context, 100);
        for (const ScanEntry& e : entries) {
            std::string name = SafeFileName(EntryName(e));
            std::filesystem::path target =
                options.keepFolders ? destination / name
                                    : destination / CategoryFolderName(EntryName(e)) / name;
            target = MakeUniquePath(target);
            bar.SetLabel("Recovering " + name);
            context.reported = false;
            int32_t err = r.engine->RecoverEntry(&e, target, base);
            if (err == kCancelCode) {
                bar.Finish();
                PrintError("recovery cancelled; files already written stay");
                return kExitCancelled;
            }
            // An entry that ended without reaching the callback still counts once.
            if (!context.reported) {
                ++context.processed;
                if (err != kErrorSuccess) {
                    bar.Finish();
                    std::fprintf(stderr, "failed: %s: %s\n", target.c_str(),
                                 ErrorMessage(err).c_str());
                    ++context.failed;
                }
            }
        }
        bar.Finish();
        processed += context.processed;
        failed += context.failed;
    }
    std::printf("%zu files recovered into %s", processed - failed, destination.c_str());
    if (failed > 0) std::printf(", %zu failed", failed);
    std::printf("\n");
    if (failed > 0 && status == kExitOk) status = kExitPartly;
    return status;
}

}  // namespace keldrin::cli
