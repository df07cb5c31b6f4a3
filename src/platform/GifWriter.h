#pragma once

#include <QIODevice>
#include <QImage>
#include <QString>

namespace veilpane {

// Qt reads GIF but does not write it: this encodes one frame through giflib with a palette of at most 256
// colours chosen by median cut. Fully transparent pixels become the transparent index when there are any.
bool WriteGif(const QImage& image, QIODevice& device, QString* error);

} // namespace veilpane
