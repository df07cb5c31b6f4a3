#include "browse/ListColors.h"

#include "browse/ThumbnailRender.h"

#include <algorithm>

namespace veilpane {

QColor ListBackground(const QColor& base, bool hidden) {
    if (!hidden) {
        return base;
    }
    const QColor cue = QColor::fromRgb(ListBackgroundHidden);
    if (base.lightnessF() >= 0.5) {
        return cue;
    }
    const float lightness = std::clamp(base.lightnessF() + 0.1f, 0.18f, 0.32f);
    return QColor::fromHslF(cue.hslHueF(), 0.55f, lightness);
}

} // namespace veilpane
