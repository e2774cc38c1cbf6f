#include "ui/UiLoader.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include "ui/CheckBoxUI.h"
#include "ui/RichEditUI.h"

namespace keldrin::ui {
namespace {

QHash<QString, ControlFactory>& Registry() {
    static QHash<QString, ControlFactory> registry = {
        {"CCheckBoxUI", [](QWidget* p) -> QWidget* { return new CCheckBoxUI(p); }},
        {"CRichEditUI", [](QWidget* p) -> QWidget* { return new CRichEditUI(p); }},
    };
    return registry;
}

}  // namespace

void RegisterControlClass(const QString& className, ControlFactory factory) {
    Registry().insert(className, std::move(factory));
}

QString LayoutResourcePath(const QString& layoutName) {
    QString name = layoutName;
    name.replace('\\', '/');
    return ":/layouts/" + QFileInfo(name).completeBaseName() + ".ui";
}

CUiLoader::CUiLoader(QObject* parent) : QUiLoader(parent) {}

QWidget* CUiLoader::createWidget(const QString& className, QWidget* parent, const QString& name) {
    auto it = Registry().constFind(className);
    if (it != Registry().constEnd()) {
        QWidget* widget = (*it)(parent);
        widget->setObjectName(name);
        return widget;
    }
    return QUiLoader::createWidget(className, parent, name);
}

QWidget* CUiLoader::LoadLayout(const QString& layoutName, QWidget* parent, QString* error) {
    QFile file(LayoutResourcePath(layoutName));
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = "no layout " + file.fileName();
        return nullptr;
    }
    QWidget* root = load(&file, parent);
    if (!root && error) *error = errorString();
    return root;
}

}  // namespace keldrin::ui
