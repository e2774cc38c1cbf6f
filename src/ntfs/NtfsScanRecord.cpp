// One MFT record of the fast scan: a deleted file (file pass) or a folder above one (folder
// pass) becomes a ScanEntry under the key (parent record, depth); a folder whose record is gone
// or now holds a file becomes "LostFolder<n>" at the top level.
#include <cstdio>

#include "ntfs/CFastNtfsRecovery.h"
#include "platform/ByteOrder.h"
#include "platform/Errors.h"
#include "platform/Text.h"
#include "signature/FileTypeSignature.h"

namespace keldrin {

using namespace ntfs;

namespace {

uint64_t RelationKey(uint32_t depth, uint32_t parent) {
    return (uint64_t(depth) << 32) | parent;
}

// The Win32 name is the one a user knows; a DOS short name gives way to any longer name.
bool PreferName(uint8_t current, uint8_t candidate) {
    if (candidate == kNameSpaceWin32) return true;
    return current == kNameSpaceDos && candidate != kNameSpaceDos;
}

}  // namespace

void CFastNtfsRecovery::NoteFolder(uint32_t recordNumber) {
    if (folderSet_.insert(recordNumber).second) folderList_.push_back(recordNumber);
}

const CFastNtfsRecovery::ParentInfo& CFastNtfsRecovery::ParentOf(uint32_t recordNumber) {
    auto it = parentCache_.find(recordNumber);
    if (it != parentCache_.end()) return it->second;
    ParentInfo info;
    std::vector<uint8_t> record;
    if (LoadRecord(RecordSector(recordNumber), record) == kErrorSuccess) {
        info.readable = true;
        info.directory = (Le16(record.data() + kRecordFlags) & kRecordIsDirectory) != 0;
        AttributeWalker walker(record.data(), RecordBound(record.data(), recordSize_));
        AttributeView a;
        FileNameValue name;
        while (walker.Next(&a)) {
            if (a.type != kTypeFileName) continue;
            if (ParseFileName(a, &name)) {
                info.hasName = true;
                info.parent = name.parent;
            }
            break;
        }
    }
    return parentCache_.emplace(recordNumber, info).first->second;
}

uint32_t CFastNtfsRecovery::FindAncestry(uint32_t parent) {
    // Depth counts the folders between an item and the root, its own parent included. Every
    // folder on the way lands in the folder list so that the folder pass lists it.
    std::unordered_set<uint32_t> visited;
    uint32_t depth = 0;
    while (parent != kRootRecord && visited.insert(parent).second) {
        NoteFolder(parent);
        ++depth;
        const ParentInfo& info = ParentOf(parent);
        if (!info.readable || !info.directory || !info.hasName) break;
        if (visited.count(info.parent)) break;
        parent = info.parent;
    }
    return depth;
}

void CFastNtfsRecovery::AddLostFolder(uint32_t recordNumber, bool notFileRecord) {
    if (!store_) return;
    ScanEntry* entry = store_->AppendEntry();
    if (!entry) return;
    *entry = ScanEntry{};
    entry->sourceId = sourceId_;
    entry->origin = origin_;
    entry->isFolder = 1;
    entry->contentOk = notFileRecord ? 1 : 0;
    entry->id = store_->RecordCount();
    entry->firstCluster = recordNumber;
    entry->clusterSize = 0xFFFFFFFF;
    char name[32];
    std::snprintf(name, sizeof name, "LostFolder%u", recordNumber);
    CopyToField(entry->name, sizeof entry->name, name);
    store_->AddRelation(RelationKey(0, kRootRecord), entry->id, recordNumber, entry->name);
}

uint32_t CFastNtfsRecovery::CheckContent(const ScanEntry& entry, const uint8_t* record) {
    const std::string extension = AsciiLower(ExtensionOf(entry.name));
    AttributeWalker walker(record, RecordBound(record, recordSize_));
    AttributeView a;
    while (walker.Next(&a)) {
        if (!IsWantedAttribute(a, kTypeData) || a.nonResident) continue;
        const uint8_t* value;
        uint32_t length;
        if (!ResidentValue(a, &value, &length)) return 1;
        if (length == 0) return 0;
        if (extension.empty()) return 1;
        return MatchesExtension(value, int32_t(length), extension, &device_,
                                int32_t(bytesPerSector_), 0) != 0;
    }
    if (extension.empty()) return 1;
    RunList runs;
    if (RunsOfRecord(record, kTypeData, runs, true) != kErrorSuccess || runs.empty()) return 1;
    // A file that begins with a hole has nothing on the volume to test.
    const DataRun& first = runs.front();
    if (first.sparse || first.delta <= 0 || uint64_t(first.delta) >= ClusterCount()) return 1;
    const uint64_t sector =
        uint64_t(entry.clusterSize) * uint64_t(first.delta) / bytesPerSector_ + entry.regionStart;
    std::vector<uint8_t> block(bytesPerSector_);
    uint32_t got = 0;
    if (ReadSectors(device_, block.data(), sector, 1, bytesPerSector_, &got) != kErrorSuccess ||
        got != 1) {
        return 1;
    }
    return MatchesExtension(block.data(), int32_t(bytesPerSector_), extension, &device_,
                            int32_t(bytesPerSector_), sector) != 0;
}

void CFastNtfsRecovery::ProcessRecord(uint8_t* record, uint32_t recordNumber, Pass pass) {
    const uint16_t flags = Le16(record + kRecordFlags);
    // The file pass wants deleted files only: neither in use nor a directory.
    if (pass == Pass::kFiles && flags != 0) return;
    if (!IsFileRecord(record)) {
        if (pass == Pass::kFolders) AddLostFolder(recordNumber, true);
        return;
    }
    ApplyFixups(record, geometry_);
    if (pass == Pass::kFolders && !(flags & kRecordIsDirectory)) {
        // The folder's record now holds something else: its children stay reachable under a
        // lost folder, whether or not the new occupant has a name.
        AddLostFolder(recordNumber, false);
        return;
    }
    if (recordNumber <= kLastSystemRecord) return;

    AttributeWalker walker(record, RecordBound(record, recordSize_));
    AttributeView a;
    FileNameValue first, name;
    bool haveName = false, haveData = false, haveList = false;
    uint8_t nameSpace = 0;
    std::string chosen;
    uint64_t size = 0;
    while (walker.Next(&a)) {
        if (a.type == kTypeAttributeList) {
            haveList = true;
        } else if (a.type == kTypeFileName) {
            if (!ParseFileName(a, &name)) continue;
            if (!haveName) {
                first = name;
                haveName = true;
                chosen = name.name;
                nameSpace = name.nameSpace;
                size = name.realSize;
            } else if (PreferName(nameSpace, name.nameSpace)) {
                chosen = name.name;
                nameSpace = name.nameSpace;
            }
        } else if (haveName && !haveData && IsWantedAttribute(a, kTypeData)) {
            const uint8_t* value;
            uint32_t length;
            if (!a.nonResident && ResidentValue(a, &value, &length)) {
                size = length;
                haveData = true;
            } else if (NonResidentRealSize(a, &size)) {
                haveData = true;
            }
        }
    }
    if (!haveName || !store_) return;
    if (!haveData && haveList && pass == Pass::kFiles) {
        // The data lives in extension records: its size is that of the extent at VCN 0.
        RunList runs;
        uint64_t listSize = 0;
        if (RunsOfRecord(record, kTypeData, runs, true, &listSize) == kErrorSuccess) {
            size = listSize;
        }
    }

    ScanEntry entry{};
    entry.sourceId = sourceId_;
    entry.origin = origin_;
    entry.isFolder = pass == Pass::kFolders ? 1 : 0;
    entry.firstCluster = recordNumber;
    entry.clusterSize = uint32_t(sectorsPerCluster_) * bytesPerSector_;
    entry.created = first.created;
    entry.accessed = first.accessed;
    entry.modified = first.modified;
    entry.size = pass == Pass::kFolders ? 0 : size;
    entry.entrySector = RecordSector(recordNumber);
    entry.regionStart = startSector_;
    CopyToField(entry.name, sizeof entry.name, chosen);
    const uint32_t depth = FindAncestry(first.parent);
    if (pass == Pass::kFiles) entry.contentOk = CheckContent(entry, record);

    ScanEntry* stored = store_->AppendEntry();
    if (!stored) return;
    *stored = entry;
    stored->id = store_->RecordCount();
    store_->AddRelation(RelationKey(depth, first.parent), stored->id, recordNumber,
                        pass == Pass::kFolders ? stored->name : nullptr);
}

}  // namespace keldrin
