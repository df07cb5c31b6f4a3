#pragma once

#include "crypto/PasswordSet.h"

#include <QImage>
#include <QRgb>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace veilpane {

class CThumbnailCache;

// The frame around the picture of an image that carries hidden content, by kind. 0 (no frame) for
// kind 10 and below.
QRgb ThumbnailFrameColor(std::int32_t kind);
inline constexpr double ThumbnailFramePen = 14.0;

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
};

struct CThumbnailResult {
    int Row = -1;
    std::uint64_t Generation = 0;
    std::uint64_t Sequence = 0;
    QImage Thumbnail; // null when the job was cancelled before it drew anything
    std::int32_t Kind = 10;
    bool Detected = false;
};

// Decodes, detects and draws one thumbnail. Pure apart from reading the file and the job's cache; safe on
// any thread. A file the cache knows is drawn from its entry, and detection runs again only for another
// password set. A JPEG is decoded at reduced size for the picture, while detection reads the exact top
// rows that a full load would give. Never throws: a file that cannot be read gives a white thumbnail and
// kind 10.
CThumbnailResult MakeThumbnail(const CThumbnailJob& job);

// The turn that decodes of more than a small picture's pixels take, one at a time over every thread that
// makes thumbnails: together they hold at most one preview-sized decode.
std::mutex& LargeDecodeTurn();

} // namespace veilpane
