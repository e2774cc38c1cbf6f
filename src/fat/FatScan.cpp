// The fast scan: a breadth-first walk of every folder reachable from the root, live or deleted,
// recording deleted files (and every file of a deleted folder) and, at the end, the folders on
// the way to them.
#include <chrono>
#include <unordered_set>
#include <vector>

#include "fat/CFastFatRecovery.h"
#include "fat/FatDirEntry.h"
#include "platform/Errors.h"
#include "platform/Text.h"

namespace keldrin {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kReportInterval = std::chrono::milliseconds(5000);

bool IsDotEntry(const uint8_t* e) {
    return e[0] == '.' && e[1] == ' ';
}
bool IsDotDotEntry(const uint8_t* e) {
    return e[0] == '.' && e[1] == '.' && e[2] == ' ';
}

}  // namespace

int32_t CFastFatRecovery::Scan(const char* logName) {
    folderMap_.clear();
    writeList_.clear();
    writeSet_.clear();
    depthCache_.clear();
    folderQueue_.clear();
    store_ = std::make_unique<ScanStore>();  // the previous store is flushed and closed
    store_->SetStoreCallback(storeCallback_, storeContext_);
    if (logName != nullptr) return store_->OpenStore(logName);
    if (!haveGeometry_) return openError_;

    // A store that cannot be opened takes the records nowhere; the walk still runs.
    store_->OpenStore(MakeScanLogName(kFastLogPrefix, regionStart_));

    folderQueue_.push_back(geometry_.rootCluster);
    auto t0 = Clock::now();
    int32_t units = 1, slowUnits = 20, seconds = 100;
    int32_t answer = 0;
    // The walk starts whatever the first answer is; a non-zero one takes effect at the end or is
    // replaced by the next report's answer.
    if (progress_) answer = progress_(context_, 1, scale_, -1, 0, 0, 0, 0);

    std::unordered_set<uint32_t> walked;
    for (;;) {
        if (folderQueue_.empty()) {
            if (answer != 0) break;
            if (progress_) {
                answer = progress_(context_, 80, scale_, 10, 0, 0, 0, 0);
                if (answer != 0) break;
            }
            WriteFolders();
            break;
        }
        uint32_t cluster = folderQueue_.front();
        if (walked.insert(cluster).second) WalkFolder(cluster);
        folderQueue_.pop_front();

        auto now = Clock::now();
        if (progress_ && now - t0 >= kReportInterval) {
            if (scale_ == 100) {
                t0 = now;
                ++units;
                --seconds;
                answer = progress_(context_, units, 100, seconds, 0, 0, 0, 0);
                if (answer != 0) break;
            } else if (scale_ == 9) {
                t0 = now;
                ++slowUnits;
                answer = progress_(context_, slowUnits, 9, -1, 0, 0, 0, 0);
                if (answer != 0) break;
            }
        }
    }
    if (progress_ && answer == 0) answer = progress_(context_, 100, scale_, 0, 0, 0, 0, 0);
    return answer;
}

void CFastFatRecovery::WalkFolder(uint32_t cluster) {
    const bool fixedRoot = !geometry_.IsFat32() && cluster == 0;
    if (!fixedRoot && !geometry_.IsDataCluster(cluster)) return;
    const uint32_t bps = bytesPerSector_;
    const uint32_t bufferSectors =
        fixedRoot ? geometry_.rootDirSectors : geometry_.sectorsPerCluster;
    std::vector<uint8_t> buffer(size_t(bufferSectors) * bps);
    const size_t bytes = buffer.size();

    auto known = folderMap_.find(cluster);
    const bool isKnown = known != folderMap_.end() && known->second.isFolder != 0;
    parentDeleted_ = isKnown && known->second.deleted != 0;
    parentCluster_ = cluster;

    char16_t longName[kLongNameUnits];
    size_t index = kLongNameUnits;  // the long name is filled from its end, last part first
    bool longNamePending = false;
    auto dropLongName = [&] {
        index = kLongNameUnits;
        longNamePending = false;
    };
    auto entryName = [&](const uint8_t* e, bool folder) {
        if (longNamePending) {
            std::string name = LongNameToUtf8(longName + index, kLongNameUnits - index);
            if (!name.empty()) return name;
        }
        return DecodeShortName(e, folder);
    };

    VisitedClusters visited(geometry_.LastCluster());
    visited.Insert(cluster);
    uint32_t current = cluster;
    bool firstCluster = true;
    for (;;) {
        uint64_t sector =
            fixedRoot ? geometry_.RootDirSector() : geometry_.ClusterToSector(current);
        uint32_t got = 0;
        if (ReadVolume(sector, bufferSectors, buffer.data(), &got) != kErrorSuccess ||
            got < bufferSectors)
            return;
        // A known subfolder whose first cluster lost its "." and ".." no longer holds it.
        if (firstCluster && isKnown && !IsRootCluster(cluster) &&
            !(IsDotEntry(buffer.data()) && buffer[32] == '.' && buffer[33] == '.'))
            return;
        firstCluster = false;

        uint64_t entrySector = sector;
        for (size_t offset = 0; offset + kDirEntrySize <= bytes; offset += kDirEntrySize) {
            if (offset != 0 && offset % bps == 0) ++entrySector;
            const uint8_t* e = buffer.data() + offset;
            const uint8_t* next = offset + 2 * kDirEntrySize <= bytes ? e + kDirEntrySize : nullptr;
            if (e[0] == 0) return;  // end of the folder
            if (!IsPlausibleDirEntry(e, next)) {
                dropLongName();
                continue;
            }
            const uint8_t attr = Attributes(e);
            if (attr == kAttrLongName) {
                if (index <= kLongNamePartUnits) return;  // more than 19 parts: not a name
                index -= kLongNamePartUnits;
                CopyLongNamePart(e, longName + index);
                longNamePending = true;
                continue;
            }
            if (attr & kAttrFolder) {
                RecordFolder(e, entryName(e, true));
            } else if (attr & kAttrArchive) {
                RecordFile(e, entryName(e, false), entrySector);
            }
            dropLongName();
        }
        if (fixedRoot) return;
        uint32_t nextCluster = fat_.NextCluster(current);
        // A chain that loops back (A -> B -> A) ends where it meets itself.
        if (nextCluster == 0 || nextCluster == current || !visited.Insert(nextCluster)) return;
        current = nextCluster;
    }
}

void CFastFatRecovery::FillCommonFields(ScanEntry& record, const uint8_t* e,
                                        const std::string& name) const {
    record.sourceId = sourceId_;
    record.origin = kOriginFastFat;
    record.clusterSize = geometry_.BytesPerCluster();
    EntryTimes times = DecodeEntryTimes(e);
    record.created = times.created;
    record.accessed = times.accessed;
    record.modified = times.modified;
    record.dataStart = geometry_.dataStart;
    CopyToField(record.name, sizeof(record.name), name);
}

void CFastFatRecovery::RecordFolder(const uint8_t* e, const std::string& name) {
    const bool fat32 = geometry_.IsFat32();
    if (IsDotEntry(e)) {
        parentCluster_ = (fat32 ? uint32_t(ClusterHigh(e)) << 16 : 0) | ClusterLow(e);
        return;
    }
    if (IsDotDotEntry(e)) return;
    uint32_t high = fat32 ? ClusterHigh(e) : 0;
    if (fat32 && IsDeleted(e) && high == 0) {
        uint16_t guessed = 0;
        GuessFolderClusterHigh(ClusterLow(e), &guessed);
        high = guessed;
    }
    uint32_t cluster = (high << 16) | ClusterLow(e);
    if (cluster == 0 || cluster == parentCluster_ || !geometry_.IsDataCluster(cluster)) return;

    ScanEntry record{};
    FillCommonFields(record, e, name);
    record.isFolder = 1;
    record.deleted = (IsDeleted(e) || parentDeleted_) ? 1 : 0;
    record.id = parentCluster_;  // the parent cluster until the record is written
    record.firstCluster = cluster;
    folderQueue_.push_back(cluster);
    folderMap_[cluster] = record;
}

void CFastFatRecovery::RecordFile(const uint8_t* e, const std::string& name, uint64_t entrySector) {
    if (!IsDeleted(e) && !parentDeleted_) return;  // live files of live folders are not results
    const bool fat32 = geometry_.IsFat32();
    ScanEntry record{};
    FillCommonFields(record, e, name);
    uint32_t high = fat32 ? ClusterHigh(e) : 0;
    if (fat32 && IsDeleted(e) && high == 0) {
        uint16_t guessed = 0;
        GuessFileClusterHigh(record.name, ClusterLow(e), &guessed);
        high = guessed;
    }
    record.firstCluster = (high << 16) | ClusterLow(e);
    record.isFolder = 0;
    record.deleted = 0;
    record.size = EntrySize(e);
    record.entrySector = entrySector;
    record.regionStart = geometry_.regionStart;
    record.contentOk = uint32_t(CheckContent(record, geometry_.sectorsPerCluster));

    ScanEntry* slot = store_->AppendEntry();
    *slot = record;
    slot->id = store_->RecordCount();
    const uint32_t id = slot->id;
    store_->AddRelation(FolderKey(parentCluster_), id, record.firstCluster, nullptr);
    MarkWayUp(parentCluster_);
}

void CFastFatRecovery::MarkWayUp(uint32_t folder) {
    std::unordered_set<uint32_t> visited;
    uint32_t q = folder;
    while (visited.insert(q).second) {
        if (writeSet_.insert(q).second) writeList_.push_back(q);
        auto it = folderMap_.find(q);
        if (it == folderMap_.end()) break;
        uint32_t parent = it->second.id;
        if (parent == q || parent <= geometry_.rootCluster) break;
        q = parent;
    }
}

void CFastFatRecovery::WriteFolders() {
    for (uint32_t cluster : writeList_) {
        auto it = folderMap_.find(cluster);
        if (it == folderMap_.end()) continue;
        const ScanEntry& folder = it->second;
        const uint32_t parent = folder.id;
        const uint64_t parentKey = FolderKey(parent);
        ScanEntry* slot = store_->AppendEntry();
        *slot = folder;
        slot->contentOk = 1;
        slot->id = store_->RecordCount();
        const uint32_t id = slot->id;
        store_->AddRelation(parentKey, id, folder.firstCluster, folder.name);
    }
}

uint32_t CFastFatRecovery::FolderDepth(uint32_t cluster) {
    auto it = depthCache_.find(cluster);
    if (it != depthCache_.end()) return it->second;
    uint32_t depth = FolderDepthUncached(cluster);
    depthCache_.emplace(cluster, depth);
    return depth;
}

uint32_t CFastFatRecovery::FolderDepthUncached(uint32_t cluster) {
    // Climbs the ".." entries to the root; the visited set cuts a loop on the medium.
    std::unordered_set<uint32_t> visited;
    std::vector<uint8_t> sector(bytesPerSector_);
    uint32_t depth = 0;
    uint32_t c = cluster;
    for (;;) {
        visited.insert(c);
        if (IsRootCluster(c) || !geometry_.IsDataCluster(c)) break;
        uint32_t got = 0;
        if (ReadVolume(geometry_.ClusterToSector(c), 1, sector.data(), &got) != kErrorSuccess)
            break;
        const uint8_t* first = sector.data();
        const uint8_t* second = first + kDirEntrySize;
        if (Attributes(first) == kAttrVolumeLabel) break;
        if (!(first[0] == '.' && second[0] == '.' && second[1] == '.')) break;
        ++depth;
        uint32_t parent =
            (geometry_.IsFat32() ? uint32_t(ClusterHigh(second)) << 16 : 0) | ClusterLow(second);
        // ".." names the root as cluster 0 on every FAT.
        if (parent == 0 || visited.count(parent) != 0) break;
        c = parent;
    }
    return depth;
}

}  // namespace keldrin
