// A button that marks itself hot while the pointer is over it (for the skin's hover look); the
// window receives "onhot"/"offhot" with its name from the toolkit.
#pragma once

#include <QPushButton>

namespace keldrin {

class CButtonExUI : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(bool hot READ IsHot)
public:
    explicit CButtonExUI(QWidget* parent = nullptr) : QPushButton(parent) {}
    bool IsHot() const { return hot_; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hot_ = false;
};

}  // namespace keldrin
