// Saving the current image.
#include "doc/PictoriumDoc.h"

#include "platform/MessageBoxes.h"
#include "platform/Paths.h"

#include <QDir>

#include <optional>

namespace veilpane {

namespace {

// Only "jpg" differs from its MIME subtype.
QString MimeTypeFor(const QString& extension) {
    return QStringLiteral("image/") +
           (extension == QLatin1String("jpg") ? QStringLiteral("jpeg") : extension);
}

// The encoder whose MIME type matches exactly, in the order the imaging layer lists them.
std::optional<CCodecInfo> FindEncoder(const QString& mimeType) {
    const QList<CCodecInfo> encoders = CBitmap::Encoders();
    for (const CCodecInfo& encoder : encoders) {
        if (encoder.MimeType == mimeType) {
            return encoder;
        }
    }
    return std::nullopt;
}

} // namespace

QString CPictoriumDoc::SavePathFor(const QString& extension) const {
    if (SelectedIndex < 0 || SelectedIndex >= FileNames.size()) {
        return {};
    }
    // Only the file name is cut at its last full stop: a name without one inside a folder such as
    // "/home/a.b/scan" must not lose the folder's tail. The lower-cased listed name is used, as for every
    // name the program makes up; the folder keeps its real spelling.
    QString base = FileNames[SelectedIndex];
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) {
        base.truncate(dot);
    }
    const QString suffix = HiddenDataAdded ? QStringLiteral("_steg") : QStringLiteral("_conv");
    return PathInFolder(CurrentFolder, base + suffix + QLatin1Char('.') + extension);
}

bool CPictoriumDoc::SaveImageAs(const QString& extension) {
    const auto refuse = [this] {
        if (m_services.Messages) {
            m_services.Messages->Show(CUserMessage::AppBox(QStringLiteral("Error saving image file.")));
        }
        return false;
    };
    const QString path = SavePathFor(extension);
    if (!CurrentImage || path.isEmpty()) {
        return refuse();
    }
    const QString mimeType = MimeTypeFor(extension);
    if (!FindEncoder(mimeType)) {
        return refuse();
    }
    // The save goes through a temporary file renamed into place, so a failure keeps an older copy intact.
    if (!CurrentImage->Save(path, mimeType)) {
        return refuse();
    }
    SetStatus(QStringLiteral("Image file saved: %1").arg(FileNameOfPath(path)));
    return true;
}

} // namespace veilpane
