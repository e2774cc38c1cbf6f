// Listing, counting, paths and filters: thin layers over the engine's ScanStore.
#include <vector>

#include "engine/EngineTable.h"
#include "fat/CFastFatRecovery.h"
#include "platform/Errors.h"
#include "platform/Text.h"

namespace keldrin {

std::unique_ptr<IFileRecoveryParse> MakeFastFatEngine() {
    return std::make_unique<CFastFatRecovery>();
}

int32_t CFastFatRecovery::FlushStoreForListing() {
    // Pending records and the side files reach the disk before anything is read back; a failure
    // here shows as missing entries, not as an error of the listing.
    store_->FlushStore();
    return kErrorSuccess;
}

int32_t CFastFatRecovery::ListChildren(const ScanEntry* folder, uint32_t keyHigh,
                                       std::vector<ScanEntry>& out) {
    if (folder == nullptr && keyHigh != 0) return kErrorInvalidParameter;
    FlushStoreForListing();
    uint32_t low = folder ? folder->firstCluster : geometry_.rootCluster;
    uint32_t high = folder ? keyHigh : (int32_t(geometry_.rootCluster) < 0 ? 0xFFFFFFFFu : 0);
    return store_->ListStoreChildren((uint64_t(high) << 32) | low, out);
}

int32_t CFastFatRecovery::ListSubtree(const ScanEntry* folder, uint32_t keyHigh, uint32_t* count) {
    if (folder == nullptr && keyHigh != 0) return kErrorInvalidParameter;
    FlushStoreForListing();
    uint32_t low = folder ? folder->firstCluster : geometry_.rootCluster;
    uint32_t high = folder ? keyHigh : (int32_t(geometry_.rootCluster) < 0 ? 0xFFFFFFFFu : 0);
    return store_->CountStoreSubtree((uint64_t(high) << 32) | low, count);
}

uint64_t CFastFatRecovery::GetResultCount() {
    return store_->RecordCount();
}

int32_t CFastFatRecovery::GetEntryPath(const ScanEntry* entry, std::string& out,
                                       uint32_t capacity) {
    out.clear();
    if (entry == nullptr) return kErrorSuccess;
    std::vector<ScanEntry> ancestors;
    store_->ListEntryAncestors(entry, ancestors);
    std::string path;
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        path += it->name;
        path += '/';
    }
    out = std::string(CutAtCharBoundary(path, capacity > 0 ? capacity - 1 : 0));
    return kErrorSuccess;
}

int32_t CFastFatRecovery::SetStoreCallback(StoreCallback callback, void* context) {
    storeCallback_ = callback;
    storeContext_ = context;
    store_->SetStoreCallback(callback, context);
    return kErrorSuccess;
}

int32_t CFastFatRecovery::SearchEntries(const std::string& filter, std::vector<ScanEntry>& out) {
    return store_->FilterEntries(filter, out);
}

}  // namespace keldrin
