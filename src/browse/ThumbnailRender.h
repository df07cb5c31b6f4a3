#pragma once

#include "crypto/PasswordSet.h"
#include "doc/ThumbnailCache.h"
#include "stego/StegoAnalysis.h"

#include <QImage>
#include <QRgb>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

class QPainter;

namespace veilpane {

// The frame around the picture of an image that carries hidden content, by kind. 0 (no frame) for
// kind 10 and below.
QRgb ThumbnailFrameColor(std::int32_t kind);
inline constexpr double ThumbnailFramePen = 14.0;

// The frame of an image the steganalysis flags although no password opens it: violet, a colour none of
// the kinds' frames comes near, solid for stego and broken for suspect. 0 for clean.
QRgb VerdictFrameColor(StegoVerdict verdict);
// Draws that frame over picture (the picture's place in the thumbnail, in the painter's coordinates) with the
// pen of the kinds' frames.
void DrawVerdictFrame(QPainter& painter, const QRect& picture, StegoVerdict verdict);

// The list's background: light yellow once any image of the folder carries hidden content.
inline constexpr QRgb ListBackgroundPlain = 0xFFFFFFFFu;
inline constexpr QRgb ListBackgroundHidden = 0xFFFFF0BDu; // RGB(255, 240, 189)

// The picture scaled to target with every source pixel averaged in (area averaging), premultiplied when
// it has transparency.
QImage ReducePicture(const QImage& picture, QSize target);

// Draws a thumbnail: picture is the source image at any size (already reduced by the decoder, or full),
// originalSize the size the file declares, which alone decides the placement. White behind and around the
// picture, the kind's frame over its edge. A null picture gives a plain white thumbnail (with the frame
// when the kind has one). The result is compact 24-bit RGB.
QImage RenderThumbnail(const QImage& picture, QSize originalSize, std::int32_t kind);

// One piece of the loader's work, a value: everything it needs is in here, nothing is shared with the
// user-interface thread but the two read-only snapshots and the cancel flag.
struct CThumbnailJob {
    int Row = -1;
    std::uint64_t Generation = 0;
    std::uint64_t Sequence = 0;
    QString Path;
    // Detect runs the hidden-content detection; otherwise Kind is the kind already known (a thumbnail
    // dropped to save memory and drawn again).
    bool Detect = true;
    std::int32_t Kind = 10;
    std::shared_ptr<const CPasswordSet> Passwords;
    std::shared_ptr<const std::atomic<bool>> Cancelled;
    // Where a folder seen before is drawn from, and the tag of Passwords there; none: every job decodes.
    CThumbnailCache* Cache = nullptr;
    QByteArray PasswordTag;
    // Analyse runs the steganalysis of the file alone, while AnalysisOn still holds: no thumbnail, no
    // detection.
    bool Analyse = false;
    std::shared_ptr<const std::atomic<bool>> AnalysisOn;
};

struct CThumbnailResult {
    int Row = -1;
    std::uint64_t Generation = 0;
    std::uint64_t Sequence = 0;
    QImage Thumbnail; // null when the job was cancelled before it drew anything
    std::int32_t Kind = 10;
    bool Detected = false;
    QRect PictureRect; // where the picture lies in the thumbnail; empty without one
    // What the analysis concluded, from the cache or from an analysis job; absent when neither gave one
    // (an analysis job that was called off). A file the analysis does not read (JPEG, GIF, over the
    // budget, unreadable) is reported clean.
    std::optional<CCachedAnalysis> Analysis;
    bool AnalysisJob = false; // the result of an analysis job: no thumbnail
};

// Decodes, detects and draws one thumbnail. Pure apart from reading the file and the job's cache; safe on
// any thread. A file the cache knows is drawn from its entry, and detection runs again only for another
// password set. A JPEG is decoded at reduced size for the picture, while detection reads the exact top
// rows that a full load would give. Never throws: a file that cannot be read gives a white thumbnail and
// kind 10.
//
// An analysis job decodes the file in full (the thumbnail's decode is reduced, and the lowest bits are only
// there at full size) and keeps the verdict in the cache entry. JPEG and GIF are not analysed: the program
// never hides in them, and the lowest bits of a JPEG decode or of a palette say nothing about a payload.
// Neither are files over PreviewPixelBudget.
CThumbnailResult MakeThumbnail(const CThumbnailJob& job);

// The turn that decodes of more than a small picture's pixels take, one at a time over every thread that
// makes thumbnails: together they hold at most one preview-sized decode.
std::mutex& LargeDecodeTurn();

} // namespace veilpane
