#include "app/views/ButtonExUI.h"

#include <QStyle>

namespace keldrin {

void CButtonExUI::enterEvent(QEnterEvent* event) {
    if (isEnabled()) {
        hot_ = true;
        style()->unpolish(this);
        style()->polish(this);
    }
    QPushButton::enterEvent(event);
}

void CButtonExUI::leaveEvent(QEvent* event) {
    if (isEnabled()) {
        hot_ = false;
        style()->unpolish(this);
        style()->polish(this);
    }
    QPushButton::leaveEvent(event);
}

}  // namespace keldrin
