// The scan progress window: a modal popup whose worker thread scans the chosen targets one after
// another (an engine from the engine source for each), showing the stage, percent, time left,
// sectors and files found. Result 1 when the worker ran through or was cancelled (WM_SCAN_DONE
// has then been posted to the owner), 3 when no engine could be had for a target.
//
// Threads: the worker never touches a widget; it posts its updates to the interface thread. One
// lock guards the cancel flag and the order of the worker's updates; a confirmed Cancel is made
// while the lock is held, so the engine pauses at its next report. Nothing waits for the
// interface thread while holding the lock. The window waits for its worker before it goes.
#pragma once

#include <atomic>
#include <cstdint>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "app/LanguageManager.h"
#include "app/windows/EngineSource.h"
#include "app/windows/PopUpWnd.h"
#include "app/windows/ScanTarget.h"

namespace keldrin {

class CScanProcessWnd : public CPopUpWnd {
    Q_OBJECT
public:
    static constexpr const char* kWindowClass = "UIScanProcessWnd";
    static constexpr int kWidth = 450;
    static constexpr int kHeight = 250;
    static constexpr int kResultDone = 1;
    static constexpr int kResultNoEngine = 3;

    CScanProcessWnd();
    ~CScanProcessWnd() override;

    void ClearTargets() { targets_.clear(); }
    void AddTarget(ScanTarget* target) { targets_.push_back(target); }
    void SetDeep(int32_t deep) { deep_ = deep; }
    // The engines' source; the factory and the catalogue unless a test gives its own.
    void SetEngineSource(IScanEngineSource* source) { source_ = source; }
    QString WindowClassName() const override { return kWindowClass; }

    // The engine's progress report (context: the window).
    static int32_t ProgressCallback(void* context, int32_t units, int32_t scale,
                                    int32_t secondsLeft, uint64_t sectorsDone,
                                    uint64_t sectorsTotal, uint64_t filesFound, int32_t reserved);
    // "%d Hour %d Min", "%d Min %d Sec" or "%d Sec".
    static QString TimeLeftText(int64_t seconds);

    bool WorkerFinished() const { return finished_.load(); }

protected:
    void OnInitialise() override;
    void OnWindowInit() override;
    void OnClick(ui::TNotifyUI& msg) override;
    bool KeyFilter(QKeyEvent* event) override;  // no key has an effect here

private:
    struct Progress {
        int percent = 0;
        QString percentText;
        QString timeText;
        bool showCounts = false;
        QString sectorsText;
        QString filesText;
    };

    void RunWorker();
    int32_t Report(int32_t units, int32_t scale, int32_t secondsLeft, uint64_t sectorsDone,
                   uint64_t sectorsTotal, uint64_t filesFound);
    void ApplyProgress();
    void PostStage(const QString& text);
    // Asks the earlier-scan question on the interface thread; waits without holding the lock and
    // gives up (answering No) when the scan is cancelled or the window goes.
    int AskEarlierScan();
    void ConfirmCancel();
    void Finish(int result);
    QString Msg(const char* key) const { return CLanguageManager::Text(messages_, key); }

    std::vector<ScanTarget*> targets_;
    int32_t deep_ = 1;
    IScanEngineSource* source_ = nullptr;
    TextTable messages_;

    std::mutex lock_;  // the cancel flag and the order of the worker's control updates
    std::atomic<bool> cancel_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> abandoned_{false};  // the window is going: no more questions
    std::thread worker_;

    std::mutex progressMutex_;  // the latest report, handed to the interface thread
    Progress progress_;
    bool progressPosted_ = false;
};

}  // namespace keldrin
