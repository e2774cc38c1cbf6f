#include "app/windows/AboutWnd.h"

#include "app/LanguageManager.h"

#ifndef KELDRIN_VERSION
#define KELDRIN_VERSION "0.0.0"
#endif
#ifndef KELDRIN_LICENCE
#define KELDRIN_LICENCE "GPL-3.0-or-later"
#endif

namespace keldrin {

CAboutWnd::CAboutWnd() { SetSkinFile("AboutWnd.xml"); }

QString CAboutWnd::VersionText() { return QString("Keldrin ") + KELDRIN_VERSION; }

void CAboutWnd::OnInitialise() {
    SetText("version", VersionText());
    SetText("licence", KELDRIN_LICENCE);
}

void CAboutWnd::OnWindowInit() {
    ApplyLanguageSection("AboutWnd");
    // Version and licence are facts of the build, not texts of a language.
    SetText("version", VersionText());
    SetText("licence", KELDRIN_LICENCE);
}

}  // namespace keldrin
