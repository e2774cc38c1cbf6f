// One copy of the program at a time: an exclusive flock on a lock file in the runtime folder
// (the named mutex), held for the life of the process, and a local server in the first copy
// that a second copy asks to bring its window up.
#pragma once

#include <filesystem>
#include <functional>

#include <QObject>
#include <QString>

class QLocalServer;

namespace keldrin {

class CSingleInstance : public QObject {
    Q_OBJECT
public:
    // folder: where the lock file and the socket live (RuntimeFolder() in the program).
    explicit CSingleInstance(std::filesystem::path folder, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True when this process is the first copy; the lock is then held until the process ends.
    bool Acquire();
    // First copy: starts answering "show" requests with onShow (on the interface thread).
    bool Listen(std::function<void()> onShow);
    // Second copy: asks the first to show its window; true when it answered within timeoutMs.
    bool AskFirstToShow(int timeoutMs = 3000) const;

    std::filesystem::path LockPath() const { return folder_ / "Quorvex_Keldrin_2015_For_Windows.lock"; }
    QString ServerPath() const;

    static constexpr const char* kMutexName = "Global\\Quorvex_Keldrin_2015_For_Windows";

private:
    std::filesystem::path folder_;
    int lockFd_ = -1;
    QLocalServer* server_ = nullptr;
};

}  // namespace keldrin
