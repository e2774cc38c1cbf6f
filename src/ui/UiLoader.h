// Loads the layouts (Qt Designer files compiled in as resources) and answers the program's own
// control classes through a factory the application fills at start-up.
#pragma once

#include <functional>

#include <QString>
#include <QUiLoader>

namespace keldrin::ui {

using ControlFactory = std::function<QWidget*(QWidget* parent)>;

// Registers a class name the layouts use; the toolkit's own (CCheckBoxUI, CRichEditUI) are
// registered already. Interface thread only.
void RegisterControlClass(const QString& className, ControlFactory factory);

// The resource path of a layout: "ScanProcessWnd" or "xml/ScanProcessWnd.xml" or
// "xml\\ScanProcessWnd.xml" all name ":/layouts/ScanProcessWnd.ui".
QString LayoutResourcePath(const QString& layoutName);

class CUiLoader : public QUiLoader {
public:
    explicit CUiLoader(QObject* parent = nullptr);
    QWidget* createWidget(const QString& className, QWidget* parent = nullptr,
                          const QString& name = QString()) override;
    // The layout's root widget, parented to parent; null with the loader's error text on failure.
    QWidget* LoadLayout(const QString& layoutName, QWidget* parent, QString* error = nullptr);
};

}  // namespace keldrin::ui
