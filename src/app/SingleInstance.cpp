#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <system_error>

#include <QLocalServer>
#include <QLocalSocket>

namespace keldrin {

CSingleInstance::CSingleInstance(std::filesystem::path folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)) {}

CSingleInstance::~CSingleInstance() {
    // The lock stays with the process; the descriptor closes at exit. Only a test that makes
    // several of these releases it here.
    if (lockFd_ >= 0) ::close(lockFd_);
}

QString CSingleInstance::ServerPath() const {
    return QString::fromStdString((folder_ / "keldrin-gui.socket").string());
}

bool CSingleInstance::Acquire() {
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    lockFd_ = ::open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0) return true;  // no lock to be had: run rather than refuse to start
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(lockFd_);
        lockFd_ = -1;
        return false;
    }
    return true;
}

bool CSingleInstance::Listen(std::function<void()> onShow) {
    // We hold the lock, so a socket file left here belongs to a copy that is gone.
    QLocalServer::removeServer(ServerPath());
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(ServerPath())) return false;
    connect(server_, &QLocalServer::newConnection, this, [this, onShow] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [socket, onShow] {
                if (!socket->readAll().contains("show")) return;
                onShow();
                socket->write("shown\n");
                socket->flush();
            });
        }
    });
    return true;
}

bool CSingleInstance::AskFirstToShow(int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(ServerPath());
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write("show\n");
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (socket.waitForReadyRead(timeoutMs))
        if (socket.readAll().contains("shown")) return true;
    return false;
}

}  // namespace keldrin
