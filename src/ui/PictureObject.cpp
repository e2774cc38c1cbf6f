#include "ui/PictureObject.h"

#include <QImageReader>
#include <QPainter>

namespace keldrin::ui {

bool CPictureObject::Load(const QString& path, const PictureParams& params) {
    path_ = path;
    params_ = params;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        image_ = QImage();
        return false;
    }
    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(params.background);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
        painter.end();
        image = flat;
    }
    image_ = image;
    return true;
}

}  // namespace keldrin::ui
