// The named notifications the toolkit delivers to a window's notify handler, with the name of the
// control that sent them.
#pragma once

#include <QObject>
#include <QString>

namespace keldrin::ui {

// Notification types, as the windows compare them.
inline constexpr const char* kNotifyWindowInit = "windowinit";
inline constexpr const char* kNotifyClick = "click";
inline constexpr const char* kNotifySelectChanged = "selectchanged";
inline constexpr const char* kNotifyItemSelect = "itemselect";
inline constexpr const char* kNotifyItemDblClick = "list_item_dbclick";
inline constexpr const char* kNotifyTimer = "timer";
inline constexpr const char* kNotifyHot = "onhot";
inline constexpr const char* kNotifyOffHot = "offhot";
inline constexpr const char* kNotifyMenuItem = "menuitem";

struct TNotifyUI {
    QString type;               // one of the names above
    QString sender;             // objectName of the control (or menu item) that sent it
    QObject* control = nullptr; // that control; valid while the handler runs
    qint64 wParam = 0;          // "timer": the timer id
    qint64 lParam = 0;
};

}  // namespace keldrin::ui
