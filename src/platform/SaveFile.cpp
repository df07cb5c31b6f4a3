#include "platform/SaveFile.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace veilpane {

bool CommitSaveFile(QSaveFile& file, QString* error) {
    const auto fail = [&](const QString& reason) {
        if (error) {
            *error = reason;
        }
        file.cancelWriting();
        return false;
    };
    if (file.error() != QFileDevice::NoError || !file.flush()) {
        return fail(file.errorString());
    }
    if (::fsync(file.handle()) != 0) {
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!file.commit()) {
        return fail(file.errorString());
    }
    return true;
}

} // namespace veilpane
