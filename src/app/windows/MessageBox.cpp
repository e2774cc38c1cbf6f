#include "app/windows/MessageBox.h"

#include <QFileInfo>
#include <QKeyEvent>

#include "app/LanguageManager.h"
#include "app/windows/PopUpWnd.h"

namespace keldrin {
namespace {

int Normalised(int kind) { return kind >= 1 && kind <= 4 ? kind : CMessageBox::kError; }

}  // namespace

QString CMessageBox::LayoutOf(int kind) {
    switch (Normalised(kind)) {
        case kConfirm: return "MessageBox_Confirm.xml";
        case kInformation: return "MessageBox_Information.xml";
        case kWarning: return "MessageBox_Warning.xml";
        case kQuestion: return "MessageBox_Question.xml";
        default: return "MessageBox_Error.xml";
    }
}

QString CMessageBox::TitleKeyOf(int kind) {
    switch (Normalised(kind)) {
        case kConfirm: return "MSG0402";
        case kInformation: return "MSG0403";
        case kWarning: return "MSG0405";
        case kQuestion: return "MSG0404";
        default: return "MSG0401";
    }
}

CMessageBox::CMessageBox() { setObjectName(kWindowClass); }

bool CMessageBox::Build(int kind, QWidget* owner, const QString& message) {
    kind_ = Normalised(kind);
    const TextTable& messages = CLanguageManager::Instance().Section("Messages");
    setParent(owner ? owner->window() : nullptr, Qt::Dialog | Qt::FramelessWindowHint);
    if (!LoadLayout("xml/" + LayoutOf(kind_))) return false;
    resize(kWidth, kHeight);
    SetText("title", CLanguageManager::Text(messages, TitleKeyOf(kind_)));
    SetText("message", message);
    CentreWindow(this, owner);
    return true;
}

int CMessageBox::Show(int kind, QWidget* owner, const QString& message) {
    CMessageBox box;
    if (!box.Build(kind, owner, message)) return 2;
    return box.ShowModal();
}

void CMessageBox::Notify(ui::TNotifyUI& msg) {
    if (msg.type == ui::kNotifyWindowInit) {
        // The shared button texts, then those of this kind's own layout ("No" of a question).
        CLanguageManager& language = CLanguageManager::Instance();
        ApplyTexts(language.Section("MessageBox"));
        ApplyTexts(language.Section(QFileInfo(LayoutOf(kind_)).completeBaseName()));
    } else if (msg.type == ui::kNotifyClick) {
        if (msg.sender == "closebtn" || msg.sender == "cancelbtn") Close(2);
        else if (msg.sender == "okbtn") Close(1);
    }
}

bool CMessageBox::KeyFilter(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Close(2);
        return true;
    }
    return false;
}

}  // namespace keldrin
