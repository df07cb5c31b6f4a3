#include "browse/ThumbnailRender.h"

#include "browse/FitGeometry.h"
#include "platform/Bitmap.h"
#include "platform/TopRowsReader.h"
#include "stego/HiddenContent.h"
#include "stego/PayloadFormat.h"

#include <QImageReader>
#include <QPainter>

#include <new>

namespace veilpane {

QRgb ThumbnailFrameColor(std::int32_t kind) {
    if (kind <= HiddenNothing) {
        return 0;
    }
    switch (kind) {
    case HiddenImage:
        return 0x8017B701u;
    case HiddenMessage:
        return 0x8004C8CAu;
    default:
        return 0x80E85708u;
    }
}

namespace {

// Halves a 32-bit image by averaging each 2 x 2 block (every byte alike: right for opaque and for
// premultiplied pixels). An odd last row or column is dropped; at these factors it is not missed.
QImage HalveImage(const QImage& image) {
    const int width = image.width() / 2;
    const int height = image.height() / 2;
    QImage half(width, height, image.format());
    if (half.isNull()) {
        return {};
    }
    for (int y = 0; y < height; ++y) {
        const uchar* top = image.constScanLine(2 * y);
        const uchar* bottom = image.constScanLine(2 * y + 1);
        uchar* out = half.scanLine(y);
        for (int x = 0; x < width * 4; ++x) {
            const int byte = (x / 4) * 8 + x % 4;
            out[x] =
                static_cast<uchar>((top[byte] + top[byte + 4] + bottom[byte] + bottom[byte + 4] + 2) / 4);
        }
    }
    return half;
}

} // namespace

QImage ReducePicture(const QImage& picture, QSize target) {
    if (picture.isNull() || target.isEmpty()) {
        return {};
    }
    // Qt's smooth scaler weighs every source pixel with general filter weights, which costs as much as
    // decoding a large PNG; exact 2 x 2 box halvings down to twice the target size do the bulk of the
    // averaging for a fraction of that, and the smooth scaler only does the last, small step.
    QImage reduced = picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                       : QImage::Format_RGB32);
    while (reduced.width() >= 4 * target.width() && reduced.height() >= 4 * target.height()) {
        QImage half = HalveImage(reduced);
        if (half.isNull()) {
            break;
        }
        reduced = std::move(half);
    }
    return reduced.size() == target ? reduced
                                    : reduced.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage RenderThumbnail(const QImage& picture, QSize originalSize, std::int32_t kind) {
    QImage canvas(ThumbnailWidth, ThumbnailHeight, QImage::Format_RGB32);
    if (canvas.isNull()) {
        return {};
    }
    canvas.fill(Qt::white);
    const QRect target = ThumbnailPictureRect(originalSize);
    {
        QPainter painter(&canvas);
        if (!picture.isNull() && !target.isEmpty()) {
            // Every source pixel is averaged on the way down; drawImage's own filter would sample only
            // a few and alias a large photo.
            painter.drawImage(target.topLeft(), ReducePicture(picture, target.size()));
        }
        if (const QRgb frame = ThumbnailFrameColor(kind); frame != 0 && originalSize.isValid()) {
            QPen pen(QColor::fromRgba(frame), ThumbnailFramePen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            // The pen straddles the picture's edge: half over the picture, half over the white around it.
            painter.drawRect(QRectF(target));
        }
    }
    return canvas.convertToFormat(QImage::Format_RGB888);
}

namespace {

bool IsCancelled(const CThumbnailJob& job) {
    return job.Cancelled && job.Cancelled->load(std::memory_order_relaxed);
}

std::int32_t DetectKind(const CBitmap& topRows, const CPasswordSet& passwords) {
    const std::optional<CFoundHeader> found = DetectPayload(topRows, passwords);
    return found ? found->Header.Kind : HiddenNothing;
}

CThumbnailResult MakeThumbnailUnguarded(const CThumbnailJob& job) {
    CThumbnailResult result{job.Row, job.Generation, job.Sequence, {}, job.Kind, false};
    QImageReader reader(job.Path);
    reader.setAutoTransform(false); // the thumbnail shows the pixels as the current image will
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    const bool partialDecode = format == "png" || format == "jpeg";

    QImage picture;
    if (partialDecode || !job.Detect) {
        if (job.Detect && job.Passwords) {
            result.Kind = DetectKind(LoadTopRows(job.Path, HeaderPixelCount), *job.Passwords);
            result.Detected = true;
        }
        if (IsCancelled(job)) {
            return result;
        }
        const QRect target = ThumbnailPictureRect(size);
        if (format == "jpeg" && !target.isEmpty() && target.width() < size.width()) {
            reader.setScaledSize(target.size());
        }
        picture = reader.read();
    } else {
        // Other formats have no cheap partial decode: one full load serves both the detection and the
        // picture, and the loader keeps neither.
        const CBitmap full = CBitmap::Load(job.Path);
        if (job.Passwords) {
            result.Kind = DetectKind(full, *job.Passwords);
            result.Detected = true;
        }
        if (IsCancelled(job)) {
            return result;
        }
        picture = full.Image();
    }
    if (!job.Detect) {
        result.Kind = job.Kind;
    }
    const QSize original = size.isValid() ? size : picture.size();
    result.Thumbnail = RenderThumbnail(picture, original, result.Kind);
    return result;
}

} // namespace

CThumbnailResult MakeThumbnail(const CThumbnailJob& job) {
    if (IsCancelled(job)) {
        return CThumbnailResult{job.Row, job.Generation, job.Sequence, {}, job.Kind, false};
    }
    try {
        return MakeThumbnailUnguarded(job);
    } catch (const std::bad_alloc&) {
        // A picture too large for the memory left is listed like an unreadable file.
        CThumbnailResult result{job.Row, job.Generation, job.Sequence, {}, HiddenNothing, job.Detect};
        result.Thumbnail = RenderThumbnail({}, {}, HiddenNothing);
        return result;
    }
}

} // namespace veilpane
