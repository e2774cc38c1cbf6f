#include "ui/WindowUI.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include "ui/NamedItems.h"
#include "ui/Skin.h"
#include "ui/UiLoader.h"

namespace keldrin::ui {
namespace {

constexpr const char* kWiredProperty = "_keldrinWired";

// Forwards hovering over buttons as "onhot"/"offhot" to the window.
class HotFilter : public QObject {
public:
    static constexpr const char* kName = "_keldrinHotFilter";
    explicit HotFilter(CWindowUI* window) : QObject(window), window_(window) {
        setObjectName(kName);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->isEnabled()) {
            if (event->type() == QEvent::Enter)
                window_->SendNotify(kNotifyHot, watched->objectName(), watched);
            else if (event->type() == QEvent::Leave)
                window_->SendNotify(kNotifyOffHot, watched->objectName(), watched);
        }
        return false;
    }

private:
    CWindowUI* window_;
};

}  // namespace

CWindowUI::CWindowUI(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_DeleteOnClose, false);
}

CWindowUI::~CWindowUI() {
    if (loop_) loop_->exit(closeResult_);
}

bool CWindowUI::LoadLayout(const QString& layoutName) {
    CUiLoader loader;
    QString error;
    QWidget* root = loader.LoadLayout(layoutName, this, &error);
    if (!root) {
        qWarning("layout %s: %s", qPrintable(layoutName), qPrintable(error));
        return false;
    }
    FillIncludes(root);
    if (root_) root_->deleteLater();
    root_ = root;
    delete layout();
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    box->addWidget(root_);
    if (objectName().isEmpty()) setObjectName(root_->objectName());
    const QStringList caption = root_->property("caption").toString().split(',');
    if (caption.size() == 4) {
        caption_ = QMargins(caption[0].toInt(), caption[1].toInt(), caption[2].toInt(),
                            caption[3].toInt());
        captionSet_ = true;
    }
    if (root_->minimumWidth() > 0 || root_->minimumHeight() > 0)
        setMinimumSize(root_->minimumSize());
    WireControls(root_);
    OnInitialise();
    return true;
}

void CWindowUI::FillIncludes(QWidget* under) {
    // A widget with the "include" property receives that layout as its only child; includes
    // may nest.
    QList<QWidget*> hosts;
    for (QWidget* w : under->findChildren<QWidget*>())
        if (!w->property("include").toString().isEmpty()) hosts.append(w);
    for (QWidget* host : hosts) {
        const QString name = host->property("include").toString();
        host->setProperty("include", QString());
        CUiLoader loader;
        QString error;
        QWidget* page = loader.LoadLayout(name, host, &error);
        if (!page) {
            qWarning("layout %s: %s", qPrintable(name), qPrintable(error));
            continue;
        }
        delete host->layout();
        auto* box = new QVBoxLayout(host);
        box->setContentsMargins(0, 0, 0, 0);
        box->setSpacing(0);
        box->addWidget(page);
        FillIncludes(page);
    }
}

void CWindowUI::WireControls(QWidget* under) {
    // HotFilter has no meta-object of its own, so findChild<HotFilter*> would match any child;
    // it is found by its name instead.
    QObject* hot = findChild<QObject*>(HotFilter::kName, Qt::FindDirectChildrenOnly);
    if (!hot) hot = new HotFilter(this);
    QList<QWidget*> widgets = under->findChildren<QWidget*>();
    widgets.prepend(under);
    for (QWidget* w : widgets) {
        if (w->property(kWiredProperty).toBool()) continue;
        w->setProperty(kWiredProperty, true);
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            connect(button, &QAbstractButton::clicked, this,
                    [this, button] { SendNotify(kNotifyClick, button->objectName(), button); });
            if (auto* check = qobject_cast<QCheckBox*>(button)) {
                connect(check, &QCheckBox::stateChanged, this, [this, check] {
                    SendNotify(kNotifySelectChanged, check->objectName(), check);
                });
            } else if (button->isCheckable()) {
                connect(button, &QAbstractButton::toggled, this, [this, button] {
                    SendNotify(kNotifySelectChanged, button->objectName(), button);
                });
            }
            button->installEventFilter(hot);
        } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
            connect(tree, &QTreeWidget::currentItemChanged, this,
                    [this, tree] { SendNotify(kNotifyItemSelect, tree->objectName(), tree); });
            connect(tree, &QTreeWidget::itemDoubleClicked, this,
                    [this, tree] { SendNotify(kNotifyItemDblClick, tree->objectName(), tree); });
        } else if (auto* stack = qobject_cast<QStackedWidget*>(w)) {
            connect(stack, &QStackedWidget::currentChanged, this,
                    [this, stack] { SendNotify(kNotifySelectChanged, stack->objectName(), stack); });
        }
    }
}

QObject* CWindowUI::FindObject(const QString& name) const {
    if (name.isEmpty()) return nullptr;
    if (objectName() == name) return const_cast<CWindowUI*>(this);
    if (root_ && root_->objectName() == name) return root_;
    return findChild<QObject*>(name);
}

QWidget* CWindowUI::FindControl(const QString& name) const {
    return qobject_cast<QWidget*>(FindObject(name));
}

bool CWindowUI::SetText(const QString& name, const QString& text) {
    QObject* object = FindObject(name);
    if (!object || object == this) {
        for (QWidget* w : findChildren<QWidget*>())
            if (auto* items = dynamic_cast<INamedItems*>(w); items && items->SetItemText(name, text))
                return true;
        return false;
    }
    if (auto* label = qobject_cast<QLabel*>(object)) label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(object)) button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(object)) group->setTitle(text);
    else if (auto* line = qobject_cast<QLineEdit*>(object)) line->setText(text);
    else if (auto* edit = qobject_cast<QTextEdit*>(object)) edit->setPlainText(text);
    else if (auto* action = qobject_cast<QAction*>(object)) action->setText(text);
    else if (auto* menu = qobject_cast<QMenu*>(object)) menu->setTitle(text);
    else if (auto* widget = qobject_cast<QWidget*>(object)) widget->setWindowTitle(text);
    return true;
}

QString CWindowUI::Text(const QString& name) const {
    QObject* object = FindObject(name);
    if (auto* label = qobject_cast<QLabel*>(object)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(object)) return group->title();
    if (auto* line = qobject_cast<QLineEdit*>(object)) return line->text();
    if (auto* edit = qobject_cast<QTextEdit*>(object)) return edit->toPlainText();
    if (auto* action = qobject_cast<QAction*>(object)) return action->text();
    if (auto* menu = qobject_cast<QMenu*>(object)) return menu->title();
    return QString();
}

bool CWindowUI::SetToolTip(const QString& name, const QString& text) {
    QWidget* w = FindControl(name);
    if (!w) return false;
    w->setToolTip(text);
    return true;
}

bool CWindowUI::SetVisible(const QString& name, bool visible) {
    QWidget* w = FindControl(name);
    if (!w) return false;
    w->setVisible(visible);
    return true;
}

bool CWindowUI::IsControlVisible(const QString& name) const {
    QWidget* w = FindControl(name);
    return w && !w->isHidden();
}

bool CWindowUI::SetEnabled(const QString& name, bool enabled) {
    QWidget* w = FindControl(name);
    if (!w) return false;
    w->setEnabled(enabled);
    return true;
}

bool CWindowUI::IsControlEnabled(const QString& name) const {
    QWidget* w = FindControl(name);
    return w && w->isEnabled();
}

const CWindowUI::CheckGroup* CWindowUI::GroupOfAll(const QString& name) const {
    for (const CheckGroup& g : groups_)
        if (g.all == name) return &g;
    return nullptr;
}

bool CWindowUI::SetCheckState(const QString& name, Qt::CheckState state) {
    auto* button = Find<QAbstractButton>(name);
    if (!button) return false;
    const CheckGroup* group = GroupOfAll(name);
    if (group && state != Qt::PartiallyChecked) {
        ++groupUpdateDepth_;
        for (const QString& member : group->members) SetCheckState(member, state);
        --groupUpdateDepth_;
        UpdateGroupFromMembers(*group);
        return true;
    }
    if (auto* check = qobject_cast<QCheckBox*>(button)) check->setCheckState(state);
    else button->setChecked(state != Qt::Unchecked);
    return true;
}

Qt::CheckState CWindowUI::CheckState(const QString& name) const {
    auto* button = Find<QAbstractButton>(name);
    if (!button) return Qt::Unchecked;
    if (auto* check = qobject_cast<QCheckBox*>(button)) return check->checkState();
    return button->isChecked() ? Qt::Checked : Qt::Unchecked;
}

void CWindowUI::BindCheckGroup(const QString& allName, const QStringList& memberNames) {
    groups_.append({allName, memberNames});
    const int index = groups_.size() - 1;
    for (const QString& member : memberNames) {
        if (auto* check = Find<QAbstractButton>(member)) {
            connect(check, &QAbstractButton::toggled, this, [this, index] {
                if (groupUpdateDepth_ == 0) UpdateGroupFromMembers(groups_[index]);
            });
        }
    }
    if (auto* all = Find<QAbstractButton>(allName)) {
        connect(all, &QAbstractButton::clicked, this, [this, index, all] {
            const CheckGroup group = groups_[index];
            const Qt::CheckState state = all->isChecked() ? Qt::Checked : Qt::Unchecked;
            SetCheckState(group.all, state);
        });
    }
    UpdateGroupFromMembers(groups_[index]);
}

void CWindowUI::UpdateGroupFromMembers(const CheckGroup& group) {
    int checked = 0;
    int present = 0;
    for (const QString& member : group.members) {
        if (!Find<QAbstractButton>(member)) continue;
        ++present;
        if (CheckState(member) == Qt::Checked) ++checked;
    }
    auto* all = Find<QCheckBox>(group.all);
    if (!all || present == 0) return;
    const Qt::CheckState state =
        checked == present ? Qt::Checked : (checked == 0 ? Qt::Unchecked : Qt::PartiallyChecked);
    ++groupUpdateDepth_;
    all->setCheckState(state);
    --groupUpdateDepth_;
}

bool CWindowUI::SetProgress(const QString& name, int value) {
    auto* bar = Find<QProgressBar>(name);
    if (!bar) return false;
    bar->setValue(std::clamp(value, bar->minimum(), bar->maximum()));
    return true;
}

bool CWindowUI::SetImage(const QString& name, const QString& imageName) {
    QWidget* w = FindControl(name);
    if (!w) return false;
    const QString path = SkinImagePath(imageName);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setPixmap(QPixmap(path));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setIcon(QIcon(path));
    } else {
        w->setAttribute(Qt::WA_StyledBackground, true);
        w->setStyleSheet(
            QString("#%1 { border-image: url(%2) 0 0 0 0 stretch stretch; }").arg(name, path));
    }
    w->setProperty("image", imageName);
    return true;
}

bool CWindowUI::SetTextColor(const QString& name, const QColor& color) {
    QWidget* w = FindControl(name);
    if (!w) return false;
    w->setStyleSheet(QString("color: %1;").arg(color.name(QColor::HexRgb)));
    return true;
}

void CWindowUI::ApplyTexts(const QMap<QString, QString>& texts) {
    for (auto it = texts.constBegin(); it != texts.constEnd(); ++it) SetText(it.key(), it.value());
}

void CWindowUI::SetTimer(const QString& controlName, int id, int intervalMs) {
    QTimer*& timer = timers_[controlName][id];
    if (!timer) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, controlName, id] {
            SendNotify(kNotifyTimer, controlName, FindObject(controlName), id);
        });
    }
    timer->start(intervalMs);
}

void CWindowUI::KillTimers(const QString& controlName) {
    for (QTimer* timer : timers_.value(controlName)) timer->stop();
}

bool CWindowUI::IsTimerActive(const QString& controlName, int id) const {
    QTimer* timer = timers_.value(controlName).value(id);
    return timer && timer->isActive();
}

int CWindowUI::ShowModal() {
    if (closed_) return closeResult_;
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    loop_ = &loop;
    if (!closed_) loop.exec(QEventLoop::DialogExec);
    loop_ = nullptr;
    return closeResult_;
}

void CWindowUI::Close(int result) {
    if (closed_) return;
    closed_ = true;
    closeResult_ = result;
    closing_ = true;
    hide();
    closing_ = false;
    if (loop_) loop_->exit(result);
}

QMenu* CWindowUI::LoadMenu(const QString& layoutName) {
    CUiLoader loader;
    QString error;
    auto* menu = new QMenu(this);
    QWidget* root = loader.LoadLayout(layoutName, menu, &error);
    if (!root) {
        qWarning("menu %s: %s", qPrintable(layoutName), qPrintable(error));
        return menu;
    }
    root->hide();
    menu->setObjectName(root->objectName());
    for (QMenu* sub : root->findChildren<QMenu*>())
        if (sub->menuAction()->objectName().isEmpty())
            sub->menuAction()->setObjectName(sub->objectName());
    for (QAction* action : root->actions()) menu->addAction(action);
    for (QAction* action : root->findChildren<QAction*>()) {
        if (action->menu()) continue;
        connect(action, &QAction::triggered, this,
                [this, action] { SendNotify(kNotifyMenuItem, action->objectName(), action); });
    }
    return menu;
}

void CWindowUI::SendNotify(const QString& type, const QString& sender, QObject* control,
                           qint64 wParam) {
    TNotifyUI msg{type, sender, control, wParam, 0};
    Notify(msg);
}

void CWindowUI::Notify(TNotifyUI& msg) {
    if (msg.type != kNotifyClick) return;
    if (msg.sender == "minbtn") {
        showMinimized();
    } else if (msg.sender == "maxbtn") {
        showMaximized();
        SetVisible("maxbtn", false);
        SetVisible("restorebtn", true);
    } else if (msg.sender == "restorebtn") {
        showNormal();
        SetVisible("maxbtn", true);
        SetVisible("restorebtn", false);
    } else if (msg.sender == "closebtn") {
        Close(0);
    }
}

bool CWindowUI::KeyFilter(QKeyEvent*) { return false; }

QStringList CWindowUI::CaptionBlockers() const {
    return {"QAbstractButton", "QLineEdit", "QTextEdit"};
}

bool CWindowUI::IsCaptionPoint(const QPoint& pos) const {
    if (!captionSet_) return false;
    if (pos.x() < caption_.left() || pos.x() >= width() - caption_.right()) return false;
    if (pos.y() < caption_.top() || pos.y() >= caption_.bottom()) return false;
    const QStringList blockers = CaptionBlockers();
    for (QWidget* w = childAt(pos); w && w != this; w = w->parentWidget())
        for (const QString& cls : blockers)
            if (w->inherits(cls.toLatin1().constData())) return false;
    return true;
}

void CWindowUI::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!initSent_) {
        initSent_ = true;
        QMetaObject::invokeMethod(
            this, [this] { SendNotify(kNotifyWindowInit, objectName(), this); },
            Qt::QueuedConnection);
    }
}

void CWindowUI::closeEvent(QCloseEvent* event) {
    // A close from the window system acts as the window's own close button, so that a window
    // with a worker asks before it goes.
    if (closing_ || closed_) {
        event->accept();
        return;
    }
    event->ignore();
    SendNotify(kNotifyClick, "closebtn", FindObject("closebtn"));
}

void CWindowUI::keyPressEvent(QKeyEvent* event) {
    if (KeyFilter(event)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CWindowUI::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && IsCaptionPoint(event->position().toPoint())) {
        if (!(windowHandle() && windowHandle()->startSystemMove())) {
            dragging_ = true;
            dragOffset_ = event->globalPosition().toPoint() - pos();
        }
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CWindowUI::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void CWindowUI::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

void CWindowUI::mouseDoubleClickEvent(QMouseEvent* event) {
    QWidget::mouseDoubleClickEvent(event);
}

}  // namespace keldrin::ui
