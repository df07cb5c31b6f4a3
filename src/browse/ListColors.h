#pragma once

#include <QColor>

namespace veilpane {

// The thumbnail list's background over the palette's base colour. Once an image of the folder carries
// hidden content it turns to a cue: the light yellow of old on a light base, and on a dark base a dark
// amber of the same hue, which stays visible without washing out the light labels of a dark theme.
QColor ListBackground(const QColor& base, bool hidden);

} // namespace veilpane
