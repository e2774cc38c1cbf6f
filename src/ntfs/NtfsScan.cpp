// The fast scan: the MFT read once from start to end in chunks of 1024 records (the file pass),
// then the records of every folder above a deleted file (the folder pass).
#include <algorithm>
#include <chrono>
#include <exception>

#include "ntfs/CFastNtfsRecovery.h"
#include "platform/Errors.h"

namespace keldrin {

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kEstimateInterval = std::chrono::milliseconds(5000);
}  // namespace

int32_t CFastNtfsRecovery::Scan(const char* logName) {
    folderList_.clear();
    folderSet_.clear();
    parentCache_.clear();
    store_.reset();
    store_ = std::make_unique<ScanStore>();
    if (storeCallback_) store_->SetStoreCallback(storeCallback_, storeContext_);
    if (logName) return store_->OpenStore(logName);
    // A store that cannot be opened shows in its writes; the walk itself still runs.
    store_->OpenStore(MakeScanLogName(kFastLogPrefix, startSector_));
    const int32_t result = WalkMft();
    store_->FlushStore();
    return result;
}

int32_t CFastNtfsRecovery::WalkMft() {
    const Clock::time_point start = Clock::now();
    Clock::time_point lastEstimate = start;
    int32_t secondsLeft = -1;
    const uint64_t total = ntfs::RunListClusters(mftRuns_) * uint64_t(sectorsPerCluster_);
    const uint32_t chunkSectors = scanChunkSize_ / bytesPerSector_;
    uint64_t done = 0;

    while (done < total) {
        const uint32_t count = uint32_t(std::min<uint64_t>(chunkSectors, total - done));
        uint32_t got = 0;
        const int32_t result = ReadMftSectors(done, count, scanChunk_.data(), &got);
        if (result != kErrorSuccess) return result;
        const uint64_t firstRecord = done / sectorsPerRecord_;
        const uint32_t records = got / sectorsPerRecord_;
        for (uint32_t i = 0; i < records; ++i) {
            try {
                ProcessRecord(scanChunk_.data() + uint64_t(i) * recordSize_,
                              uint32_t(firstRecord + i), Pass::kFiles);
            } catch (const std::exception&) {
                // One record that cannot be decoded is skipped; the walk goes on.
            }
        }
        done += count;

        const Clock::time_point now = Clock::now();
        if (scale_ == 100 && now - lastEstimate >= kEstimateInterval) {
            const uint64_t elapsed =
                uint64_t(std::chrono::duration_cast<std::chrono::seconds>(now - start).count());
            uint64_t rate = elapsed ? uint64_t(bytesPerSector_) * done / elapsed : 0;
            if (rate == 0) rate = 1;
            secondsLeft = int32_t((total - done) * bytesPerSector_ / rate);
            lastEstimate = now;
        }
        if (progress_) {
            const int32_t answer = progress_(context_, int32_t(done * 100 / total), scale_,
                                             secondsLeft, 0, 0, 0, 0);
            if (answer != 0) return answer;
        }
    }

    // The folder pass: every folder met on the way up from a deleted file, including those
    // added while this pass runs.
    std::vector<uint8_t> record;
    for (size_t i = 0; i < folderList_.size(); ++i) {
        const uint32_t number = folderList_[i];
        if (ReadRecord(RecordSector(number), record) != kErrorSuccess) {
            record.assign(recordSize_, 0);  // read as a record without the FILE signature
        }
        try {
            ProcessRecord(record.data(), number, Pass::kFolders);
        } catch (const std::exception&) {
        }
    }

    if (progress_) return progress_(context_, 100, scale_, secondsLeft, 0, 0, 0, 0);
    return kErrorSuccess;
}

}  // namespace keldrin
