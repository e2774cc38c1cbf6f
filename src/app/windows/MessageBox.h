// The program's message box in five kinds; result 1 for OK, 2 for Cancel, No, Escape or the
// close button. Kinds 0 and >= 5 are Error.
#pragma once

#include "ui/WindowUI.h"

namespace keldrin {

class CMessageBox : public ui::CWindowUI {
    Q_OBJECT
public:
    enum Kind { kError = 0, kConfirm = 1, kInformation = 2, kWarning = 3, kQuestion = 4 };
    static constexpr const char* kWindowClass = "UIMessageBox";
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 160;

    // Shows the box modally over owner (may be null) and returns how it was closed.
    static int Show(int kind, QWidget* owner, const QString& message);

    static QString LayoutOf(int kind);    // "MessageBox_Error.xml", ...
    static QString TitleKeyOf(int kind);  // "MSG0401", ...

    CMessageBox();
    // Builds the box of that kind; Show does this and runs it.
    bool Build(int kind, QWidget* owner, const QString& message);
    int Kind() const { return kind_; }

protected:
    void Notify(ui::TNotifyUI& msg) override;
    bool KeyFilter(QKeyEvent* event) override;
    QStringList CaptionBlockers() const override { return {"QAbstractButton"}; }

private:
    int kind_ = kError;
};

}  // namespace keldrin
