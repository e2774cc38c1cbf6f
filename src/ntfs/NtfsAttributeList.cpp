// Attribute lists: a file whose attributes do not fit one record keeps a list of where each
// attribute extent lives. Every extent of the wanted attribute contributes its runs in VCN order;
// the records the list points to are checked and fixed up like any other, and their own lists
// are never followed, so resolving a list reads each named record once and cannot recurse.
#include <algorithm>

#include "ntfs/CFastNtfsRecovery.h"
#include "platform/ByteOrder.h"
#include "platform/Errors.h"

namespace keldrin {

using namespace ntfs;

namespace {
// An attribute list holds at most 256 KiB; anything larger is damage, not a list.
constexpr uint64_t kMaxAttributeListBytes = 256 * 1024;
}  // namespace

int32_t CFastNtfsRecovery::AttributeListBytes(const AttributeView& list,
                                              std::vector<uint8_t>& bytes) {
    if (!list.nonResident) {
        const uint8_t* value;
        uint32_t length;
        if (!ResidentValue(list, &value, &length)) return kErrorInvalidParameter;
        bytes.assign(value, value + length);
        return kErrorSuccess;
    }
    uint64_t realSize = 0;
    if (!NonResidentRealSize(list, &realSize)) return kErrorInvalidParameter;
    const uint64_t clusterBytes = uint64_t(sectorsPerCluster_) * bytesPerSector_;
    if (realSize > kMaxAttributeListBytes || realSize > totalSectors_ * bytesPerSector_) {
        return kErrorInvalidParameter;
    }
    RunList runs;
    DecodeRunList(list, runs);
    // Whole clusters are read, so the buffer is the size rounded up to the cluster.
    const uint64_t wanted = (realSize + clusterBytes - 1) / clusterBytes * clusterBytes;
    bytes.assign(wanted, 0);
    uint64_t filled = 0;
    uint64_t cluster = 0;
    const uint64_t clusters = ClusterCount();
    for (const DataRun& run : runs) {
        if (filled >= wanted) break;
        if (!run.sparse) cluster += uint64_t(run.delta);
        if (run.length > clusters) return kErrorInvalidParameter;
        const uint64_t runBytes = std::min(run.length * clusterBytes, wanted - filled);
        if (!run.sparse) {
            if (cluster >= clusters || run.length > clusters - cluster) {
                return kErrorInvalidParameter;
            }
            uint32_t got = 0;
            const int32_t result = ReadSectors(
                device_, bytes.data() + filled,
                startSector_ + cluster * uint64_t(sectorsPerCluster_),
                int32_t(runBytes / bytesPerSector_), bytesPerSector_, &got);
            if (result != kErrorSuccess) return result;
        }
        filled += runBytes;
    }
    bytes.resize(realSize);
    return kErrorSuccess;
}

int32_t CFastNtfsRecovery::ResolveAttributeList(const uint8_t* baseRecord,
                                                const AttributeView& list, uint32_t type,
                                                RunList& runs) {
    RunList extents;
    const int32_t result = ResolveList(baseRecord, list, type, extents, nullptr);
    AppendRunList(runs, extents);
    return result;
}

int32_t CFastNtfsRecovery::ResolveList(const uint8_t* baseRecord, const AttributeView& list,
                                       uint32_t type, RunList& runs, uint64_t* realSize) {
    std::vector<uint8_t> entries;
    int32_t lastError = AttributeListBytes(list, entries);
    if (lastError != kErrorSuccess) return lastError;

    // While the MFT's own runs are being loaded, its first extent (in the base record) maps the
    // record numbers of its extension records.
    const RunList* mapping = &mftRuns_;
    RunList baseExtent;
    if (mftRuns_.empty()) {
        AttributeWalker walker(baseRecord, RecordBound(baseRecord, recordSize_));
        AttributeView a;
        while (walker.Next(&a)) {
            if (IsWantedAttribute(a, kTypeData) && NonResidentStartVcn(a) == 0) {
                DecodeRunList(a, baseExtent);
                break;
            }
        }
        mapping = &baseExtent;
    }
    const uint32_t baseNumber = Le32(baseRecord + kRecordOwnNumber);
    const uint64_t clusters = ClusterCount();

    uint64_t nextVcn = 0;
    std::vector<uint8_t> record;
    for (size_t p = 0; p + kListEntryMinimum <= entries.size();) {
        const uint8_t* e = entries.data() + p;
        const uint32_t entryType = Le32(e + kListEntryType);
        const uint32_t entryLength = Le16(e + kListEntryLength);
        if (entryType == 0 || entryType == kTypeEnd || entryLength < kListEntryMinimum ||
            p + entryLength > entries.size()) {
            break;
        }
        p += entryLength;
        if (entryType != type || (type == kTypeData && e[kListEntryNameLength] != 0)) continue;
        const uint64_t number = uint64_t(Le32(e + kListEntryRecord)) |
                                (uint64_t(Le16(e + kListEntryRecord + 4)) << 32);
        const uint64_t vcn = Le64(e + kListEntryStartVcn);
        if (vcn < nextVcn) continue;  // an extent already placed, named twice

        const uint8_t* holder = baseRecord;
        if (number != baseNumber) {
            const int32_t result = LoadRecord(RecordSectorOver(*mapping, number), record);
            if (result != kErrorSuccess) {
                if (result > 0) lastError = result;
                continue;
            }
            // An extension record reused by another file no longer points back to this one.
            if (Le32(record.data() + kRecordBaseReference) != baseNumber) continue;
            holder = record.data();
        }
        AttributeWalker walker(holder, RecordBound(holder, recordSize_));
        AttributeView a;
        RunList extent;
        bool placed = false;
        while (walker.Next(&a)) {
            if (!IsWantedAttribute(a, type) || !a.nonResident || NonResidentStartVcn(a) != vcn) {
                continue;
            }
            DecodeRunList(a, extent);
            if (vcn == 0 && realSize) NonResidentRealSize(a, realSize);
            placed = true;
            break;
        }
        if (!placed || extent.empty()) continue;
        if (vcn > nextVcn) {
            // A missing extent reads as zeros so that the extents after it keep their place.
            if (vcn - nextVcn > clusters) break;
            runs.push_back(DataRun{vcn - nextVcn, 0, true});
        }
        AppendRunList(runs, extent);
        nextVcn = vcn + std::min(RunListClusters(extent), clusters);
    }
    return lastError;
}

}  // namespace keldrin
