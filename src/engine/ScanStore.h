// One scan's results on disk: the main file of 346-byte ScanEntry records, "_Relation" (the
// folder tree as text) and "_DirInfo" (268-byte folder-name records), in the current scan-log
// folder of the ScanLogCatalogue. Used by one thread at a time (its engine's caller); results
// never have to fit in memory. Positions and sizes are 64-bit.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/IFileRecoveryParse.h"
#include "engine/ScanEntry.h"

namespace keldrin {

#pragma pack(push, 1)
struct DirInfoRecord {
    uint32_t key;    // the folder's first cluster or key (its entry's field at offset 22)
    uint32_t id;     // id of the folder's own ScanEntry
    char name[260];  // UTF-8, zero-terminated
};
#pragma pack(pop)
static_assert(sizeof(DirInfoRecord) == 268);

// Type lists, lower case, "*." before each extension, "|" between.
extern const char* const kImageTypes;
extern const char* const kAudioTypes;
extern const char* const kDocumentTypes;
extern const char* const kVideoTypes;
extern const char* const kArchiveTypes;

// True when the entry's extension (text after the last ".", lower-cased) occurs anywhere in the
// image list: a plain substring test.
bool IsImageEntry(const ScanEntry& entry);

// Scan-log name prefixes, by which an earlier scan's stores are found.
inline constexpr const char* kFastLogPrefix = "Fast_";
inline constexpr const char* kFileTypeLogPrefix = "File_Type_";
inline constexpr const char* kProFatLogPrefix = "Pro_Fat_";
inline constexpr const char* kProNtfsLogPrefix = "Pro_Ntfs_";
// prefix + start sector + local year, month, day, hour (no leading zeros) and the minute in two
// places ("%2d"), e.g. "Fast_8192_20153714 5".
std::string MakeScanLogName(const char* prefix, uint64_t startSector);
// The same for a given local time.
std::string MakeScanLogName(const char* prefix, uint64_t startSector, const std::tm& localTime);

class ScanStore {
public:
    ScanStore() = default;
    ~ScanStore();  // closes (and so flushes) the store
    ScanStore(const ScanStore&) = delete;
    ScanStore& operator=(const ScanStore&) = delete;

    // Creates or opens the three files in the catalogue's current log folder; never truncates.
    // name is one file name (87 for an empty name, "/", "." or ".."). 8 when the write buffer
    // cannot be had (the store is still open). RecordCount() starts at 0 also for a store that
    // already holds records: an earlier scan's store is read, not appended to.
    int32_t OpenStore(const std::string& name);
    // The next free record in the write buffer, zero-filled; the caller fills every field and
    // sets id to RecordCount(). Valid until the next AppendEntry or FlushStore. Never null: on a
    // store that is not open the records go nowhere.
    ScanEntry* AppendEntry();
    void AddRelation(uint64_t parentKey, uint32_t childId, uint32_t folderKey,
                     const char* folderName);
    // Writes pending records (their write error is returned, and an earlier failed buffer
    // write while appending), then rewrites "_Relation" and "_DirInfo" when the tree changed.
    int32_t FlushStore();
    // Key 0 = the list of the smallest key (the root). Ids that name no record are skipped;
    // image entries whose content is not ok are left out; out is sorted, files first.
    int32_t ListStoreChildren(uint64_t key, std::vector<ScanEntry>& out);
    int32_t CountStoreSubtree(uint64_t key, uint32_t* count);
    int32_t FindFolderEntry(uint32_t key, ScanEntry* out);
    // The folders above the entry, nearest first, root excluded; ends at a folder already
    // visited (a self-parent or a cycle).
    int32_t ListEntryAncestors(const ScanEntry* entry, std::vector<ScanEntry>& out);
    // Every file record the type filter selects, sorted; 1 when the main file was read, else 0.
    int32_t FilterEntries(const std::string& filter, std::vector<ScanEntry>& out);
    void CloseStore();

    void SetStoreCallback(StoreCallback callback, void* context) {
        callback_ = callback;
        callbackContext_ = context;
    }
    bool IsOpen() const { return mainFd_ >= 0; }
    uint32_t RecordCount() const { return recordCount_; }
    uint64_t BytesAppended() const { return bytesAppended_; }
    const std::filesystem::path& MainPath() const { return mainPath_; }
    const std::map<uint64_t, std::vector<uint32_t>>& Children() const { return children_; }
    const std::vector<DirInfoRecord>& Folders() const { return folders_; }

private:
    enum class ReadOutcome { kOk, kMissing, kFailed };
    // One record by id, from the main file or, when not yet written, from the write buffer.
    // kMissing for an id that names no record (a damaged "_Relation"): the caller skips it.
    ReadOutcome ReadRecord(uint32_t id, ScanEntry* out, int32_t* error);
    // Reads the records of ids in list order, coalescing runs of consecutive ids into one read,
    // and hands each one that exists to visit. Stops at the first failed read (its error).
    template <typename Visit>
    int32_t ReadChildren(const std::vector<uint32_t>& ids, Visit&& visit);
    const std::vector<uint32_t>* SelectList(uint64_t key) const;
    void WritePending();
    void ParseRelation(std::string_view text);
    std::string RelationText() const;
    void BuildParentIndex();
    const DirInfoRecord* FolderByKey(uint32_t key);

    int mainFd_ = -1;
    int relationFd_ = -1;
    int folderFd_ = -1;
    uint32_t pending_ = 0;
    uint32_t recordCount_ = 0;
    uint64_t bytesAppended_ = 0;
    std::vector<uint8_t> buffer_;
    StoreCallback callback_ = nullptr;
    void* callbackContext_ = nullptr;
    std::filesystem::path mainPath_, relationPath_, folderPath_;
    std::map<uint64_t, std::vector<uint32_t>> children_;
    std::vector<DirInfoRecord> folders_;
    std::string knownTypes_;

    uint64_t writePos_ = 0;       // main-file offset of the first record in the write buffer
    int32_t appendError_ = 0;     // a buffer write that failed while appending, for FlushStore
    bool sideFilesDirty_ = true;  // "_Relation" / "_DirInfo" differ from what was last written
    ScanEntry scratch_{};         // where records go when no write buffer can be had
    // Child id -> index into parentKeys_ of the first (smallest) key whose list holds it, sorted
    // by id; built on demand for the ancestor walk and dropped when the tree changes.
    std::vector<std::pair<uint32_t, uint32_t>> parentIndex_;
    std::vector<uint64_t> parentKeys_;
    bool parentIndexValid_ = false;
    std::unordered_map<uint32_t, uint32_t> folderIndex_;  // folder key -> first folders_ index
    bool folderIndexValid_ = false;
};

}  // namespace keldrin
