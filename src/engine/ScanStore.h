// One scan's results on disk: the main file of 346-byte ScanEntry records, "_Relation" (the
// folder tree as text) and "_DirInfo" (268-byte folder-name records), in the current scan-log
// folder of the ScanLogCatalogue. Used by one thread at a time (its engine's caller); results
// never have to fit in memory. Positions and sizes are 64-bit.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
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

class ScanStore {
public:
    ScanStore() = default;
    ~ScanStore();  // closes (and so flushes) the store
    ScanStore(const ScanStore&) = delete;
    ScanStore& operator=(const ScanStore&) = delete;

    // Creates or opens the three files in the catalogue's current log folder; never truncates.
    int32_t OpenStore(const std::string& name);
    // The next free record in the write buffer; the caller fills every field and sets id to
    // RecordCount(). Valid until the next AppendEntry or FlushStore.
    ScanEntry* AppendEntry();
    void AddRelation(uint64_t parentKey, uint32_t childId, uint32_t folderKey,
                     const char* folderName);
    int32_t FlushStore();
    int32_t ListStoreChildren(uint64_t key, std::vector<ScanEntry>& out);
    int32_t CountStoreSubtree(uint64_t key, uint32_t* count);
    int32_t FindFolderEntry(uint32_t key, ScanEntry* out);
    int32_t ListEntryAncestors(const ScanEntry* entry, std::vector<ScanEntry>& out);
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
};

}  // namespace keldrin
