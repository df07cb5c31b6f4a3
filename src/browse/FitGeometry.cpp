#include "browse/FitGeometry.h"

namespace veilpane {

QRect ThumbnailPictureRect(QSize picture) {
    if (picture.isEmpty()) {
        return {};
    }
    // Single precision on purpose: 100 x 0.45f rounds to exactly 45 here, where double arithmetic would
    // truncate to 44 and leave a one-pixel gap beside the picture.
    const float sx = static_cast<float>(ThumbnailWidth) / static_cast<float>(picture.width());
    const float sy = static_cast<float>(ThumbnailHeight) / static_cast<float>(picture.height());
    float scale = 0.0f;
    int left = 0;
    int top = 0;
    if (sx > sy) {
        scale = sy;
        const float drawn = static_cast<float>(picture.width()) * sy;
        left = static_cast<int>((static_cast<float>(ThumbnailWidth) - drawn) * 0.5f);
    } else {
        scale = sx;
        const float drawn = static_cast<float>(picture.height()) * sx;
        top = static_cast<int>((static_cast<float>(ThumbnailHeight) - drawn) * 0.5f);
    }
    const float width = static_cast<float>(picture.width()) * scale;
    const float height = static_cast<float>(picture.height()) * scale;
    return QRect(left, top, static_cast<int>(width), static_cast<int>(height));
}

QRect PreviewCanvasRect(QSize client, QSize image) {
    if (client.isEmpty() || image.isEmpty()) {
        return {};
    }
    const int cw = client.width();
    const int ch = client.height();
    const float windowRatio = static_cast<float>(ch) / static_cast<float>(cw);
    const float imageRatio = static_cast<float>(image.height()) / static_cast<float>(image.width());
    if (imageRatio > windowRatio) {
        const int width = static_cast<int>(static_cast<float>(ch) / imageRatio);
        return QRect((cw - width) / 2, 0, width, ch);
    }
    const int height = static_cast<int>(static_cast<float>(cw) * imageRatio);
    return QRect(0, (ch - height) / 2, cw, height);
}

} // namespace veilpane
