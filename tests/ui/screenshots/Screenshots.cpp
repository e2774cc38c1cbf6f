// Renders every window of the desktop program to PNG: the main window on each page, each popup
// and each message box. Usage: keldrin-screenshots OUTPUT_FOLDER (offscreen platform).
#include <cstdio>
#include <filesystem>

#include <QApplication>
#include <QTest>
#include <QTreeWidget>

#include "../UiTestSupport.h"
#include "app/LanguageManager.h"
#include "app/views/Controls.h"
#include "app/windows/AboutWnd.h"
#include "app/windows/MainWnd.h"
#include "app/windows/MessageBox.h"
#include "app/windows/ScanProcessWnd.h"
#include "ui/Skin.h"

using namespace keldrin;

static bool Save(QWidget* w, const QString& folder, const QString& name) {
    QTest::qWait(60);
    const QString path = folder + "/" + name + ".png";
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 64;
    }
    const QString out = argv[1];
    std::filesystem::create_directories(argv[1]);
    ui::ApplySkin(app);
    RegisterViewControls();
    CLanguageManager::Instance();
    bool ok = true;

    CMainWnd main;
    if (!main.Create()) return 1;
    main.show();
    QTest::qWait(50);
    ok &= Save(&main, out, "main-page0-file-types");
    if (auto* list = main.Find<QTreeWidget>("DiskList")) {
        // Example rows, so the page shows what a card looks like in it.
        auto* disk = new QTreeWidgetItem(list, {"Disk 2", "", ""});
        new QTreeWidgetItem(disk, {"/dev/sdb1  CAMERA", "FAT32", "7.45 GB"});
        disk->setExpanded(true);
    }
    main.SendNotify(ui::kNotifyClick, "BtnStart");
    ok &= Save(&main, out, "main-page1-disk");
    main.ShowPage(2);
    ok &= Save(&main, out, "main-page2-types-in-detail");
    main.ShowPage(3);
    ok &= Save(&main, out, "main-page3-results");
    main.ShowPage(0);
    main.OpenAssistMenu();
    if (main.AssistMenu()) ok &= Save(main.AssistMenu(), out, "menu-assist");

    for (int kind = 0; kind <= 4; ++kind) {
        CMessageBox box;
        box.Build(kind, nullptr, CLanguageManager::Instance().Message("MSG0709"));
        box.show();
        ok &= Save(&box, out, "messagebox-" + CMessageBox::LayoutOf(kind).section('.', 0, 0).mid(11).toLower());
    }

    CAboutWnd about;
    about.Create(nullptr, CAboutWnd::kWidth, CAboutWnd::kHeight);
    about.show();
    ok &= Save(&about, out, "about");

    // The scan window in the middle of a scan: a test engine reports once and waits.
    test::CTestEngineSource source;
    source.engines.push_back(std::make_unique<test::CTestEngine>(
        std::vector<test::Report>{{37, 100, 754, 1200000, 3900000, 42}}, true));
    auto* engine = static_cast<test::CTestEngine*>(source.engines[0].get());
    ScanTarget target;
    target.volume = ScanVolume{1, 2048, 15628288, 1};
    CScanProcessWnd scan;
    scan.SetEngineSource(&source);
    scan.AddTarget(&target);
    scan.Create(&main, CScanProcessWnd::kWidth, CScanProcessWnd::kHeight);
    scan.show();
    test::WaitFor([&] { return engine->Sent() == 1; });
    ok &= Save(&scan, out, "scan-window");
    engine->Release();
    test::WaitFor([&] { return scan.WorkerFinished(); });
    return ok ? 0 : 1;
}
