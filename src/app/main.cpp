// The desktop program: one copy at a time, the skin, the language of config.ini, the main
// window, and the clean-up at exit.
#include <filesystem>
#include <system_error>

#include <QApplication>

#include "app/LanguageManager.h"
#include "app/SingleInstance.h"
#include "app/views/Controls.h"
#include "app/windows/MainWnd.h"
#include "app/windows/MessageBox.h"
#include "platform/AppPaths.h"
#include "ui/Skin.h"

int main(int argc, char** argv) {
    using namespace keldrin;
    QApplication app(argc, argv);
    QApplication::setApplicationName("Keldrin");
    QApplication::setApplicationDisplayName(CMainWnd::kTitle);
    QApplication::setQuitOnLastWindowClosed(false);
    ui::ApplySkin(app);
    RegisterViewControls();

    CSingleInstance instance(RuntimeFolder());
    if (!instance.Acquire()) {
        if (!instance.AskFirstToShow())
            CMessageBox::Show(CMessageBox::kInformation, nullptr, "Quorvex Keldrin is running.");
        return 0;
    }

    CLanguageManager::Instance();
    CMainWnd window;
    if (!window.Create()) return 0;
    instance.Listen([&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    window.show();
    app.exec();

    // The preview's temporary video goes with the program.
    std::error_code ec;
    std::filesystem::remove(ScanLogFolder() / "tmp.avi", ec);
    return 0;
}
