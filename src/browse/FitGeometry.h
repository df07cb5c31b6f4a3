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

// A window rectangle moved and, when it must, shrunk so that it lies inside the available area of a
// screen: a layout stored on a larger screen, or at another scale factor, comes back whole and reachable.
QRect FitRectToScreen(const QRect& window, const QRect& available);

// The first start's layout on a screen with the given available area: the main window and the widths of
// the Folders and Image Preview docks beside the thumbnails, which keep most of the width. In the
// screen's own (scaled) pixels, so that it fits at any scale factor.
struct CDockWidths {
    int Folders = 0;
    int Preview = 0;
};
// The docks' widths in a main window of the given width.
CDockWidths DefaultDockWidths(int frameWidth);
struct CDefaultLayout {
    QRect Frame;
    int FoldersWidth = 0;
    int PreviewWidth = 0;
};
CDefaultLayout DefaultWindowLayout(const QRect& available);

// The fewest thumbnail columns a restored layout may leave the list.
inline constexpr int MinimumListColumns = 3;
// Whether the docks of a restored layout (stored at another size or scale factor) leave the thumbnail
// list, listWidth wide in a main window frameWidth wide, under MinimumListColumns cells of cellWidth,
// where the default dock widths would give it more columns.
bool ListNeedsDefaultDocks(int frameWidth, int listWidth, int cellWidth);

} // namespace veilpane
