#include "app/windows/ScanProcessWnd.h"

#include <chrono>

#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QThread>

#include "app/FormatText.h"
#include "app/windows/MessageBox.h"
#include "app/windows/WindowMessages.h"
#include "platform/Errors.h"

namespace keldrin {
namespace {

bool IsAlphabetic(uint16_t letter) {
    return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
}

}  // namespace

CScanProcessWnd::CScanProcessWnd() {
    SetSkinFile("ScanProcessWnd.xml");
    source_ = &FactoryEngineSource();
}

CScanProcessWnd::~CScanProcessWnd() {
    // A window closed without its worker having stopped (the program ending): stop the engine at
    // its next report and wait, so no worker outlives the window it reports to.
    abandoned_ = true;
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
}

void CScanProcessWnd::OnInitialise() {
    cancel_ = false;
    finished_ = false;
    SetVisible("sectors", false);
    SetVisible("totalfile", false);
}

void CScanProcessWnd::OnWindowInit() {
    messages_ = CLanguageManager::Instance().Section("Messages");
    ApplyLanguageSection("ScanWnd");
    worker_ = std::thread([this] { RunWorker(); });
}

bool CScanProcessWnd::KeyFilter(QKeyEvent*) { return true; }

QString CScanProcessWnd::TimeLeftText(int64_t s) {
    if (s >= 3600)
        return QString::asprintf("%d Hour %d Min", static_cast<int>(s / 3600),
                                 static_cast<int>((s - 3600 * (s / 3600)) / 60));
    if (s >= 60)
        return QString::asprintf("%d Min %d Sec", static_cast<int>(s / 60),
                                 static_cast<int>(s % 60));
    return QString::asprintf("%d Sec", static_cast<int>(s));
}

void CScanProcessWnd::PostStage(const QString& text) {
    QMetaObject::invokeMethod(this, [this, text] { SetText("stage", text); },
                              Qt::QueuedConnection);
}

void CScanProcessWnd::RunWorker() {
    int result = kResultDone;
    for (ScanTarget* target : targets_) {
        if (cancel_) break;  // confirmed between two targets: nothing more is started
        QString stage;
        if (!target->IsImage()) {
            const uint16_t letter = target->volume->letter;
            stage = IsAlphabetic(letter) ? FormatText(Msg("MSG0701"), {QChar(letter)})
                                         : FormatText(Msg("MSG0702"), {unsigned(letter)});
        } else {
            const QString name =
                QFileInfo(QString::fromStdString(target->imagePath.string())).fileName();
            stage = Msg("MSG0703") + " " + name;
        }
        PostStage(stage);

        target->engine.reset();  // a new scan never keeps the old engine
        target->engine = source_->OpenEngine(*target, deep_);
        if (!target->engine) {
            result = kResultNoEngine;
            break;
        }
        IFileRecoveryParse& engine = *target->engine;
        if (deep_ != 1) {
            source_->BeginNewLogFolder();
        } else if (source_->EarlierScanFound(engine)) {
            if (AskEarlierScan() != 1) source_->DiscardEarlierScan(engine);
            if (cancel_) break;
        }
        engine.SetProgressCallback(&CScanProcessWnd::ProgressCallback, nullptr, this, 100);
        if (engine.Scan(nullptr) == kCancelCode) break;
    }
    Finish(result);
}

void CScanProcessWnd::Finish(int result) {
    // Set before the close request, on every path, so a waiting Cancel always ends.
    finished_ = true;
    if (result == kResultDone) PostWindowMessage(Owner(), WM_SCAN_DONE);
    QMetaObject::invokeMethod(this, "Close", Qt::QueuedConnection, Q_ARG(int, result));
}

int CScanProcessWnd::AskEarlierScan() {
    auto answer = std::make_shared<std::promise<int>>();
    std::future<int> future = answer->get_future();
    const QString text = Msg("MSG1206");
    QMetaObject::invokeMethod(
        this,
        [this, answer, text] {
            if (cancel_ || abandoned_) {
                answer->set_value(2);
                return;
            }
            hide();
            const int result = CMessageBox::Show(CMessageBox::kQuestion, Owner(), text);
            if (!IsClosed()) show();
            answer->set_value(result);
        },
        Qt::QueuedConnection);
    while (future.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        if (abandoned_ || cancel_) return 2;
    return future.get();
}

int32_t CScanProcessWnd::ProgressCallback(void* context, int32_t units, int32_t scale,
                                          int32_t secondsLeft, uint64_t sectorsDone,
                                          uint64_t sectorsTotal, uint64_t filesFound, int32_t) {
    auto* window = static_cast<CScanProcessWnd*>(context);
    if (!window) return 0;
    return window->Report(units, scale, secondsLeft, sectorsDone, sectorsTotal, filesFound);
}

int32_t CScanProcessWnd::Report(int32_t units, int32_t scale, int32_t secondsLeft,
                                uint64_t sectorsDone, uint64_t sectorsTotal,
                                uint64_t filesFound) {
    std::lock_guard<std::mutex> guard(lock_);  // held by a pending Cancel question: we pause
    if (cancel_) return kCancelCode;
    const int percent = static_cast<int>(static_cast<int64_t>(units) * scale / 100);
    Progress p;
    p.percent = percent;
    p.timeText = secondsLeft == -1 ? Msg("MSG0705") : Msg("MSG0708") + TimeLeftText(secondsLeft);
    p.percentText = Msg("MSG0704") + " " + QString::number(percent) + "%";
    p.showCounts = sectorsTotal != 0;
    if (p.showCounts) {
        p.sectorsText = Msg("MSG0706") + " " + QString::number(sectorsDone) + " / " +
                        QString::number(sectorsTotal);
        p.filesText = Msg("MSG0707") + " " + QString::number(filesFound);
    }
    bool post = false;
    {
        std::lock_guard<std::mutex> g(progressMutex_);
        progress_ = p;
        post = !progressPosted_;
        progressPosted_ = true;
    }
    // One pending update at a time carries the latest report: a fast engine cannot flood the
    // interface thread, and posting never blocks.
    if (post) QMetaObject::invokeMethod(this, [this] { ApplyProgress(); }, Qt::QueuedConnection);
    return 0;
}

void CScanProcessWnd::ApplyProgress() {
    Progress p;
    {
        std::lock_guard<std::mutex> g(progressMutex_);
        p = progress_;
        progressPosted_ = false;
    }
    SetProgress("progress", p.percent);
    SetText("time", p.timeText);
    SetText("percent", p.percentText);
    if (p.showCounts) {
        SetText("sectors", p.sectorsText);
        SetText("totalfile", p.filesText);
    }
    SetVisible("sectors", p.showCounts);
    SetVisible("totalfile", p.showCounts);
}

void CScanProcessWnd::OnClick(ui::TNotifyUI& msg) {
    if (msg.sender == "cancelbtn" || msg.sender == "closebtn") {
        ConfirmCancel();
        return;
    }
    CPopUpWnd::OnClick(msg);
}

void CScanProcessWnd::ConfirmCancel() {
    if (finished_) return;
    std::unique_lock<std::mutex> guard(lock_);
    const int answer = CMessageBox::Show(CMessageBox::kQuestion, this, Msg("MSG0709"));
    if (answer != 1) return;
    cancel_ = true;
    guard.unlock();
    // The worker needs nothing from this thread to stop: its next report answers the cancel
    // code, the engine returns, and it sets the finished flag.
    while (!finished_) QThread::msleep(50);
}

}  // namespace keldrin
