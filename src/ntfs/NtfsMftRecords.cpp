// Single MFT records: where record n lies, reading and fixing it up, and the lookups of a data
// attribute's runs, resident value and size.
#include <algorithm>
#include <cstring>

#include "ntfs/CFastNtfsRecovery.h"
#include "platform/ByteOrder.h"
#include "platform/Errors.h"

namespace keldrin {

using namespace ntfs;

uint64_t CFastNtfsRecovery::RecordSectorOver(const RunList& mapping,
                                             uint64_t recordNumber) const {
    const uint64_t spc = uint64_t(sectorsPerCluster_);
    if (recordNumber > (uint64_t(1) << 48)) return startSector_;
    const uint64_t target = recordNumber * sectorsPerRecord_;  // sectors into the MFT
    const uint64_t clusters = ClusterCount();
    uint64_t logical = 0;
    uint64_t cluster = 0;
    for (const DataRun& run : mapping) {
        if (!run.sparse) cluster += uint64_t(run.delta);
        if (run.length > clusters) return startSector_;
        const uint64_t length = run.length * spc;
        if (target < logical + length) {
            // A record in a hole or a run off the volume has no sector; the volume's first
            // sector holds no FILE record, so the caller's check fails.
            if (run.sparse || cluster >= clusters) return startSector_;
            return startSector_ + cluster * spc + (target - logical);
        }
        logical += length;
    }
    return startSector_;
}

uint64_t CFastNtfsRecovery::RecordSector(uint64_t recordNumber) const {
    return RecordSectorOver(mftRuns_, recordNumber);
}

int32_t CFastNtfsRecovery::ReadMftSectors(uint64_t first, uint32_t count, uint8_t* buffer,
                                          uint32_t* read) {
    *read = 0;
    const uint64_t spc = uint64_t(sectorsPerCluster_);
    uint64_t logical = 0;
    uint64_t cluster = 0;
    for (const DataRun& run : mftRuns_) {
        cluster += uint64_t(run.delta);
        const uint64_t length = run.length * spc;
        while (*read < count && first + *read >= logical && first + *read < logical + length) {
            const uint64_t offset = first + *read - logical;
            const uint32_t piece = uint32_t(std::min<uint64_t>(count - *read, length - offset));
            uint32_t got = 0;
            const int32_t result =
                ReadSectors(device_, buffer + uint64_t(*read) * bytesPerSector_,
                            startSector_ + cluster * spc + offset, int32_t(piece),
                            bytesPerSector_, &got);
            *read += got;
            if (result != kErrorSuccess) return result;
            if (got < piece) return kErrorReadFault;
        }
        logical += length;
        if (*read >= count) break;
    }
    return *read < count ? kErrorReadFault : kErrorSuccess;
}

int32_t CFastNtfsRecovery::ReadRecord(uint64_t sector, std::vector<uint8_t>& record) {
    record.assign(recordSize_, 0);
    uint32_t got = 0;
    const int32_t result =
        ReadSectors(device_, record.data(), sector, int32_t(sectorsPerRecord_), bytesPerSector_,
                    &got);
    if (result != kErrorSuccess) return result;
    return got < sectorsPerRecord_ ? kErrorReadFault : kErrorSuccess;
}

int32_t CFastNtfsRecovery::LoadRecord(uint64_t sector, std::vector<uint8_t>& record) {
    const int32_t result = ReadRecord(sector, record);
    if (result != kErrorSuccess) return result;
    if (!IsFileRecord(record.data())) return kNtfsNotFileRecord;
    ApplyFixups(record.data(), geometry_);
    return kErrorSuccess;
}

int32_t CFastNtfsRecovery::RunsOfRecord(const uint8_t* record, uint32_t type, RunList& runs,
                                        bool followLists, uint64_t* realSize) {
    AttributeWalker walker(record, RecordBound(record, recordSize_));
    AttributeView a, list;
    bool haveList = false, found = false;
    RunList own;
    uint64_t ownSize = 0;
    while (walker.Next(&a)) {
        if (a.type == kTypeAttributeList) {
            list = a;
            haveList = true;
        } else if (!found && IsWantedAttribute(a, type)) {
            found = true;
            DecodeRunList(a, own);
            NonResidentRealSize(a, &ownSize);
        }
    }
    if (followLists && haveList) {
        // The list names every extent, the one in this record included, in VCN order.
        RunList extents;
        uint64_t listSize = 0;
        const int32_t result = ResolveList(record, list, type, extents, &listSize);
        if (!extents.empty()) {
            AppendRunList(runs, extents);
            if (realSize) *realSize = listSize;
            return kErrorSuccess;
        }
        if (!found) return result != kErrorSuccess ? result : kNtfsNoAttribute;
    }
    if (!found) return kNtfsNoAttribute;
    AppendRunList(runs, own);
    if (realSize) *realSize = ownSize;
    return kErrorSuccess;
}

int32_t CFastNtfsRecovery::ReadRecordRuns(uint64_t sector, uint32_t type, RunList& runs) {
    std::vector<uint8_t> record;
    const int32_t result = LoadRecord(sector, record);
    if (result != kErrorSuccess) return result;
    return RunsOfRecord(record.data(), type, runs, true);
}

int32_t CFastNtfsRecovery::ReadResidentData(uint64_t sector, std::vector<uint8_t>& data) {
    std::vector<uint8_t> record;
    if (LoadRecord(sector, record) != kErrorSuccess) return kNtfsNoResidentData;
    AttributeWalker walker(record.data(), RecordBound(record.data(), recordSize_));
    AttributeView a;
    while (walker.Next(&a)) {
        if (!IsWantedAttribute(a, kTypeData)) continue;
        if (a.nonResident) return kNtfsNoResidentData;
        const uint8_t* value;
        uint32_t length;
        if (!ResidentValue(a, &value, &length) || length >= recordSize_) {
            return kErrorInvalidParameter;
        }
        data.assign(value, value + length);
        return kErrorSuccess;
    }
    return kNtfsNoResidentData;
}

int32_t CFastNtfsRecovery::ReadDataSize(uint64_t sector, uint64_t* size) {
    std::vector<uint8_t> record;
    const int32_t result = LoadRecord(sector, record);
    if (result != kErrorSuccess) return result;
    AttributeWalker walker(record.data(), RecordBound(record.data(), recordSize_));
    AttributeView a;
    bool haveList = false;
    while (walker.Next(&a)) {
        if (a.type == kTypeAttributeList) haveList = true;
        if (!IsWantedAttribute(a, kTypeData)) continue;
        if (a.nonResident) {
            if (!NonResidentRealSize(a, size)) return kErrorInvalidParameter;
        } else {
            const uint8_t* value;
            uint32_t length;
            if (!ResidentValue(a, &value, &length)) return kErrorInvalidParameter;
            *size = length;
        }
        return kErrorSuccess;
    }
    if (haveList) {
        RunList runs;
        uint64_t listSize = 0;
        if (RunsOfRecord(record.data(), kTypeData, runs, true, &listSize) == kErrorSuccess) {
            *size = listSize;
            return kErrorSuccess;
        }
    }
    return kErrorInvalidParameter;
}

}  // namespace keldrin
