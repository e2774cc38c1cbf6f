#include "ui/Skin.h"

#include <QApplication>
#include <QFile>

namespace keldrin::ui {

bool ApplySkin(QApplication& app) {
    QFile file(":/skin/skin.qss");
    if (!file.open(QIODevice::ReadOnly)) return false;
    app.setStyle("Fusion");
    app.setStyleSheet(QString::fromUtf8(file.readAll()));
    return true;
}

QString SkinImagePath(const QString& imageName) {
    return imageName.startsWith(':') ? imageName : ":/skin/images/" + imageName;
}

QIcon SkinIcon(const QString& imageName) { return QIcon(SkinImagePath(imageName)); }

}  // namespace keldrin::ui
