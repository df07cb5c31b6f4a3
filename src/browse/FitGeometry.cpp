#include "browse/FitGeometry.h"

#include <algorithm>

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

QRect FitRectToScreen(const QRect& window, const QRect& available) {
    if (available.isEmpty()) {
        return window;
    }
    const QSize size = window.size().boundedTo(available.size());
    const int left = std::clamp(window.left(), available.left(), available.right() + 1 - size.width());
    const int top = std::clamp(window.top(), available.top(), available.bottom() + 1 - size.height());
    return QRect(QPoint(left, top), size);
}

CDockWidths DefaultDockWidths(int frameWidth) {
    const int width = std::max(0, frameWidth);
    // The docks share less than half of the width; a narrow window makes them narrower, so that the
    // thumbnails keep the larger part (three columns on a 1600-pixel screen at a scale of 1.5).
    const int folders = std::clamp(width * 17 / 100, 150, 340);
    const int preview = std::clamp(width * 26 / 100, 180, 600);
    const int docks = std::min(folders + preview, width * 45 / 100);
    const int foldersWidth = docks * folders / (folders + preview);
    return {foldersWidth, docks - foldersWidth};
}

bool ListNeedsDefaultDocks(int frameWidth, int listWidth, int cellWidth) {
    if (cellWidth <= 0) {
        return false;
    }
    const int columns = std::max(0, listWidth) / cellWidth;
    if (columns >= MinimumListColumns) {
        return false;
    }
    const CDockWidths docks = DefaultDockWidths(frameWidth);
    return std::max(0, frameWidth - docks.Folders - docks.Preview) / cellWidth > columns;
}

CDefaultLayout DefaultWindowLayout(const QRect& available) {
    // A margin all round leaves the window manager's title bar and the desktop's edges on the screen.
    const int marginX = std::max(8, available.width() / 40);
    const int marginY = std::max(32, available.height() / 30);
    const QRect frame = available.adjusted(marginX, marginY, -marginX, -std::max(8, marginY / 3));
    const CDockWidths docks = DefaultDockWidths(frame.width());
    return {frame, docks.Folders, docks.Preview};
}

} // namespace veilpane
