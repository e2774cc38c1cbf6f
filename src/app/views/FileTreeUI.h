// The type tree of the results: one check-box node per file type, named after the layout's
// "nodes" property ("NodePhoto=Photo|NodeAudio=Audio|..."), with extension nodes below them.
// Nodes are found and renamed by name like controls (INamedItems).
#pragma once

#include <QTreeWidget>

#include "ui/NamedItems.h"

namespace keldrin {

class CFileTreeUI : public QTreeWidget, public ui::INamedItems {
    Q_OBJECT
    Q_PROPERTY(QString nodes READ Nodes WRITE SetNodes)
public:
    static constexpr int kNameRole = Qt::UserRole + 1;

    explicit CFileTreeUI(QWidget* parent = nullptr);

    QString Nodes() const { return nodes_; }
    // Replaces the top-level nodes by the list "name=text|name=text|...".
    void SetNodes(const QString& nodes);
    QTreeWidgetItem* FindNode(const QString& name) const;

    bool SetItemText(const QString& name, const QString& text) override;
    bool HasItem(const QString& name) const override { return FindNode(name) != nullptr; }

private:
    QString nodes_;
};

}  // namespace keldrin
