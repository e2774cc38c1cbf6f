// The disk list: a tree list of disks with their volumes and loaded images under them, columns
// "Media Name", "Type" and "Size". Rows carry a tag (the disk number or the ScanTarget) in
// Qt::UserRole. Rows, icons and the tree-node bookkeeping come with the disk-list work; this
// is the control the layouts place and the windows find by name.
#pragma once

#include <QTreeWidget>

namespace keldrin {

class CDiskListUI : public QTreeWidget {
    Q_OBJECT
public:
    explicit CDiskListUI(QWidget* parent = nullptr);
    static constexpr int kTagRole = Qt::UserRole;
    static constexpr int kRowHeight = 30;
};

}  // namespace keldrin
