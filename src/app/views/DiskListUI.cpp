#include "app/views/DiskListUI.h"

#include <QHeaderView>

namespace keldrin {

CDiskListUI::CDiskListUI(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(3);
    setHeaderLabels({"Media Name", "Type", "Size"});
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
}

}  // namespace keldrin
