#include "app/windows/MainWnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QWindow>

#include "app/windows/MessageBox.h"
#include "app/windows/PopUpWnd.h"
#include "app/windows/ScanProcessWnd.h"
#include "app/windows/WindowMessages.h"
#include "engine/ScanLogCatalogue.h"
#include "ui/Skin.h"

namespace keldrin {

CMainWnd::CMainWnd() : CWindowUI(nullptr) {
    setObjectName(kWindowClass);
    setWindowTitle(kTitle);
    setWindowIcon(ui::SkinIcon("logo.png"));
}

CMainWnd::~CMainWnd() {
    // Targets go with the window, each with its engine.
    targets_.clear();
}

bool CMainWnd::Create() {
    if (!LoadLayout("xml/skin.xml")) return false;
    resize(kWidth, kHeight);
    CentreWindow(this, nullptr);
    return true;
}

void CMainWnd::OnInitialise() {
    // The step tabs are options of one group; only one page shows at a time.
    setWindowTitle(kTitle);
}

QStringList CMainWnd::CaptionBlockers() const {
    return {"QAbstractButton", "QLineEdit", "QTextEdit"};
}

void CMainWnd::mousePressEvent(QMouseEvent* event) {
    // Sizing borders while not maximised: the window has no system frame of its own.
    constexpr int kBorder = 4;
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !isMaximized() && windowHandle()) {
        Qt::Edges edges;
        if (p.x() < kBorder) edges |= Qt::LeftEdge;
        if (p.x() >= width() - kBorder) edges |= Qt::RightEdge;
        if (p.y() < kBorder) edges |= Qt::TopEdge;
        if (p.y() >= height() - kBorder) edges |= Qt::BottomEdge;
        if (edges && windowHandle()->startSystemResize(edges)) return;
    }
    CWindowUI::mousePressEvent(event);
}

void CMainWnd::Notify(ui::TNotifyUI& msg) {
    if (msg.type == ui::kNotifyWindowInit) {
        if (msg.control == this) OnWindowInit();
    } else if (msg.type == ui::kNotifyClick) {
        OnClick(msg.sender);
    } else if (msg.type == ui::kNotifySelectChanged) {
        OnSelectChanged(msg.sender);
    } else if (msg.type == ui::kNotifyHot) {
        static const QMap<QString, const char*> hints = {
            {"BtnDeletedRecovery", "MSG0101"},
            {"BtnFormattedRecovery", "MSG0102"},
            {"BtnDeepRecovery", "MSG0103"},
            {"BtnCreateImageMode", "MSG0104"},
        };
        if (hints.contains(msg.sender)) SetText("TxtMainInfo", Msg(hints.value(msg.sender)));
    } else if (msg.type == ui::kNotifyMenuItem) {
        OnMenuItem(msg.sender, msg.control);
    } else if (msg.type == ui::kNotifyTimer) {
        // Device arrival (0) and removal (1) refresh the disk list; one refresh per burst.
        if (msg.sender == "PartitionListBar") KillTimers("PartitionListBar");
    }
}

void CMainWnd::OnWindowInit() {
    messages_ = CLanguageManager::Instance().Section("Messages");
    QStringList members;
    for (const TypeGroup& g : TypeGroups()) members << g.checkBox;
    BindCheckGroup("ChkRecoverAll", members);
    // Each page-2 header option stands for the options of its container.
    for (const TypeGroup& g : TypeGroups()) {
        QStringList options;
        if (QWidget* container = FindControl(g.container))
            for (QAbstractButton* option : container->findChildren<QAbstractButton*>())
                if (option->property("userdata").isValid()) options << option->objectName();
        BindCheckGroup(g.headerOption, options);
    }
    Language();
    RebuildSelectedExtensions();
    UpdateStartButton();
    ShowPage(0);
}

void CMainWnd::OnClick(const QString& name) {
    if (name == "BtnStart" || name == "BtnFormattedRecovery" || name == "BtnDeepRecovery") {
        GoToDiskPage(0, 1, true);
    } else if (name == "BtnDeletedRecovery") {
        GoToDiskPage(0, 0, true);
    } else if (name == "BtnCreateImageMode") {
        GoToDiskPage(1, deep_, false);
    } else if (name == "BtnScan") {
        StartScan();
    } else if (name == "BtnPrev") {
        Prev();
    } else if (name == "BtnNext") {
        Next();
    } else if (name == "BtnAssist") {
        OpenAssistMenu();
    } else if (name == "closebtn") {
        close();
        Close(0);
        QCoreApplication::exit(0);
    } else {
        ui::TNotifyUI msg{ui::kNotifyClick, name, FindObject(name)};
        CWindowUI::Notify(msg);  // the other window buttons
    }
}

void CMainWnd::OnSelectChanged(const QString& name) {
    if (name == "TabScan" || name == "TabFileType" || name == "TabRecover") {
        if (auto* tab = Find<QAbstractButton>(name); tab && tab->isChecked()) SelectTab(name);
        return;
    }
    if (name == "ChkAllListSel" || name == "TabPage") return;
    UpdateStartButton();
    RebuildSelectedExtensions();
}

void CMainWnd::customEvent(QEvent* event) {
    if (event->type() != CWindowMessageEvent::kType) return CWindowUI::customEvent(event);
    switch (static_cast<CWindowMessageEvent*>(event)->message()) {
        case WM_LANGUAGE_CHANGED: Language(); break;
        case WM_SCAN_DONE: OnScanDone(); break;
        default: break;
    }
}

void CMainWnd::StartScan() {
    auto* list = Find<QTreeWidget>("DiskList");
    if (!list) return;
    QTreeWidgetItem* row = list->currentItem();
    auto targetOf = [](QTreeWidgetItem* item) {
        return reinterpret_cast<ScanTarget*>(item->data(0, Qt::UserRole + 1).value<quintptr>());
    };
    if (!row || (row->childCount() == 0 && !targetOf(row))) {
        CMessageBox::Show(CMessageBox::kInformation, this, Msg("MSG0505"));
        return;
    }
    startedFromTypePage_ = CurrentPage() == 2;
    if (lastTarget_ && lastTarget_->engine) {
        lastTarget_->engine.reset();
        // A fast scan's logs are of no use once the next scan starts.
        if (lastDeep_ == 0 && !lastFastFolder_.empty())
            if (ScanLogCatalogue* catalogue = ScanLogCatalogue::GetCatalogue())
                catalogue->DeleteLogFolder(lastFastFolder_);
    }
    CScanProcessWnd window;
    if (engineSource_) window.SetEngineSource(engineSource_);
    window.ClearTargets();
    if (row->childCount() == 0) {
        window.AddTarget(lastTarget_ = targetOf(row));
    } else {
        for (int i = 0; i < row->childCount(); ++i)
            if (ScanTarget* t = targetOf(row->child(i))) window.AddTarget(lastTarget_ = t);
    }
    window.SetDeep(deep_);
    if (!window.Create(this, CScanProcessWnd::kWidth, CScanProcessWnd::kHeight)) return;
    scanning_ = true;
    const int result = window.ShowModal();
    scanning_ = false;
    lastDeep_ = deep_;
    lastFastFolder_.clear();
    if (lastDeep_ == 0)
        if (ScanLogCatalogue* catalogue = ScanLogCatalogue::GetCatalogue())
            lastFastFolder_ = catalogue->CurrentLogFolder();
    if (result == CScanProcessWnd::kResultNoEngine)
        CMessageBox::Show(CMessageBox::kWarning, this, Msg("MSG0504"));
}

void CMainWnd::OnScanDone() {
    ++scanDoneCount_;
    // Loading the results by type follows when a scanned target holds an engine.
}

}  // namespace keldrin
