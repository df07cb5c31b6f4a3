#pragma once

#include <QImage>
#include <QString>

namespace veilpane {

// Qt's TIFF reader premultiplies unassociated alpha, which rounds away the low colour bits of every
// translucent pixel (and with them a hidden payload). This reads the layout our own TIFF files use,
// 8-bit RGBA with unassociated alpha in one plane, exactly. A null image means "not that layout": the
// caller falls back to the general decoder.
QImage ReadUnassociatedAlphaTiff(const QString& path);

} // namespace veilpane
