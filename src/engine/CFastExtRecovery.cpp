#include "engine/CFastExtRecovery.h"

#include "engine/EngineTable.h"
#include "platform/Errors.h"

namespace keldrin {

std::unique_ptr<IFileRecoveryParse> MakeFastExtEngine() {
    return std::make_unique<CFastExtRecovery>();
}

CFastExtRecovery::~CFastExtRecovery() { CloseDevice(device_); }

int32_t CFastExtRecovery::OpenImage(const std::filesystem::path&, uint16_t) { return kErrorSuccess; }

int32_t CFastExtRecovery::OpenDisk(uint32_t diskNumber, uint64_t startSector, uint64_t sectorCount,
                                   uint16_t) {
    CloseDevice(device_);
    startSector_ = startSector;
    sectorCount_ = sectorCount;
    return OpenPhysicalDisk(device_, diskNumber);
}

int32_t CFastExtRecovery::SetProgressCallback(ProgressCallback, CopyProgressCallback, void*,
                                              int32_t) {
    return kErrorSuccess;
}

int32_t CFastExtRecovery::Scan(const char*) { return kErrorSuccess; }

int32_t CFastExtRecovery::ListChildren(const ScanEntry* folder, uint32_t keyHigh,
                                       std::vector<ScanEntry>&) {
    return (!folder && keyHigh != 0) ? kErrorInvalidParameter : kErrorSuccess;
}

int32_t CFastExtRecovery::ListSubtree(const ScanEntry* folder, uint32_t keyHigh, uint32_t* count) {
    if (!folder && keyHigh != 0) return kErrorInvalidParameter;
    if (count) *count = 0;
    return kErrorSuccess;
}

uint64_t CFastExtRecovery::GetResultCount() { return 0; }

int32_t CFastExtRecovery::GetEntryPath(const ScanEntry*, std::string& out, uint32_t) {
    out.clear();
    return kErrorSuccess;
}

int32_t CFastExtRecovery::RecoverEntry(const ScanEntry* entry, const std::filesystem::path&,
                                       uint32_t) {
    return entry ? kErrorSuccess : kErrorInvalidParameter;
}

int32_t CFastExtRecovery::NextFreeRegion(uint64_t*, uint64_t*) { return 0; }

int32_t CFastExtRecovery::SetStoreCallback(StoreCallback, void*) { return kErrorSuccess; }

// There is no record file to read.
int32_t CFastExtRecovery::SearchEntries(const std::string&, std::vector<ScanEntry>&) { return 0; }

int32_t CFastExtRecovery::BuildAllocationMap() { return kErrorSuccess; }

int32_t CFastExtRecovery::ExtractPreview(const ScanEntry* entry, std::string*, uint8_t*,
                                         uint32_t* capacity, PreviewCallback, void*) {
    if (!entry) return kErrorInvalidParameter;
    if (capacity) *capacity = 0;
    return kErrorSuccess;
}

}  // namespace keldrin
