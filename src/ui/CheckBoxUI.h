// A check box whose click goes from checked to clear and from clear or half selected to checked,
// never into the half state: the half state is only ever set by its group (CWindowUI).
#pragma once

#include <QCheckBox>

namespace keldrin::ui {

class CCheckBoxUI : public QCheckBox {
    Q_OBJECT
public:
    explicit CCheckBoxUI(QWidget* parent = nullptr) : QCheckBox(parent) {}

protected:
    void nextCheckState() override {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
};

}  // namespace keldrin::ui
