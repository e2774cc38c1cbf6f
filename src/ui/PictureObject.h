// The picture object of the preview pane: a picture file read with Qt's image readers, inserted
// into a rich text pane. A picture that reads as null or as at most 2 by 2 pixels counts as not
// loaded, the same test the pane applies to the rectangle the object reports.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

namespace keldrin::ui {

struct PictureParams {
    int maxWidth = -1;                // -1: as wide as the pane allows
    int maxHeight = -1;               // -1: no limit
    QColor background = QColor(0xFF, 0xFF, 0xFF);  // shown under transparent pixels
};

class CPictureObject {
public:
    // Reads the file; false when no reader can decode it.
    bool Load(const QString& path, const PictureParams& params = {});
    const QImage& Image() const { return image_; }
    const QString& Path() const { return path_; }
    const PictureParams& Params() const { return params_; }
    // The rectangle the object occupies (0,0 and its size); empty for a null picture.
    QRect Rect() const { return image_.isNull() ? QRect() : QRect(QPoint(0, 0), image_.size()); }

private:
    QImage image_;
    QString path_;
    PictureParams params_;
};

// The rule of the preview pane: a rectangle of at most 2 by 2 is a picture that did not load.
inline bool IsLoadedPictureRect(const QRect& rect) {
    return rect.width() > 2 || rect.height() > 2;
}

}  // namespace keldrin::ui
