#pragma once

#include "stego/StegoAnalysis.h"

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
    // The same with the frame View / Frame by analysis verdict gives an image of that verdict.
    static QImage VerdictThumbnail(StegoVerdict verdict);
    // A few thumbnails on the list's background, with or without hidden content in the folder.
    static QImage ThumbnailList(bool anyHidden);

private:
    // The sample picture on a white thumbnail, as the list places it; returns where it lies.
    static QRect DrawSample(QImage& thumbnail);
};

} // namespace veilpane
