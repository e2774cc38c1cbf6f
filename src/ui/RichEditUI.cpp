#include "ui/RichEditUI.h"

#include <QScrollBar>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace keldrin::ui {

CRichEditUI::CRichEditUI(QWidget* parent) : QTextBrowser(parent) {
    setReadOnly(true);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
}

void CRichEditUI::Clear() {
    clear();
    document()->clear();
    lastPictureRect_ = QRect();
}

void CRichEditUI::ShowText(const QString& text, Align align, int lineSpacingTwips) {
    if (text.isEmpty()) return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextBlockFormat block;
    block.setAlignment(align == Align::kCenter ? Qt::AlignHCenter : Qt::AlignLeft);
    if (lineSpacingTwips > 0) {
        // Twips to pixels at 96 dpi; never below single spacing.
        const qreal pixels = lineSpacingTwips / 15.0;
        const qreal single = fontMetrics().lineSpacing();
        block.setLineHeight(std::max(pixels, single), QTextBlockFormat::FixedHeight);
    }
    if (!document()->isEmpty()) cursor.insertBlock();
    cursor.setBlockFormat(block);
    cursor.insertText(text);  // plain text: no markup or link detection
}

QRect CRichEditUI::InsertPicture(const CPictureObject& picture) {
    if (picture.Image().isNull()) return QRect();
    QImage image = picture.Image();
    int limit = viewport()->width() - 2 * static_cast<int>(document()->documentMargin());
    if (picture.Params().maxWidth > 0) limit = std::min(limit, picture.Params().maxWidth);
    if (limit > 0 && image.width() > limit) image = image.scaledToWidth(limit, Qt::SmoothTransformation);
    if (picture.Params().maxHeight > 0 && image.height() > picture.Params().maxHeight)
        image = image.scaledToHeight(picture.Params().maxHeight, Qt::SmoothTransformation);
    const QUrl name(QString("keldrin-picture://%1").arg(++pictureCount_));
    document()->addResource(QTextDocument::ImageResource, name, image);
    QTextCursor cursor = textCursor();
    QTextImageFormat format;
    format.setName(name.toString());
    format.setWidth(image.width());
    format.setHeight(image.height());
    cursor.insertImage(format);
    lastPictureRect_ = QRect(QPoint(0, 0), image.size());
    return lastPictureRect_;
}

}  // namespace keldrin::ui
