#pragma once

#include <QDialog>
#include <QImage>

#include <cstdint>

namespace veilpane {

// "Frame colors of the thumbnails": what the frames and the list background mean, with pictures the
// program draws in the very colours and pen of the thumbnail list.
class CHelpColorsAppDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CHelpColorsAppDlg(QWidget* parent = nullptr);

    // A 150 × 135 thumbnail of a sample picture as the list shows an image of the given hidden kind.
    static QImage Thumbnail(std::int32_t kind);
    // A few thumbnails on the list's background, with or without hidden content in the folder.
    static QImage ThumbnailList(bool anyHidden);
};

} // namespace veilpane
