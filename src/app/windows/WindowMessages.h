// The messages windows post to the main window, as events carrying the message number.
#pragma once

#include <QCoreApplication>
#include <QEvent>

namespace keldrin {

inline constexpr int WM_SCAN_DONE = 1025;         // from the scan worker
inline constexpr int WM_SEARCH_DONE = 1026;       // from the result loading worker
inline constexpr int WM_LANGUAGE_CHANGED = 1030;  // after a language change

class CWindowMessageEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 1);
    explicit CWindowMessageEvent(int message, qint64 wParam = 0, qint64 lParam = 0)
        : QEvent(kType), message_(message), wParam_(wParam), lParam_(lParam) {}
    int message() const { return message_; }
    qint64 wParam() const { return wParam_; }
    qint64 lParam() const { return lParam_; }

private:
    int message_;
    qint64 wParam_;
    qint64 lParam_;
};

// Thread-safe: the event is queued to the receiver's thread. A null receiver posts nothing.
inline void PostWindowMessage(QObject* receiver, int message, qint64 wParam = 0,
                              qint64 lParam = 0) {
    if (receiver)
        QCoreApplication::postEvent(receiver, new CWindowMessageEvent(message, wParam, lParam));
}

}  // namespace keldrin
