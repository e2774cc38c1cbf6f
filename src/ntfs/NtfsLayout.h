// NTFS on-disk layout as the NTFS engines read it: boot-sector geometry, MFT record headers,
// attribute headers, file-name values, attribute-list entries and decoded mapping pairs. All
// integers on disk are little-endian and are read with the explicit readers of
// platform/ByteOrder.h at the offsets named here. Nothing in this layer writes to a volume.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace keldrin {

// One decoded mapping pair. delta is relative to the start cluster of the previous non-sparse
// run of the same list (the first run's to cluster 0), so a list appended from several extents
// keeps one running position. A sparse run (empty offset field) has no clusters on the volume;
// its delta is 0 and it reads as zeros.
struct DataRun {
    uint64_t length = 0;  // clusters
    int64_t delta = 0;
    bool sparse = false;
};
using RunList = std::vector<DataRun>;

// Sectors per record and bytes per sector of the volume the record came from.
struct RecordGeometry {
    uint32_t sectorsPerRecord = 2;
    uint32_t bytesPerSector = 512;
    uint32_t RecordSize() const { return sectorsPerRecord * bytesPerSector; }
};

namespace ntfs {

// Boot sector.
inline constexpr uint32_t kBootBytesPerSector = 11;   // 2 bytes; 0 reads as 512
inline constexpr uint32_t kBootSectorsPerCluster = 13;  // 1 byte, signed
inline constexpr uint32_t kBootMftCluster = 48;       // 8 bytes

// MFT record header.
inline constexpr uint32_t kRecordFirstAttribute = 20;  // 2 bytes
inline constexpr uint32_t kRecordFlags = 22;           // 2 bytes
inline constexpr uint32_t kRecordBytesInUse = 24;      // 4 bytes
inline constexpr uint32_t kRecordBaseReference = 32;   // 8 bytes; 0 in a base record
inline constexpr uint32_t kRecordOwnNumber = 44;       // 4 bytes
inline constexpr uint32_t kRecordUpdateSequence = 48;  // 2-byte number, then the values
inline constexpr uint32_t kRecordFixupValues = 50;
inline constexpr uint16_t kRecordInUse = 0x0001;
inline constexpr uint16_t kRecordIsDirectory = 0x0002;
// Update-sequence fixups protect every 512 bytes of a record, whatever the sector size.
inline constexpr uint32_t kFixupStride = 512;

// Attribute header.
inline constexpr uint32_t kAttrType = 0;
inline constexpr uint32_t kAttrLength = 4;
inline constexpr uint32_t kAttrNonResident = 8;
inline constexpr uint32_t kAttrNameLength = 9;
inline constexpr uint32_t kAttrValueLength = 16;  // resident
inline constexpr uint32_t kAttrValueOffset = 20;  // resident
inline constexpr uint32_t kAttrResidentHeader = 24;
inline constexpr uint32_t kAttrStartVcn = 16;         // non-resident, 8 bytes
inline constexpr uint32_t kAttrMappingPairs = 32;     // non-resident, 2 bytes
inline constexpr uint32_t kAttrAllocatedSize = 40;    // non-resident, 8 bytes
inline constexpr uint32_t kAttrRealSize = 48;         // non-resident, 8 bytes
inline constexpr uint32_t kAttrNonResidentHeader = 64;

inline constexpr uint32_t kTypeAttributeList = 0x20;
inline constexpr uint32_t kTypeFileName = 0x30;
inline constexpr uint32_t kTypeData = 0x80;
inline constexpr uint32_t kTypeIndexAllocation = 0xA0;
inline constexpr uint32_t kTypeEnd = 0xFFFFFFFF;
// Types from here up are fill patterns, never attributes.
inline constexpr uint32_t kTypeFillPattern = 0xFDFDFDFD;

// File-name value.
inline constexpr uint32_t kNameParent = 0;  // low 32 bits of the reference
inline constexpr uint32_t kNameCreated = 8;
inline constexpr uint32_t kNameModified = 16;
inline constexpr uint32_t kNameAccessed = 32;
inline constexpr uint32_t kNameRealSize = 48;
inline constexpr uint32_t kNameLength = 64;  // UTF-16 code units
inline constexpr uint32_t kNameSpace = 65;
inline constexpr uint32_t kNameText = 66;
inline constexpr uint8_t kNameSpacePosix = 0;
inline constexpr uint8_t kNameSpaceWin32 = 1;
inline constexpr uint8_t kNameSpaceDos = 2;

// Attribute-list entry.
inline constexpr uint32_t kListEntryType = 0;
inline constexpr uint32_t kListEntryLength = 4;     // 2 bytes
inline constexpr uint32_t kListEntryNameLength = 6;  // 1 byte
inline constexpr uint32_t kListEntryStartVcn = 8;    // 8 bytes
inline constexpr uint32_t kListEntryRecord = 16;     // 4 + 2 bytes
inline constexpr uint32_t kListEntryMinimum = 26;

// Records with fixed roles.
inline constexpr uint32_t kMftRecord = 0;
inline constexpr uint32_t kRootRecord = 5;
inline constexpr uint32_t kBitmapRecord = 6;
inline constexpr uint32_t kLastSystemRecord = 11;

// The record window of a single-record read is the record itself: a walk never reads the next
// record's bytes as if they were this one's.

// Geometry from the boot sector (first sector of the volume).
struct BootGeometry {
    uint32_t bytesPerSector = 512;
    int32_t sectorsPerCluster = 1;
    uint64_t mftCluster = 0;
    uint32_t sectorsPerRecord = 2;  // 2 on 512-byte sectors, else 1
    uint32_t recordSize = 1024;
    uint32_t scanChunkSize = 1024 * 1024;  // 1024 records
};
// False when the fields cannot describe a volume this engine can read (bytes per sector not a
// power of two in 512..4096, sectors per cluster not a power of two in 1..128).
bool ParseBootSector(const uint8_t* boot, BootGeometry* out);

// True when the record buffer starts with "FILE".
bool IsFileRecord(const uint8_t* record);
// The part of a record its attributes may occupy: bytes in use, bounded by the record size.
uint32_t RecordBound(const uint8_t* record, uint32_t recordSize);
// Restores the two bytes at the end of every 512-byte stride of the record from the
// update-sequence array at offset 50.
void ApplyFixups(uint8_t* record, const RecordGeometry& geometry);

// One attribute inside a record, checked to lie inside the walk's bound.
struct AttributeView {
    const uint8_t* data = nullptr;  // the attribute header
    uint32_t offset = 0;            // from the record start
    uint32_t type = 0;
    uint32_t length = 0;
    bool nonResident = false;
    uint8_t nameLength = 0;
};

// Walks a record's attributes from its first-attribute offset. Stops at the end marker, at type 0,
// at fill-pattern types, at an attribute shorter than a resident header or one that would reach
// past the bound. Every view handed out lies wholly inside [record, record + bound).
class AttributeWalker {
public:
    AttributeWalker(const uint8_t* record, uint32_t bound);
    bool Next(AttributeView* out);

private:
    const uint8_t* record_;
    uint32_t bound_;
    uint32_t position_;
    bool done_ = false;
};

// A resident attribute's value, checked to lie inside the attribute.
bool ResidentValue(const AttributeView& attribute, const uint8_t** value, uint32_t* length);
// A non-resident attribute's real size and first VCN, when its header is long enough to hold them.
bool NonResidentRealSize(const AttributeView& attribute, uint64_t* size);
uint64_t NonResidentStartVcn(const AttributeView& attribute);

struct FileNameValue {
    uint32_t parent = 0;
    uint64_t created = 0;
    uint64_t modified = 0;
    uint64_t accessed = 0;
    uint64_t realSize = 0;
    uint8_t nameSpace = 0;
    std::string name;  // UTF-8
};
// False when the attribute is not a resident file-name value that holds its whole name.
bool ParseFileName(const AttributeView& attribute, FileNameValue* out);

// Appends the mapping pairs of a non-resident attribute to runs. The pairs are read only inside
// the attribute (whose length the walk has bounded by the record's bytes in use). A header byte
// of 0 or with a field size above 7, or a pair that would cross the attribute's end, ends the
// list. When runs already holds runs, the new list's first position is rebased so that the
// running position stays absolute. Returns the number of runs appended.
size_t DecodeRunList(const AttributeView& attribute, RunList& runs);
// The same on raw mapping pairs (bytes [0, length)).
size_t DecodeMappingPairs(const uint8_t* pairs, uint32_t length, RunList& runs);
// Appends a list whose positions start from cluster 0 (a list of its own) to runs, rebasing its
// first placed run onto where runs stands.
void AppendRunList(RunList& runs, const RunList& tail);
// True for the attribute a lookup of that type wants: data must be the unnamed stream.
inline bool IsWantedAttribute(const AttributeView& a, uint32_t type) {
    return a.type == type && (type != kTypeData || a.nameLength == 0);
}
// Sum of the lengths in clusters; saturates instead of wrapping.
uint64_t RunListClusters(const RunList& runs);
// Sum of the deltas: the start cluster of the last non-sparse run.
int64_t RunListPosition(const RunList& runs);

}  // namespace ntfs
}  // namespace keldrin
