#include "UiTestSupport.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/LanguageManager.h"
#include "app/windows/MessageBox.h"

namespace keldrin::test {

void InstallLanguageFolder(const std::filesystem::path& folder) {
    const std::filesystem::path source = KELDRIN_APP_RESOURCES;
    std::filesystem::create_directories(folder / "Languages");
    std::filesystem::copy_file(source / "config.ini", folder / "config.ini",
                               std::filesystem::copy_options::overwrite_existing);
    for (const char* name : {"English.ini", "German.ini"})
        std::filesystem::copy_file(source / "Languages" / name, folder / "Languages" / name,
                                   std::filesystem::copy_options::overwrite_existing);
    CLanguageManager::InstallInstance(
        std::make_unique<CLanguageManager>(CLanguageManager::Folders{folder, folder / "user"}));
}

bool WaitFor(const std::function<bool()>& pred, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (pred()) return true;
        QTest::qWait(10);
    }
    return pred();
}

static CMessageBox* VisibleBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<CMessageBox*>(w); box && box->isVisible()) return box;
    return nullptr;
}

QString AnswerMessageBox(const QString& button, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (CMessageBox* box = VisibleBox()) {
            const QString text = box->Text("message");
            if (auto* b = box->Find<QPushButton>(button)) QTest::mouseClick(b, Qt::LeftButton);
            return text;
        }
        QTest::qWait(10);
    }
    return QString();
}

void AnswerNextMessageBox(const QString& button, QString* message) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, button, message] {
        if (CMessageBox* box = VisibleBox()) {
            timer->stop();
            timer->deleteLater();
            if (message) *message = box->Text("message");
            if (auto* b = box->Find<QPushButton>(button)) b->click();
        }
    });
    timer->start();
}

CTestEngine::CTestEngine(std::vector<Report> reports, bool stepped)
    : reports_(std::move(reports)), stepped_(stepped) {}

int32_t CTestEngine::SetProgressCallback(ProgressCallback p, CopyProgressCallback, void* c,
                                         int32_t scale) {
    callback_ = p;
    context_ = c;
    scale_ = scale;
    return 0;
}

int32_t CTestEngine::Scan(const char*) {
    int32_t result = 0;
    for (size_t i = 0; i < reports_.size(); ++i) {
        const Report& r = reports_[i];
        const int32_t answer =
            callback_(context_, r.units, scale_, r.secondsLeft, r.done, r.total, r.files, 0);
        ++sent_;
        if (answer != 0) {
            result = answer;
            break;
        }
        if (stepped_) {
            std::unique_lock<std::mutex> lock(mutex_);
            cv_.wait(lock, [&] { return releases_ > static_cast<int>(i); });
        }
    }
    scanResult = result;
    scanReturned = true;
    return result;
}

void CTestEngine::Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++releases_;
    cv_.notify_all();
}

std::unique_ptr<IFileRecoveryParse> CTestEngineSource::OpenEngine(const ScanTarget&, int32_t) {
    const int n = opened++;
    if (n >= static_cast<int>(engines.size())) return nullptr;
    return std::move(engines[n]);
}

}  // namespace keldrin::test
