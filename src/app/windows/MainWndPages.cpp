// The main window's pages, their texts and the file-type selection.
#include <QAbstractButton>
#include <QStackedWidget>
#include <QTreeWidget>

#include "app/FormatText.h"
#include "app/windows/MainWnd.h"
#include "app/windows/MessageBox.h"

namespace keldrin {
namespace {

const QColor kPage1Colour(0x00, 0x89, 0xBE);
const QColor kPage2Colour(0xE4, 0x71, 0x00);
const QColor kPage3Colour(0x31, 0x6D, 0x1E);

}  // namespace

const std::vector<CMainWnd::TypeGroup>& CMainWnd::TypeGroups() {
    static const std::vector<TypeGroup> groups = {
        {"ChkPhoto", "FileTypePhoto", "OptPhotoFile"},
        {"ChkMusic", "FileTypeAudio", "OptAudioFile"},
        {"ChkVideo", "FileTypeVideo", "OptVideoFile"},
        {"ChkOffice", "FileTypeOffice", "OptOfficeFile"},
        {"ChkArchive", "FileTypeZip", "OptZipFile"},
        {"ChkOther", "FileTypeOther", "OptOtherFile"},
    };
    return groups;
}

int CMainWnd::CurrentPage() const {
    auto* pages = Find<QStackedWidget>("TabPage");
    return pages ? pages->currentIndex() : 0;
}

void CMainWnd::ShowPage(int page) {
    auto* pages = Find<QStackedWidget>("TabPage");
    if (!pages || page < 0 || page >= pages->count()) return;
    pages->setCurrentIndex(page);
    const bool first = page == 0;
    SetVisible("SubBar1", first);
    for (const char* name : {"ToolBar2", "ToolBar3", "ToolBtn", "SubBar2", "Txt1", "Txt2"})
        SetVisible(name, !first);
    if (page == 1) {
        SetVisible("SelectedFileInfo", false);
        // The scan button belongs to this page: it shows again after a visit to the results.
        SetVisible("BtnScan", true);
        SetVisible("BtnRecover", false);
        SetTextColor("Txt1", kPage1Colour);
    } else if (page == 2) {
        SetVisible("BtnScan", true);
        SetVisible("BtnRecover", false);
        SetVisible("SelectedFileInfo", false);
        SetTextColor("Txt1", kPage2Colour);
    } else if (page == 3) {
        SetVisible("BtnRecover", true);
        SetVisible("SelectedFileInfo", true);
        SetVisible("BtnScan", false);
        SetTextColor("Txt1", kPage3Colour);
    }
    ApplyPageTexts(page);
    // The step tabs follow the page without notifying again.
    static const char* tabs[] = {nullptr, "TabScan", "TabFileType", "TabRecover"};
    if (page > 0)
        if (auto* tab = Find<QAbstractButton>(tabs[page]); tab && !tab->isChecked()) {
            const QSignalBlocker block(tab);
            tab->setChecked(true);
        }
}

void CMainWnd::ApplyPageTexts(int page) {
    if (page == 1) {
        if (mode_ == 0) {
            SetText("TabScan", Msg("MSG0503"));
            SetText("Txt1", Msg("MSG0501"));
            SetText("Txt2", Msg("MSG0502"));
        } else {
            SetText("TabScan", Msg("MSG0211"));
            SetText("Txt1", Msg("MSG0212"));
            SetText("Txt2", Msg("MSG0213"));
        }
        SetImage("ToolBar2", "banner_bg.png");
        SetImage("ToolBar2Logo", "scan_files.png");
        SetImage("TabScan", mode_ == 0 ? "btn_scan.png" : "btn_create_image.png");
    } else if (page == 2) {
        SetText("Txt1", Msg("MSG0601"));
        SetText("Txt2", Msg("MSG0602"));
        SetImage("ToolBar2", "banner_bg2.png");
        SetImage("ToolBar2Logo", "advance_scan.png");
    } else if (page == 3) {
        int results = 0;
        if (auto* list = Find<QTreeWidget>("FileList")) results = list->topLevelItemCount();
        SetText("Txt1", Msg("MSG0801"));
        const QString count =
            QString("<span style=\"font-weight:bold; color:#316D1E;\">%1</span>").arg(results);
        SetText("Txt2", FormatText(Msg("MSG0802"), {count}));
        SetImage("ToolBar2", "banner_bg1.png");
        SetImage("ToolBar2Logo", "recover_file.png");
    }
}

void CMainWnd::SelectTab(const QString& tab) {
    if (tab == "TabScan") ShowPage(1);
    else if (tab == "TabFileType") ShowPage(2);
    else if (tab == "TabRecover") ShowPage(3);
}

void CMainWnd::Prev() {
    switch (CurrentPage()) {
        case 1: ShowPage(0); break;
        case 2: SelectTab("TabScan"); break;
        case 3:
            if (!startedFromTypePage_) SelectTab("TabScan");
            break;
        default: break;  // page 0 has nothing before it
    }
}

void CMainWnd::Next() {
    auto* pages = Find<QStackedWidget>("TabPage");
    const int page = CurrentPage();
    if (!pages || page + 1 >= pages->count()) return;
    switch (page + 1) {
        case 1: SelectTab("TabScan"); break;
        case 2:
            if (!IsControlVisible("BtnScan"))
                CMessageBox::Show(CMessageBox::kInformation, this,
                                  "Please select disk media for next step!");
            break;
        case 3: SelectTab("TabRecover"); break;
        default: break;
    }
}

void CMainWnd::GoToDiskPage(int mode, int32_t deep, bool setDeep) {
    mode_ = mode;
    if (setDeep) deep_ = deep;
    PrepareDiskList();
    ShowPage(1);
}

void CMainWnd::PrepareDiskList() {
    // Images cannot be imaged again: their group shows in recovery mode only. Then the first
    // removable volume is selected, or the second row when there is none.
    auto* list = Find<QTreeWidget>("DiskList");
    if (!list) return;
    QTreeWidgetItem* firstVolume = nullptr;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list->topLevelItem(i);
        if (row->data(0, Qt::UserRole).toString() == "ImageFile") {
            row->setHidden(mode_ == 1);
            continue;
        }
        if (!firstVolume && row->childCount() > 0) firstVolume = row->child(0);
    }
    if (firstVolume) list->setCurrentItem(firstVolume);
    else if (list->topLevelItemCount() > 1) list->setCurrentItem(list->topLevelItem(1));
}

void CMainWnd::UpdateStartButton() {
    bool any = false;
    for (const TypeGroup& g : TypeGroups()) any = any || CheckState(g.checkBox) == Qt::Checked;
    SetEnabled("BtnStart", any);
}

void CMainWnd::RebuildSelectedExtensions() {
    // Rebuilt whole from the switched-on containers in layout order, so that an extension two
    // options share stays selected while either is on, and the later option owns it.
    selected_.clear();
    for (const TypeGroup& g : TypeGroups()) {
        if (CheckState(g.checkBox) != Qt::Checked) continue;
        QWidget* container = FindControl(g.container);
        if (!container) continue;
        for (QAbstractButton* option : container->findChildren<QAbstractButton*>()) {
            const QString data = option->property("userdata").toString();
            if (data.isEmpty() || !option->isChecked()) continue;
            for (const QString& ext : data.split('|', Qt::SkipEmptyParts))
                selected_[ext.toLower()] = option;
        }
    }
}

QString CMainWnd::SelectedPattern() const {
    QStringList parts;
    for (const auto& [ext, option] : selected_) parts << "*." + ext;
    return parts.join('|');
}

void CMainWnd::SetFileTypePageTexts() {
    static const std::pair<const char*, const char*> texts[] = {
        {"AllDes", "MSG1212"},      {"AllTitle", "MSG1220"},      {"PhotoDes", "MSG1213"},
        {"PhotoTitle", "MSG1221"},  {"MusicDes", "MSG1214"},      {"MusicTitle", "MSG1222"},
        {"DocumentDes", "MSG1215"}, {"DocumentTitle", "MSG1223"}, {"VideoDes", "MSG1216"},
        {"VideoTitle", "MSG1224"},  {"ArchiveDes", "MSG1217"},    {"ArchiveTitle", "MSG1225"},
        {"OthersDes", "MSG1218"},   {"OthersTitle", "MSG1226"},   {"BtnStart", "MSG1219"},
    };
    for (const auto& [control, key] : texts) SetText(control, Msg(key));
}

void CMainWnd::Language() {
    CLanguageManager& language = CLanguageManager::Instance();
    messages_ = language.Section("Messages");
    ApplyTexts(language.Section("MainWnd"));
    SetText("LblProductName", Msg("MSG1209"));
    SetFileTypePageTexts();
    const int page = CurrentPage();
    if (page > 0) ApplyPageTexts(page);
    if (auto* list = Find<QTreeWidget>("DiskList"); list && list->currentItem())
        SendNotify(ui::kNotifyItemSelect, "DiskList", list);
    if (menu_) menu_->close();
}

}  // namespace keldrin
