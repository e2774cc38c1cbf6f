// Controls whose items carry names of their own (tree nodes, list rows) answer this, so that a
// window can set an item's text by name as it sets a control's.
#pragma once

#include <QString>

namespace keldrin::ui {

class INamedItems {
public:
    virtual ~INamedItems() = default;
    // True when an item of that name exists (and its text was set).
    virtual bool SetItemText(const QString& name, const QString& text) = 0;
    virtual bool HasItem(const QString& name) const = 0;
};

}  // namespace keldrin::ui
