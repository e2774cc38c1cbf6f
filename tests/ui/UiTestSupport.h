// Shared pieces of the desktop tests: a temporary program folder with the shipped language
// files, answering the message box that a window opens, and a scriptable test engine.
#pragma once

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <vector>

#include <QString>

#include "app/windows/EngineSource.h"

namespace keldrin::test {

// Copies config.ini and Languages/ from the sources into folder and installs a language manager
// over it (user config in folder/user).
void InstallLanguageFolder(const std::filesystem::path& folder);

// Processes events until pred holds; false after timeoutMs.
bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000);

// Waits (processing events) until a message box is visible, clicks the named button and
// returns the box's message text; empty when none came within timeoutMs.
QString AnswerMessageBox(const QString& button, int timeoutMs = 5000);
// Arranges for the next message box to be answered while a modal loop runs.
void AnswerNextMessageBox(const QString& button, QString* message = nullptr);

// One progress report of the test engine.
struct Report {
    int32_t units, scale, secondsLeft;
    uint64_t done, total, files;
};

// An engine whose Scan sends the given reports, stopping after each one until Release() (when
// stepped) and returning the callback's answer when it is non-zero.
class CTestEngine : public IFileRecoveryParse {
public:
    CTestEngine(std::vector<Report> reports, bool stepped);
    int32_t OpenImage(const std::filesystem::path&, uint16_t) override { return 0; }
    int32_t OpenDisk(uint32_t, uint64_t, uint64_t, uint16_t) override { return 0; }
    int32_t SetProgressCallback(ProgressCallback p, CopyProgressCallback, void* c,
                                int32_t scale) override;
    int32_t Scan(const char*) override;
    int32_t ListChildren(const ScanEntry*, uint32_t, std::vector<ScanEntry>&) override { return 0; }
    int32_t ListSubtree(const ScanEntry*, uint32_t, uint32_t*) override { return 0; }
    uint64_t GetResultCount() override { return 0; }
    int32_t GetEntryPath(const ScanEntry*, std::string&, uint32_t) override { return 0; }
    int32_t RecoverEntry(const ScanEntry*, const std::filesystem::path&, uint32_t) override {
        return 0;
    }
    int32_t NextFreeRegion(uint64_t*, uint64_t*) override { return 0; }
    int32_t SetStoreCallback(StoreCallback, void*) override { return 0; }
    int32_t SearchEntries(const std::string&, std::vector<ScanEntry>&) override { return 0; }
    int32_t BuildAllocationMap() override { return 0; }
    int32_t ExtractPreview(const ScanEntry*, std::string*, uint8_t*, uint32_t*, PreviewCallback,
                           void*) override {
        return 0;
    }

    // Lets a stepped engine go on to its next report.
    void Release();
    // Reports sent so far.
    int Sent() const { return sent_; }
    std::atomic<int32_t> scanResult{1};
    std::atomic<bool> scanReturned{false};

private:
    std::vector<Report> reports_;
    bool stepped_;
    ProgressCallback callback_ = nullptr;
    void* context_ = nullptr;
    int32_t scale_ = 100;
    std::atomic<int> sent_{0};
    std::mutex mutex_;
    std::condition_variable cv_;
    int releases_ = 0;
};

// Gives out prepared engines in order (null when they run out) and counts the calls.
class CTestEngineSource : public IScanEngineSource {
public:
    std::vector<std::unique_ptr<IFileRecoveryParse>> engines;
    std::vector<CTestEngine*> handed;
    bool earlierScan = false;
    std::atomic<int> opened{0}, newFolders{0}, discarded{0};

    std::unique_ptr<IFileRecoveryParse> OpenEngine(const ScanTarget&, int32_t) override;
    void BeginNewLogFolder() override { ++newFolders; }
    bool EarlierScanFound(IFileRecoveryParse&) override { return earlierScan; }
    void DiscardEarlierScan(IFileRecoveryParse&) override { ++discarded; }
};

}  // namespace keldrin::test
