#include "app/views/FileTreeUI.h"

namespace keldrin {

CFileTreeUI::CFileTreeUI(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true);
}

void CFileTreeUI::SetNodes(const QString& nodes) {
    nodes_ = nodes;
    clear();
    for (const QString& part : nodes.split('|', Qt::SkipEmptyParts)) {
        const int eq = part.indexOf('=');
        const QString name = eq < 0 ? part : part.left(eq);
        auto* item = new QTreeWidgetItem(this, QStringList(eq < 0 ? part : part.mid(eq + 1)));
        item->setData(0, kNameRole, name);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
}

QTreeWidgetItem* CFileTreeUI::FindNode(const QString& name) const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->data(0, kNameRole).toString() == name) return topLevelItem(i);
    return nullptr;
}

bool CFileTreeUI::SetItemText(const QString& name, const QString& text) {
    QTreeWidgetItem* node = FindNode(name);
    if (!node) return false;
    node->setText(0, text);
    return true;
}

}  // namespace keldrin
