#include "app/windows/PopUpWnd.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "app/LanguageManager.h"

namespace keldrin {

void CentreWindow(QWidget* window, QWidget* owner) {
    QRect area;
    if (owner && owner->isVisible()) {
        area = owner->window()->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(area.center());
        window->move(frame.topLeft());
    }
}

CPopUpWnd::CPopUpWnd() = default;

bool CPopUpWnd::Create(QWidget* owner, int width, int height) {
    owner_ = owner;
    setParent(owner ? owner->window() : nullptr, Qt::Dialog | Qt::FramelessWindowHint);
    setObjectName(WindowClassName());
    if (!LoadLayout(skinFile_)) return false;
    resize(width, height);
    CentreWindow(this, owner);
    return true;
}

void CPopUpWnd::ApplyLanguageSection(const QString& name) {
    ApplyTexts(CLanguageManager::Instance().Section(name));
}

void CPopUpWnd::Notify(ui::TNotifyUI& msg) {
    if (msg.type == ui::kNotifyWindowInit) OnWindowInit();
    else if (msg.type == ui::kNotifyClick) OnClick(msg);
}

void CPopUpWnd::OnClick(ui::TNotifyUI& msg) {
    if (msg.sender == "closebtn" || msg.sender == "cancelbtn") Close(2);
    else if (msg.sender == "okbtn") Close(1);
}

bool CPopUpWnd::KeyFilter(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Close(2);
        return true;
    }
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

QStringList CPopUpWnd::CaptionBlockers() const { return {"QAbstractButton", "QLineEdit"}; }

}  // namespace keldrin
