// The base of the modal popups: a frameless tool window owned by another window, built from the
// layout its skin file names, dragged by its caption, closed by "okbtn" with 1 and by "closebtn",
// "cancelbtn" or Escape with 2, its texts taken from its language section.
#pragma once

#include <QPointer>

#include "ui/WindowUI.h"

namespace keldrin {

class CPopUpWnd : public ui::CWindowUI {
    Q_OBJECT
public:
    static constexpr const char* kWindowClass = "UIPopUpWnd";

    CPopUpWnd();

    // "xml/" + name.
    void SetSkinFile(const QString& name) { skinFile_ = "xml/" + name; }
    const QString& GetSkinFile() const { return skinFile_; }
    virtual QString WindowClassName() const { return kWindowClass; }

    // Builds the window from the skin file, owned by owner (may be null), at the given size, and
    // centres it over the owner (or the screen). False when the layout cannot be loaded.
    bool Create(QWidget* owner, int width, int height);
    QWidget* Owner() const { return owner_; }

    // Every key of the section names a control; an existing control gets the key's text.
    void ApplyLanguageSection(const QString& name);

protected:
    void Notify(ui::TNotifyUI& msg) override;
    // The window's start-up, on "windowinit" (empty here).
    virtual void OnWindowInit() {}
    virtual void OnClick(ui::TNotifyUI& msg);
    bool KeyFilter(QKeyEvent* event) override;
    QStringList CaptionBlockers() const override;

private:
    QString skinFile_;
    QPointer<QWidget> owner_;
};

// Centres a window over its owner, or over the screen when there is none.
void CentreWindow(QWidget* window, QWidget* owner);

}  // namespace keldrin
