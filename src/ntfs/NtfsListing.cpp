// Result access: the listing slots hand over to the scan store. The children of folder record F
// at depth k are kept under the key (F, k + 1), those of the root under (5, 0).
#include <algorithm>
#include <cstring>

#include "ntfs/CFastNtfsRecovery.h"
#include "platform/Errors.h"
#include "platform/Text.h"

namespace keldrin {

namespace {
uint64_t FolderKey(const ScanEntry* folder, uint32_t keyHigh) {
    return (uint64_t(keyHigh) << 32) | (folder ? folder->firstCluster : ntfs::kRootRecord);
}
}  // namespace

int32_t CFastNtfsRecovery::ListChildren(const ScanEntry* folder, uint32_t keyHigh,
                                        std::vector<ScanEntry>& out) {
    if (!folder && keyHigh != 0) return kErrorInvalidParameter;
    if (!store_) return kErrorSuccess;
    store_->FlushStore();
    return store_->ListStoreChildren(FolderKey(folder, keyHigh), out);
}

int32_t CFastNtfsRecovery::ListSubtree(const ScanEntry* folder, uint32_t keyHigh,
                                       uint32_t* count) {
    if (!folder && keyHigh != 0) return kErrorInvalidParameter;
    *count = 0;
    if (!store_) return kErrorSuccess;
    store_->FlushStore();
    return store_->CountStoreSubtree(FolderKey(folder, keyHigh), count);
}

uint64_t CFastNtfsRecovery::GetResultCount() { return store_ ? store_->RecordCount() : 0; }

int32_t CFastNtfsRecovery::GetEntryPath(const ScanEntry* entry, std::string& out,
                                        uint32_t capacity) {
    out.clear();
    if (!entry || !store_ || capacity == 0) return kErrorSuccess;
    std::vector<ScanEntry> ancestors;
    const int32_t result = store_->ListEntryAncestors(entry, ancestors);
    if (result != kErrorSuccess) return result;
    std::string path;
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        path += std::string(it->name, strnlen(it->name, sizeof it->name));
        path += '/';
    }
    out = std::string(CutAtCharBoundary(path, capacity - 1));
    return kErrorSuccess;
}

int32_t CFastNtfsRecovery::SetStoreCallback(StoreCallback callback, void* context) {
    storeCallback_ = callback;
    storeContext_ = context;
    if (store_) store_->SetStoreCallback(callback, context);
    return kErrorSuccess;
}

int32_t CFastNtfsRecovery::SearchEntries(const std::string& filter, std::vector<ScanEntry>& out) {
    if (!store_) return 0;
    return store_->FilterEntries(filter, out);
}

}  // namespace keldrin
