// The program's only top-level window, "Free Keldrin": four pages (file types, disk list, file
// types in detail, results) switched by "BtnStart", "BtnPrev", "BtnNext" and the step tabs; the
// type check boxes with their all box and the selected-extension map; the mode buttons; the menu
// of "BtnAssist" with its language submenu; the window buttons. It owns the scan targets and
// opens the scan window. Interface thread only.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include <QPointer>

#include "app/LanguageManager.h"
#include "app/windows/ScanTarget.h"
#include "ui/WindowUI.h"

class QAbstractButton;
#include <QMenu>

namespace keldrin {

class IScanEngineSource;

class CMainWnd : public ui::CWindowUI {
    Q_OBJECT
public:
    static constexpr const char* kWindowClass = "FileRecoveryWnd";
    static constexpr const char* kTitle = "Free Keldrin";
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 500;

    // The file-type containers of page 2 with the page-0 check box that switches each.
    struct TypeGroup {
        const char* checkBox;
        const char* container;
        const char* headerOption;
    };
    static const std::vector<TypeGroup>& TypeGroups();

    CMainWnd();
    ~CMainWnd() override;

    // Builds the window from its layout, 800 by 500, centred. False when the layout is missing.
    bool Create();

    int CurrentPage() const;
    void ShowPage(int page);
    int Mode() const { return mode_; }
    int32_t DeepFlag() const { return deep_; }

    // Extension -> the page-2 option that selects it, in extension order.
    const std::map<QString, QAbstractButton*>& SelectedExtensions() const { return selected_; }
    // The search pattern of the selected types ("*.bmp|*.gif|...").
    QString SelectedPattern() const;

    // The menu of "BtnAssist" while it is open (null otherwise).
    QMenu* AssistMenu() const { return menu_; }
    void OpenAssistMenu();

    // Scan targets (owned) and the engine source the scan window uses.
    std::vector<std::unique_ptr<ScanTarget>>& Targets() { return targets_; }
    void SetEngineSource(IScanEngineSource* source) { engineSource_ = source; }
    int ScanDoneCount() const { return scanDoneCount_; }

    // Re-applies every text of the current language (at start-up and on WM_LANGUAGE_CHANGED).
    void Language();

signals:
    void AboutRequested();

protected:
    void Notify(ui::TNotifyUI& msg) override;
    void OnInitialise() override;
    void customEvent(QEvent* event) override;
    QStringList CaptionBlockers() const override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void OnWindowInit();
    void OnClick(const QString& name);
    void OnSelectChanged(const QString& name);
    void OnMenuItem(const QString& name, QObject* item);
    void SelectTab(const QString& tab);
    void Prev();
    void Next();
    void GoToDiskPage(int mode, int32_t deep, bool setDeep);
    void ApplyPageTexts(int page);
    void SetFileTypePageTexts();
    void UpdateStartButton();
    void RebuildSelectedExtensions();
    void PrepareDiskList();
    void StartScan();
    void OnScanDone();
    void ShowAbout();
    void OpenGuide(const QString& section);
    QString Msg(const char* key) const { return CLanguageManager::Text(messages_, key); }

    TextTable messages_;
    int mode_ = 0;
    int32_t deep_ = 1;
    int32_t lastDeep_ = 1;
    bool startedFromTypePage_ = false;
    bool scanning_ = false;
    int scanDoneCount_ = 0;
    ScanTarget* lastTarget_ = nullptr;
    std::filesystem::path lastFastFolder_;
    std::vector<std::unique_ptr<ScanTarget>> targets_;
    std::map<QString, QAbstractButton*> selected_;
    QPointer<QMenu> menu_;
    IScanEngineSource* engineSource_ = nullptr;
};

}  // namespace keldrin
