// The About box: the product's name, version and licence, closed by "okbtn" or Escape.
#pragma once

#include "app/windows/PopUpWnd.h"

namespace keldrin {

class CAboutWnd : public CPopUpWnd {
    Q_OBJECT
public:
    static constexpr const char* kWindowClass = "UIAboutWnd";
    static constexpr int kWidth = 420;
    static constexpr int kHeight = 230;

    CAboutWnd();
    QString WindowClassName() const override { return kWindowClass; }
    static QString VersionText();

protected:
    void OnInitialise() override;
    void OnWindowInit() override;
};

}  // namespace keldrin
