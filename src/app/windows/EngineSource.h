// Where the scan worker gets its engines and scan-log folders: the engine factory and the
// scan-log catalogue in the program, a test engine in tests. Called on the scan worker only.
#pragma once

#include <cstdint>
#include <memory>

#include "app/windows/ScanTarget.h"
#include "engine/IFileRecoveryParse.h"

namespace keldrin {

class IScanEngineSource {
public:
    virtual ~IScanEngineSource() = default;
    // An opened engine for the target (the factory's OpenDiskRecovery or OpenImageRecovery);
    // null when none can be had.
    virtual std::unique_ptr<IFileRecoveryParse> OpenEngine(const ScanTarget& target,
                                                           int32_t deep) = 0;
    // Before every fast scan: a fresh numbered log folder.
    virtual void BeginNewLogFolder() = 0;
    // A deep engine that found an earlier deep scan of the same region on record.
    virtual bool EarlierScanFound(IFileRecoveryParse& engine) = 0;
    // The user declined the earlier scan: clear the engine's flag and delete that scan's folder,
    // so the engine scans anew.
    virtual void DiscardEarlierScan(IFileRecoveryParse& engine) = 0;
};

// The program's source: the engine factory and the scan-log catalogue.
IScanEngineSource& FactoryEngineSource();

}  // namespace keldrin
