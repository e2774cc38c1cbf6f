#include "app/windows/EngineSource.h"

#include "engine/Factory.h"
#include "engine/ScanLogCatalogue.h"

namespace keldrin {
namespace {

class CFactoryEngineSource : public IScanEngineSource {
public:
    std::unique_ptr<IFileRecoveryParse> OpenEngine(const ScanTarget& target,
                                                   int32_t deep) override {
        if (target.IsImage())
            return OpenImageRecovery(target.imagePath, target.imageNumber, deep);
        const ScanVolume& v = *target.volume;
        return OpenDiskRecovery(v.diskNumber, v.startSector, v.sectorCount, v.letter, deep);
    }

    void BeginNewLogFolder() override {
        if (ScanLogCatalogue* catalogue = ScanLogCatalogue::GetCatalogue())
            catalogue->BeginNewLogFolder();
    }

    // The earlier-scan flag belongs to the deep-scan engine; an engine without it (every fast
    // engine) never has an earlier scan to offer.
    bool EarlierScanFound(IFileRecoveryParse&) override { return false; }
    void DiscardEarlierScan(IFileRecoveryParse&) override {}
};

}  // namespace

IScanEngineSource& FactoryEngineSource() {
    static CFactoryEngineSource source;
    return source;
}

}  // namespace keldrin
