// The window base of the toolkit: a frameless window built from a layout, whose controls are
// found by name and whose signals arrive as named notifications (Notify.h) at Notify. It runs
// modal loops that return the value the window was closed with, keeps timers on controls,
// tri-state check-box groups, popup menus from layouts, and caption dragging. Interface thread
// only; workers post their updates (QMetaObject::invokeMethod, queued).
#pragma once

#include <QMap>
#include <QMargins>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "ui/Notify.h"

class QEventLoop;
class QMenu;
class QTimer;

namespace keldrin::ui {

class CWindowUI : public QWidget {
    Q_OBJECT
public:
    explicit CWindowUI(QWidget* parent = nullptr);
    ~CWindowUI() override;

    // Loads the layout into this window (replacing what was there), fills the child layouts of
    // widgets carrying the "include" property, reads the caption area from the root's "caption"
    // property ("left,top,right,bottom": margins and the caption's bottom edge), wires every
    // control's signals to the notifications and calls OnInitialise. False when it cannot load.
    bool LoadLayout(const QString& layoutName);
    QWidget* Root() const { return root_; }

    // Controls and menu items by name (the layouts' objectName); null when there is none.
    QObject* FindObject(const QString& name) const;
    QWidget* FindControl(const QString& name) const;
    template <class T>
    T* Find(const QString& name) const {
        return qobject_cast<T*>(FindObject(name));
    }

    // Each returns false when no control of that name exists.
    bool SetText(const QString& name, const QString& text);
    QString Text(const QString& name) const;
    bool SetToolTip(const QString& name, const QString& text);
    bool SetVisible(const QString& name, bool visible);
    bool IsControlVisible(const QString& name) const;  // its own visibility flag
    bool SetEnabled(const QString& name, bool enabled);
    bool IsControlEnabled(const QString& name) const;
    // Setting a group's all box to checked or clear sets its members too.
    bool SetCheckState(const QString& name, Qt::CheckState state);
    Qt::CheckState CheckState(const QString& name) const;
    bool SetProgress(const QString& name, int value);
    // Label picture, button icon or a widget's background, from the skin (":/skin/images/").
    bool SetImage(const QString& name, const QString& imageName);
    bool SetTextColor(const QString& name, const QColor& color);

    // The all box follows its members: checked when all are, half selected when some are,
    // clear when none; a click on it sets or clears them all.
    void BindCheckGroup(const QString& allName, const QStringList& memberNames);

    // Applies a table of control name -> text: each existing control (or named item) gets its
    // text; names without a control are skipped.
    void ApplyTexts(const QMap<QString, QString>& texts);

    // A repeating timer on a control: "timer" arrives with the control's name and the id.
    // Starting one that runs restarts its interval.
    void SetTimer(const QString& controlName, int id, int intervalMs);
    void KillTimers(const QString& controlName);
    bool IsTimerActive(const QString& controlName, int id) const;

    // Shows the window and runs a modal loop until Close; returns the close value. A Close
    // requested before the loop starts ends it at once.
    int ShowModal();
    bool IsModalLoopRunning() const { return loop_ != nullptr; }
    // Ends the modal loop with result (or hides a modeless window). Safe to call repeatedly; the
    // first value wins.
    Q_INVOKABLE void Close(int result);
    int CloseResult() const { return closeResult_; }
    bool IsClosed() const { return closed_; }

    // A popup menu from a layout whose root holds the items as actions (and submenus as QMenu
    // children); triggering an item delivers "menuitem" with the item's name. Owned by the caller.
    QMenu* LoadMenu(const QString& layoutName);

    // Delivers a notification as the toolkit does.
    void SendNotify(const QString& type, const QString& sender, QObject* control = nullptr,
                    qint64 wParam = 0);

    // Caption dragging: true when the point (window coordinates) counts as title bar.
    bool IsCaptionPoint(const QPoint& pos) const;

protected:
    // Handles the window buttons ("minbtn", "maxbtn", "restorebtn", "closebtn" closes with 0).
    virtual void Notify(TNotifyUI& msg);
    // Right after the layout is loaded, before the window is shown.
    virtual void OnInitialise() {}
    // Key filter; true when the key was handled (the base handles none).
    virtual bool KeyFilter(QKeyEvent* event);
    // Controls under which a caption press does not drag (class names of the Qt meta-object).
    virtual QStringList CaptionBlockers() const;

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    void WireControls(QWidget* under);

private:
    struct CheckGroup {
        QString all;
        QStringList members;
    };
    void UpdateGroupFromMembers(const CheckGroup& group);
    const CheckGroup* GroupOfAll(const QString& name) const;
    void FillIncludes(QWidget* under);

    QWidget* root_ = nullptr;
    QMargins caption_;  // left/right margins; top and bottom edge of the caption
    bool captionSet_ = false;
    bool initSent_ = false;
    bool closing_ = false;
    bool closed_ = false;
    int closeResult_ = 0;
    QEventLoop* loop_ = nullptr;
    QMap<QString, QMap<int, QTimer*>> timers_;
    QList<CheckGroup> groups_;
    int groupUpdateDepth_ = 0;
    bool dragging_ = false;
    QPoint dragOffset_;
};

}  // namespace keldrin::ui
