#include "platform/qt/QtShellOpen.h"

#include <QDesktopServices>

namespace veilpane {

bool CQtShellOpen::Open(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

} // namespace veilpane
