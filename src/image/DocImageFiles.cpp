// Saving the current image.
#include "image/PictoriumDoc.h"

namespace veilpane {

bool CPictoriumDoc::SaveImageAs(const QString&) {
    return false;
}
QString CPictoriumDoc::SavePathFor(const QString&) const {
    return {};
}

} // namespace veilpane
