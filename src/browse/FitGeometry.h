#pragma once

#include <QRect>
#include <QSize>

namespace veilpane {

// The thumbnail cell every image is drawn into.
inline constexpr int ThumbnailWidth = 150;
inline constexpr int ThumbnailHeight = 135;

// Where a picture of the given size lands inside the thumbnail: the largest uniform scale that fits,
// centred on the axis with room to spare. Computed in single precision and truncated, so that thumbnails
// match pixel for pixel whatever machine drew them. An empty or invalid size gives an empty rectangle.
QRect ThumbnailPictureRect(QSize picture);

// Where the Image Preview's canvas goes inside a client area of the given size: the image fitted to the
// area with its aspect ratio kept, centred with bars on the sides or above and below. Empty when either
// size is empty (nothing to draw, only the bars).
QRect PreviewCanvasRect(QSize client, QSize image);

} // namespace veilpane
