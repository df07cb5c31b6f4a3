#include "platform/FileDialog.h"

namespace veilpane {

namespace {
const QString AllFiles = QStringLiteral("All Files (*.*)|*.*");
}

QString BuildImageFilter(const QList<CCodecInfo>& decoders) {
    QStringList patterns;
    QString each;
    for (const CCodecInfo& codec : decoders) {
        const QString pattern = codec.Patterns.join(QLatin1Char(';')).toLower();
        patterns << pattern;
        each += QStringLiteral("%1 files(%2)|%2|").arg(codec.Name, pattern);
    }
    const QString all = QStringLiteral("All Image Files|") + patterns.join(QLatin1Char(';'));
    return QStringLiteral("%1|%2|%3|").arg(all, AllFiles, each);
}

QString BuildAllFilesFilter() {
    return AllFiles + QLatin1Char('|');
}

QString BuildEncryptedFilter() {
    return QStringLiteral("Encrypted Files (*.cry)|*.cry|");
}

CFileDialogSpec FileDialogSpecFor(int type, const QList<CCodecInfo>& decoders) {
    switch (type) {
    case static_cast<int>(FileDialogType::SelectFileToEncrypt):
        return {QStringLiteral("Select file to encrypt"), BuildAllFilesFilter()};
    case static_cast<int>(FileDialogType::SelectFileToDecrypt):
        return {QStringLiteral("Select file to decrypt"), BuildEncryptedFilter()};
    default:
        return {QStringLiteral("Select file to hide"), BuildImageFilter(decoders), 1};
    }
}

QStringList ToQtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break; // the terminating empty entry
        }
        QString label = parts[i];
        // The label may already show its patterns in parentheses; Qt reads the patterns from them.
        const qsizetype open = label.lastIndexOf(QLatin1Char('('));
        if (open > 0 && label.endsWith(QLatin1Char(')'))) {
            label = label.left(open).trimmed();
        }
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (patterns == QLatin1String("*.*")) {
            patterns = QStringLiteral("*"); // on Linux most files have no extension
        }
        result << QStringLiteral("%1 (%2)").arg(label, patterns);
    }
    return result;
}

} // namespace veilpane
