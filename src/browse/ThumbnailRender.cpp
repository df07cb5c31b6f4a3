#include "browse/ThumbnailRender.h"

#include "browse/FitGeometry.h"
#include "doc/ThumbnailCache.h"
#include "platform/Bitmap.h"
#include "platform/DecodePolicy.h"
#include "platform/TopRowsReader.h"
#include "stego/HiddenContent.h"
#include "stego/PayloadFormat.h"
#include "stego/StegoAnalysis.h"

#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

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

QRgb VerdictFrameColor(StegoVerdict verdict) {
    return verdict == StegoVerdict::Clean ? 0 : 0xB07B1FA2u;
}

void DrawVerdictFrame(QPainter& painter, const QRect& picture, StegoVerdict verdict) {
    const QRgb color = VerdictFrameColor(verdict);
    if (color == 0 || picture.isEmpty()) {
        return;
    }
    painter.save();
    QPen pen(QColor::fromRgba(color), ThumbnailFramePen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    if (verdict == StegoVerdict::Suspect) {
        // Dashes as long as the pen is wide, with shorter gaps: broken at a glance, yet as visible as the
        // solid frame. Flat ends, or the square caps would close the gaps.
        pen.setCapStyle(Qt::FlatCap);
        pen.setDashPattern({1.0, 0.6});
    }
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(picture));
    painter.restore();
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

bool AllOpaque(const QRgb* pixels, int count) {
    QRgb all = 0xFF000000u;
    for (int i = 0; i < count; ++i) {
        all &= pixels[i];
    }
    return qAlpha(all) == 255;
}

// Averages the rows of a PNG into blocks of factor x factor pixels as they are decoded, the factor being
// the one the halvings of ReducePicture would reach (at most 256), so the whole picture is never held: a 1920
// x 1080 PNG costs a 480 x 270 image instead of 8 MB. Pixels are premultiplied before averaging when the file
// has transparency, as ReducePicture does.
class CBoxReducer final : public CPngRowSink {
public:
    explicit CBoxReducer(QSize target) : m_target(target) {}

    bool Begin(QSize size, bool hasAlpha) override {
        if (m_target.isEmpty()) {
            return false;
        }
        m_size = size;
        m_alpha = hasAlpha;
        // Up to blocks of 256 x 256, whose column sums fit 16 bits; the smooth scaler does the rest.
        while (m_factor < 256 && size.width() / (2 * m_factor) >= 2 * m_target.width() &&
               size.height() / (2 * m_factor) >= 2 * m_target.height()) {
            m_factor *= 2;
        }
        m_reduced = QImage(size.width() / m_factor, size.height() / m_factor,
                           hasAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        const std::size_t columns =
            static_cast<std::size_t>(m_reduced.width()) * static_cast<std::size_t>(m_factor) * 4u;
        m_sums.assign(columns, 0);
        return !m_reduced.isNull();
    }

    bool Row(const QRgb* pixels) override {
        if (m_outRow >= m_reduced.height()) {
            return false;
        }
        const int width = m_reduced.width();
        const int span = width * m_factor;
        if (m_alpha && !AllOpaque(pixels, span)) {
            m_premultiplied.resize(static_cast<std::size_t>(span));
            for (int i = 0; i < span; ++i) {
                const QRgb pixel = pixels[i];
                m_premultiplied[static_cast<std::size_t>(i)] =
                    qAlpha(pixel) == 255 ? pixel : qPremultiply(pixel);
            }
            pixels = m_premultiplied.data();
        }
        // Rows are summed byte by byte first (a plain loop the compiler vectorises); the blocks are
        // summed across only once per row of blocks.
        const auto* bytes = reinterpret_cast<const uchar*>(pixels);
        const int spanBytes = span * 4;
        std::uint16_t* columns = m_sums.data();
        for (int i = 0; i < spanBytes; ++i) {
            columns[i] = static_cast<std::uint16_t>(columns[i] + bytes[i]);
        }
        if (++m_rowInBlock < m_factor) {
            return true;
        }
        const auto count = static_cast<std::uint32_t>(m_factor * m_factor);
        auto* out = reinterpret_cast<QRgb*>(m_reduced.scanLine(m_outRow));
        for (int x = 0; x < width; ++x) {
            std::uint32_t sum[4] = {count / 2, count / 2, count / 2, count / 2};
            const std::ptrdiff_t first = static_cast<std::ptrdiff_t>(x) * 4 * m_factor;
            for (int i = 0; i < 4 * m_factor; i += 4) {
                for (int channel = 0; channel < 4; ++channel) {
                    sum[channel] += m_sums[static_cast<std::size_t>(first + i + channel)];
                }
            }
            // Bytes B G R A: a little-endian ARGB value.
            out[x] = qRgba(static_cast<int>(sum[2] / count), static_cast<int>(sum[1] / count),
                           static_cast<int>(sum[0] / count), static_cast<int>(sum[3] / count));
        }
        std::fill(m_sums.begin(), m_sums.end(), std::uint16_t{0});
        m_rowInBlock = 0;
        // Rows below the last whole block are dropped, as the halvings drop an odd row.
        return ++m_outRow < m_reduced.height();
    }

    // The picture at the target size, or null when no row arrived.
    QImage Picture() const {
        if (m_outRow == 0) {
            return {};
        }
        const QImage reduced =
            m_outRow == m_reduced.height() ? m_reduced : m_reduced.copy(0, 0, m_reduced.width(), m_outRow);
        return reduced.size() == m_target
                   ? reduced
                   : reduced.scaled(m_target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    QSize Size() const { return m_size; }

private:
    QSize m_target;
    QSize m_size;
    bool m_alpha = false;
    int m_factor = 1;
    QImage m_reduced;
    std::vector<std::uint16_t> m_sums; // per source column and channel, over the current row of blocks
    std::vector<QRgb> m_premultiplied;
    int m_rowInBlock = 0;
    int m_outRow = 0;
};

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

// Nothing drawn yet, the job's own kind kept.
CThumbnailResult EmptyResult(const CThumbnailJob& job) {
    CThumbnailResult result;
    result.Row = job.Row;
    result.Generation = job.Generation;
    result.Sequence = job.Sequence;
    result.Kind = job.Kind;
    result.AnalysisJob = job.Analyse;
    return result;
}

bool IsCancelled(const CThumbnailJob& job) {
    return job.Cancelled && job.Cancelled->load(std::memory_order_relaxed);
}

std::int32_t DetectKind(const CBitmap& topRows, const CPasswordSet& passwords) {
    const std::optional<CFoundHeader> found = DetectPayload(topRows, passwords);
    return found ? found->Header.Kind : HiddenNothing;
}

// A PNG decoded once, row by row, for both the detection (its top rows) and the reduced picture. Most of
// the cost of a PNG thumbnail was the full-size decode target: allocating, faulting in and converting
// 8 MB per 1920 x 1080 image. False when the file is not a PNG this path takes.
bool DrawPngInOnePass(const CThumbnailJob& job, CThumbnailResult& result, QImage& picture, QSize& original) {
    class CSizedReducer final : public CPngRowSink {
    public:
        bool Begin(QSize size, bool hasAlpha) override {
            Reducer.emplace(ThumbnailPictureRect(size).size());
            return Reducer->Begin(size, hasAlpha);
        }
        bool Row(const QRgb* pixels) override { return Reducer->Row(pixels); }
        std::optional<CBoxReducer> Reducer;
    } sink;
    CBitmap topRows;
    if (!ReadPngRows(job.Path, HeaderPixelCount, topRows, sink)) {
        return false;
    }
    if (job.Detect && job.Passwords) {
        result.Kind = DetectKind(topRows, *job.Passwords);
        result.Detected = true;
    }
    picture = sink.Reducer->Picture();
    original = sink.Reducer->Size();
    return true;
}

// Decodes above this many pixels take turns (LargeDecodeTurn): together the loader's threads hold at most a
// small decode each and one preview-sized decode, whatever the core count.
constexpr std::uint64_t SmallDecodePixels = 12'000'000;

// Whether a thumbnail may decode the file: within the preview budget at full size, or a single-scan JPEG
// that libjpeg reduces as it decodes (a progressive one holds the whole picture's coefficients first).
bool PreviewMayDecode(const QByteArray& format, QSize size, const QString& path) {
    if (!FitsPixelBudget(size, ImagePixelBudget)) {
        return false;
    }
    return FitsPixelBudget(size, PreviewPixelBudget) || (format == "jpeg" && !IsMultiScanJpeg(path));
}

// The picture as the thumbnail shows it, flattened onto the thumbnail's white: what the cache keeps.
QImage PictureOnWhite(const QImage& picture, QSize original) {
    const QRect target = ThumbnailPictureRect(original);
    if (picture.isNull() || target.isEmpty()) {
        return {};
    }
    QImage reduced = ReducePicture(picture, target.size());
    if (!reduced.hasAlphaChannel()) {
        return reduced;
    }
    QImage flat(reduced.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, reduced);
    return flat;
}

// Draws the thumbnail from a decoded picture and keeps what it was drawn from for the next visit.
CThumbnailResult Finish(const CThumbnailJob& job, CThumbnailResult& result, const QImage& picture,
                        QSize original) {
    const QImage shown = PictureOnWhite(picture, original);
    if (job.Cache && !shown.isNull() && !IsCancelled(job)) {
        CCachedThumbnail entry;
        entry.Picture = shown;
        entry.OriginalSize = original;
        if (result.Detected) {
            entry.Kind = result.Kind;
        }
        job.Cache->Store(job.Path, job.PasswordTag, entry);
    }
    result.Thumbnail = RenderThumbnail(shown, original, result.Kind);
    result.PictureRect = original.isValid() ? ThumbnailPictureRect(original) : QRect();
    return result;
}

// A file the cache knows: no decode, and detection only when the password set is not the one the entry
// was found with. False when the cache has no usable entry.
bool DrawFromCache(const CThumbnailJob& job, CThumbnailResult& result) {
    if (!job.Cache) {
        return false;
    }
    std::optional<CCachedThumbnail> entry = job.Cache->Find(job.Path, job.PasswordTag);
    if (!entry || entry->Picture.isNull()) {
        return false;
    }
    if (job.Detect && job.Passwords) {
        if (!entry->Kind) {
            entry->Kind = DetectKind(LoadTopRows(job.Path, HeaderPixelCount), *job.Passwords);
            job.Cache->Store(job.Path, job.PasswordTag, *entry);
        }
        result.Kind = *entry->Kind;
        result.Detected = true;
    }
    result.Thumbnail = RenderThumbnail(entry->Picture, entry->OriginalSize, result.Kind);
    result.PictureRect = entry->OriginalSize.isValid() ? ThumbnailPictureRect(entry->OriginalSize) : QRect();
    // Free to hand on whether the option is on: turning it on then frames the row at once.
    result.Analysis = entry->Analysis;
    return true;
}

bool AnalysisCalledOff(const CThumbnailJob& job) {
    return IsCancelled(job) || !job.AnalysisOn || !job.AnalysisOn->load(std::memory_order_relaxed);
}

// The analysis of one file on its real pixels, kept in its cache entry.
CThumbnailResult AnalyseFile(const CThumbnailJob& job) {
    CThumbnailResult result = EmptyResult(job);
    if (AnalysisCalledOff(job)) {
        return result;
    }
    const CCachedAnalysis notRead;
    const QByteArray format = ImageFormatOfFile(job.Path);
    if (format.isEmpty() || format == "jpeg" || format == "gif") {
        result.Analysis = notRead;
        return result;
    }
    ApplyDecodeAllocationLimit();
    QImageReader reader(job.Path, format);
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (!FitsPixelBudget(size, PreviewPixelBudget)) {
        result.Analysis = notRead;
        return result;
    }
    std::unique_lock turn(LargeDecodeTurn(), std::defer_lock);
    if (!FitsPixelBudget(size, SmallDecodePixels)) {
        turn.lock();
    }
    if (AnalysisCalledOff(job)) {
        return result;
    }
    const CBitmap image = CBitmap::Load(job.Path);
    if (!image.IsValid()) {
        result.Analysis = notRead;
        return result;
    }
    // The pool already runs a job per core.
    CAnalysisOptions options;
    options.Threads = 1;
    const CStegoAnalysis analysis = AnalyseStego(image, nullptr, options);
    result.Analysis = CCachedAnalysis{analysis.Verdict, analysis.EstimatedBytes};
    if (job.Cache && !IsCancelled(job)) {
        job.Cache->StoreAnalysis(job.Path, *result.Analysis);
    }
    return result;
}

CThumbnailResult MakeThumbnailUnguarded(const CThumbnailJob& job) {
    if (job.Analyse) {
        return AnalyseFile(job);
    }
    CThumbnailResult result = EmptyResult(job);
    if (DrawFromCache(job, result)) {
        return result;
    }
    ApplyDecodeAllocationLimit();
    const QByteArray format = ImageFormatOfFile(job.Path);
    QImageReader reader(job.Path, format);
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(false); // the thumbnail shows the pixels as the current image will
    const QSize size = reader.size();
    if (format.isEmpty() || !PreviewMayDecode(format, size, job.Path)) {
        // Listed like an unreadable file, without a decode.
        result.Detected = job.Detect;
        result.Kind = job.Detect ? HiddenNothing : job.Kind;
        result.Thumbnail = RenderThumbnail({}, {}, result.Kind);
        return result;
    }
    std::unique_lock turn(LargeDecodeTurn(), std::defer_lock);
    if (!FitsPixelBudget(size, SmallDecodePixels)) {
        turn.lock();
    }
    if (IsCancelled(job)) {
        return result;
    }
    QImage picture;
    QSize original;
    if (format == "png" && DrawPngInOnePass(job, result, picture, original)) {
        return Finish(job, result, picture, original);
    }
    const bool partialDecode = format == "png" || format == "jpeg";

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
            // Below 50 the decoder skips its smooth chroma upsampling: a sixth less time per photo, and
            // nothing a picture reduced to thumbnail size would show.
            reader.setQuality(25);
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
    return Finish(job, result, picture, size.isValid() ? size : picture.size());
}

} // namespace

std::mutex& LargeDecodeTurn() {
    static std::mutex turn;
    return turn;
}

CThumbnailResult MakeThumbnail(const CThumbnailJob& job) {
    if (IsCancelled(job)) {
        return EmptyResult(job);
    }
    try {
        return MakeThumbnailUnguarded(job);
    } catch (const std::bad_alloc&) {
        // A picture too large for the memory left is listed like an unreadable file.
        CThumbnailResult result = EmptyResult(job);
        if (job.Analyse) {
            result.Analysis = CCachedAnalysis{};
            return result;
        }
        result.Kind = HiddenNothing;
        result.Detected = job.Detect;
        result.Thumbnail = RenderThumbnail({}, {}, HiddenNothing);
        return result;
    }
}

} // namespace veilpane
