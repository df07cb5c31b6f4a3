// Saving the current image.
#include "doc/PictoriumDoc.h"

#include "doc/CommandIds.h"
#include "platform/Dialogs.h"
#include "platform/ExistingFile.h"
#include "platform/MessageBoxes.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

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
    // "/home/a.b/scan" must not lose the folder's tail. The name keeps its letter case: Sunset.JPG is saved
    // as Sunset_steg.png.
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
    QString path = SavePathFor(extension);
    if (!CurrentImage || path.isEmpty()) {
        return refuse();
    }
    const QFileInfo existing(path);
    const bool ownLastSave = path == m_lastSavedPath && existing.lastModified() == m_lastSavedTime;
    if ((existing.exists() || existing.isSymLink()) && !existing.isDir() && !ownLastSave) {
        // Nobody to ask keeps both, which loses nothing.
        const QString beside = FreeNameBeside(path);
        const ExistingFile choice = m_services.Messages
                                        ? AskAboutExistingFile(*m_services.Messages, path, beside)
                                        : ExistingFile::KeepBoth;
        if (choice == ExistingFile::Skip) {
            SetStatus(QStringLiteral("Image not saved: %1 already exists.").arg(FileNameOfPath(path)));
            return false;
        }
        if (choice == ExistingFile::KeepBoth) {
            path = beside;
        }
    }
    const QString mimeType = MimeTypeFor(extension);
    if (!FindEncoder(mimeType)) {
        return refuse();
    }
    // The save goes through a temporary file renamed into place, so a failure keeps an older copy intact.
    if (!CurrentImage->Save(path, mimeType)) {
        return refuse();
    }
    m_savedState = m_imageState;
    m_lastSavedPath = path;
    m_lastSavedTime = QFileInfo(path).lastModified();
    emit StateChanged();
    SetStatus(QStringLiteral("Image file saved: %1").arg(FileNameOfPath(path)));
    return true;
}

bool CPictoriumDoc::SaveImageInChosenFormat() {
    // The formats are those the Save commands offer now: after a hide only the lossless ones keep the
    // hidden data.
    struct CFormat {
        int Command;
        const char* Extension;
        const char* Name;
    };
    static constexpr CFormat formats[] = {
        {cmd::SavePng, "png", "PNG"},   {cmd::SaveBmp, "bmp", "BMP"}, {cmd::SaveTiff, "tiff", "TIFF"},
        {cmd::SaveJpeg, "jpg", "JPEG"}, {cmd::SaveGif, "gif", "GIF"},
    };
    if (!m_services.Dialogs || SelectedIndex < 0 || SelectedIndex >= FileNames.size()) {
        return false;
    }
    CSaveFormatFields fields;
    fields.ImageName = FileNames[SelectedIndex];
    QStringList extensions;
    for (const CFormat& format : formats) {
        if (CommandState(format.Command).Enabled) {
            const QString extension = QString::fromLatin1(format.Extension);
            extensions << extension;
            fields.Choices << QStringLiteral("%1 (%2)").arg(QString::fromLatin1(format.Name),
                                                            FileNameOfPath(SavePathFor(extension)));
        }
    }
    if (extensions.isEmpty() || !m_services.Dialogs->RunSaveFormat(fields) || fields.Chosen < 0 ||
        fields.Chosen >= extensions.size()) {
        return false;
    }
    return SaveImageAs(extensions[fields.Chosen]);
}

} // namespace veilpane
