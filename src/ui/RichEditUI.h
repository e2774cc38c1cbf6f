// The read-only rich text pane (the preview pane): text with alignment and line spacing, and
// pictures inserted as objects that report their rectangle.
#pragma once

#include <QRect>
#include <QTextBrowser>

#include "ui/PictureObject.h"

namespace keldrin::ui {

class CRichEditUI : public QTextBrowser {
    Q_OBJECT
public:
    enum class Align { kLeft = 1, kCenter = 3 };

    explicit CRichEditUI(QWidget* parent = nullptr);

    void Clear();
    // Appends plain text (no link detection) as a paragraph; lineSpacingTwips 0 = single spacing,
    // otherwise at least single spacing. An empty text adds nothing.
    void ShowText(const QString& text, Align align = Align::kLeft, int lineSpacingTwips = 0);
    // Inserts the picture at the cursor, scaled down to the pane's width; returns the rectangle
    // the object occupies (empty when the picture is null). At most 2 by 2 = not loaded.
    QRect InsertPicture(const CPictureObject& picture);
    // The rectangle of the last picture inserted since the last Clear (empty when none).
    QRect LastPictureRect() const { return lastPictureRect_; }

private:
    QRect lastPictureRect_;
    int pictureCount_ = 0;
};

}  // namespace keldrin::ui
