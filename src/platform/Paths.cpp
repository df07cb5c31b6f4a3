#include "platform/Paths.h"

namespace veilpane {

QString FileNameOfPath(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return cut < 0 ? path : path.mid(cut + 1);
}

QString PlainFileName(const QString& name) {
    QString plain = FileNameOfPath(name);
    plain.remove(QChar(u'\0'));
    if (plain == QLatin1String(".") || plain == QLatin1String("..")) {
        return {};
    }
    return plain;
}

QString PathInFolder(const QString& folder, const QString& name) {
    if (folder.isEmpty()) {
        return name;
    }
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace veilpane
