// The fast NTFS engine: walks a volume's master file table once and lists every deleted file
// whose record still exists, with the folders above it (lost folders at the top level), then
// lists, recovers and previews them from their records. Reads the volume through its own
// SectorDevice and never writes to it.
//
// Sector numbers are absolute sectors of the disk or image in the volume's own sector size (the
// boot sector's bytes per sector) unless said otherwise. One thread at a time; no locks. The
// engine owns its device, its store and its buffers; the store is flushed when the engine goes.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/IFileRecoveryParse.h"
#include "engine/ScanEntry.h"
#include "engine/ScanStore.h"
#include "ntfs/NtfsLayout.h"
#include "storage/SectorDevice.h"

namespace keldrin {

// Result codes of the record primitives besides the error codes of platform/Errors.h.
inline constexpr int32_t kNtfsNotFileRecord = -1;
inline constexpr int32_t kNtfsNoAttribute = -100;
inline constexpr int32_t kNtfsNoResidentData = -101;

class CFastNtfsRecovery : public IFileRecoveryParse {
public:
    CFastNtfsRecovery();
    ~CFastNtfsRecovery() override;
    CFastNtfsRecovery(const CFastNtfsRecovery&) = delete;
    CFastNtfsRecovery& operator=(const CFastNtfsRecovery&) = delete;

    // The fifteen slots.
    int32_t OpenImage(const std::filesystem::path& image, uint16_t sourceId) override;
    int32_t OpenDisk(uint32_t diskNumber, uint64_t startSector, uint64_t sectorCount,
                     uint16_t sourceId) override;
    int32_t SetProgressCallback(ProgressCallback progress, CopyProgressCallback copy,
                                void* context, int32_t scale) override;
    int32_t Scan(const char* logName) override;
    int32_t ListChildren(const ScanEntry* folder, uint32_t keyHigh,
                         std::vector<ScanEntry>& out) override;
    int32_t ListSubtree(const ScanEntry* folder, uint32_t keyHigh, uint32_t* count) override;
    uint64_t GetResultCount() override;
    int32_t GetEntryPath(const ScanEntry* entry, std::string& out, uint32_t capacity) override;
    int32_t RecoverEntry(const ScanEntry* entry, const std::filesystem::path& destination,
                         uint32_t baseSeparators) override;
    int32_t NextFreeRegion(uint64_t* position, uint64_t* length) override;
    int32_t SetStoreCallback(StoreCallback callback, void* context) override;
    int32_t SearchEntries(const std::string& filter, std::vector<ScanEntry>& out) override;
    int32_t BuildAllocationMap() override;
    int32_t ExtractPreview(const ScanEntry* entry, std::string* path, uint8_t* memory,
                           uint32_t* capacity, PreviewCallback callback, void* context) override;

    // The volume model, shared with extraction and the deep NTFS scan.

    // Absolute sector of MFT record n over the MFT's runs; the volume's first sector (which holds
    // no FILE record) when no run holds it.
    uint64_t RecordSector(uint64_t recordNumber) const;
    // Appends the runs of the record's attribute of that type (the unnamed one for data) to runs,
    // every extent of it when the record has an attribute list. 0; kNtfsNotFileRecord;
    // kNtfsNoAttribute when no extent was found; or the read's error code.
    int32_t ReadRecordRuns(uint64_t sector, uint32_t type, RunList& runs);
    // The resident value of the record's unnamed data attribute. 0; kNtfsNoResidentData when the
    // record or its data attribute is missing or the data is non-resident; the read's error code.
    int32_t ReadResidentData(uint64_t sector, std::vector<uint8_t>& data);
    // The real size of the record's unnamed data attribute (through its attribute list when the
    // record holds none itself). 0; kNtfsNotFileRecord; kErrorInvalidParameter when there is no
    // data attribute; or the read's error code.
    int32_t ReadDataSize(uint64_t sector, uint64_t* size);
    // Appends every extent of the given attribute type named by an attribute list (resident or
    // not) of the base record. Records the list points to must pass the FILE check and are
    // fixed up; their own attribute lists are never followed. 0 or the last read error.
    int32_t ResolveAttributeList(const uint8_t* baseRecord, const ntfs::AttributeView& list,
                                 uint32_t type, RunList& runs);

    const RunList& MftRuns() const { return mftRuns_; }
    const RecordGeometry& Geometry() const { return geometry_; }
    uint32_t BytesPerSector() const { return bytesPerSector_; }
    int32_t SectorsPerCluster() const { return sectorsPerCluster_; }
    uint64_t StartSector() const { return startSector_; }
    uint64_t TotalSectors() const { return totalSectors_; }
    uint64_t MftStartSector() const { return mftStartSector_; }
    uint32_t RecordSize() const { return recordSize_; }
    SectorDevice& Device() { return device_; }

    // Where extraction writes (NtfsDataSink.h).
    class DataSink;

private:
    struct PendingFolder {
        ScanEntry entry;
        std::filesystem::path path;  // where the folder's children go
    };
    // What the ancestry needs of a folder record, cached per scan.
    struct ParentInfo {
        bool readable = false;  // a FILE record was read
        bool directory = false;
        bool hasName = false;
        uint32_t parent = 0;
    };
    enum class Pass { kFiles, kFolders };

    int32_t AdoptBootSector(const uint8_t* boot);
    void LoadMftRuns();
    uint64_t ClusterCount() const;

    // Reads the record at sector into record (record-size bytes): 0 or the read's error.
    int32_t ReadRecord(uint64_t sector, std::vector<uint8_t>& record);
    // ReadRecord, the FILE check and the fixups: 0, kNtfsNotFileRecord or the read's error.
    int32_t LoadRecord(uint64_t sector, std::vector<uint8_t>& record);
    // The record-level part of ReadRecordRuns on a loaded record; followLists = false for the
    // records an attribute list points to.
    // realSize, when given, receives the real size of the extent that starts at VCN 0.
    int32_t RunsOfRecord(const uint8_t* record, uint32_t type, RunList& runs, bool followLists,
                         uint64_t* realSize = nullptr);
    int32_t ResolveList(const uint8_t* baseRecord, const ntfs::AttributeView& list, uint32_t type,
                        RunList& runs, uint64_t* realSize);
    // The attribute list value of a record, resident or read from its runs.
    int32_t AttributeListBytes(const ntfs::AttributeView& list, std::vector<uint8_t>& bytes);
    // The runs used to map record numbers: the MFT's own, or while those are being loaded, the
    // runs of the MFT record's first extent.
    uint64_t RecordSectorOver(const RunList& mapping, uint64_t recordNumber) const;
    // Reads count sectors of the MFT starting at logical sector first of the MFT's data.
    int32_t ReadMftSectors(uint64_t first, uint32_t count, uint8_t* buffer, uint32_t* read);

    int32_t WalkMft();
    void ProcessRecord(uint8_t* record, uint32_t recordNumber, Pass pass);
    void AddLostFolder(uint32_t recordNumber, bool notFileRecord);
    uint32_t FindAncestry(uint32_t parent);
    const ParentInfo& ParentOf(uint32_t recordNumber);
    void NoteFolder(uint32_t recordNumber);
    uint32_t CheckContent(const ScanEntry& entry, const uint8_t* record);

    // Extraction.
    int32_t CopyEntryData(const ScanEntry& entry, uint64_t limit, DataSink& sink, bool* resident);
    int32_t CopyRuns(const ScanEntry& entry, const RunList& runs, uint64_t limit, DataSink& sink);
    int32_t ExtractOne(const ScanEntry& entry, const std::filesystem::path& path);
    int32_t CallCopyProgress(int32_t percent, int32_t error, const std::filesystem::path& path);

    uint64_t startSector_ = 0;
    uint64_t totalSectors_ = 0;
    uint64_t mftStartSector_ = 0;
    uint16_t sourceId_ = 0;
    uint32_t bytesPerSector_ = 512;
    uint32_t recordSize_ = 1024;
    uint32_t sectorsPerRecord_ = 2;
    int32_t sectorsPerCluster_ = 1;
    uint32_t scanChunkSize_ = 1024 * 1024;
    bool opened_ = false;
    std::vector<uint8_t> scanChunk_;
    uint64_t bitmapLength_ = 0;
    std::vector<uint8_t> bitmap_;
    uint32_t origin_ = kOriginFastNtfs;
    RunList mftRuns_;
    std::vector<uint32_t> folderList_;
    std::unordered_set<uint32_t> folderSet_;
    std::unordered_map<uint32_t, ParentInfo> parentCache_;
    std::deque<PendingFolder> pendingFolders_;
    std::filesystem::path currentDestination_;
    SectorDevice device_;
    RecordGeometry geometry_;
    std::unique_ptr<ScanStore> store_;
    int32_t scale_ = 100;
    ProgressCallback progress_ = nullptr;
    CopyProgressCallback copyProgress_ = nullptr;
    StoreCallback storeCallback_ = nullptr;
    void* storeContext_ = nullptr;
    void* context_ = nullptr;
};

}  // namespace keldrin
