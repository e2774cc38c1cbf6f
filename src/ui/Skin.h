// The skin: the program's style sheet and pictures, compiled in under ":/skin/".
#pragma once

#include <QIcon>
#include <QString>

class QApplication;

namespace keldrin::ui {

// Sets the style sheet on the application; false when the resource is missing.
bool ApplySkin(QApplication& app);
// A picture of the skin by name ("btn_scan.png", "MessageBox/error.png").
QIcon SkinIcon(const QString& imageName);
QString SkinImagePath(const QString& imageName);

}  // namespace keldrin::ui
