// The menu of "BtnAssist": help, questions, about, support, the language submenu and exit.
#include <filesystem>

#include <QAbstractButton>
#include <QActionGroup>
#include <QDesktopServices>
#include <QMenu>
#include <QUrl>

#include "app/windows/AboutWnd.h"
#include "app/windows/MainWnd.h"
#include "app/windows/WindowMessages.h"
#include "platform/AppPaths.h"
#include "ui/Skin.h"

namespace keldrin {

void CMainWnd::OpenAssistMenu() {
    if (menu_) menu_->deleteLater();
    menu_ = LoadMenu("xml/menu_assist.xml");
    CLanguageManager& language = CLanguageManager::Instance();
    const TextTable& texts = language.Section("MenuWnd");
    for (auto it = texts.constBegin(); it != texts.constEnd(); ++it) {
        if (auto* action = menu_->findChild<QAction*>(it.key())) action->setText(it.value());
        if (auto* sub = menu_->findChild<QMenu*>(it.key())) sub->setTitle(it.value());
    }
    if (auto* languages = menu_->findChild<QMenu*>("item_language")) {
        languages->clear();
        for (const auto& [name, display] : language.Languages()) {
            QAction* item = languages->addAction(display);
            item->setObjectName(name);
            item->setProperty("language", name);
            if (name == language.CurrentLanguage()) item->setIcon(ui::SkinIcon("point.png"));
            connect(item, &QAction::triggered, this,
                    [this, item] { SendNotify(ui::kNotifyMenuItem, item->objectName(), item); });
        }
    }
    QWidget* button = FindControl("BtnAssist");
    const QPoint at = button ? button->mapToGlobal(QPoint(0, button->height())) : pos();
    menu_->popup(at);
}

void CMainWnd::OnMenuItem(const QString& name, QObject* item) {
    if (menu_) menu_->close();
    if (item && item->property("language").isValid()) {
        CLanguageManager::Instance().ChangeLanguage(item->property("language").toString());
        PostWindowMessage(this, WM_LANGUAGE_CHANGED);
    } else if (name == "item_help") {
        OpenGuide(QString());
    } else if (name == "item_faq") {
        OpenGuide("faq");
    } else if (name == "item_support") {
        OpenGuide("support");
    } else if (name == "item_about") {
        ShowAbout();
    } else if (name == "item_exit") {
        close();
        Close(0);
        QCoreApplication::exit(0);
    }
}

void CMainWnd::OpenGuide(const QString& section) {
    // The user guide ships beside the program; there is no web address to guess.
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(
        (ProgramFolder() / "Help" / "UserGuide.html").string()));
    if (!section.isEmpty()) url.setFragment(section);
    QDesktopServices::openUrl(url);
}

void CMainWnd::ShowAbout() {
    emit AboutRequested();
    CAboutWnd about;
    if (about.Create(this, CAboutWnd::kWidth, CAboutWnd::kHeight)) about.ShowModal();
}

}  // namespace keldrin
