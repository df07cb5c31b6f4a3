// The Hide menu, File/Extract and the secret message.
#include "doc/PictoriumDoc.h"

#include "platform/Dialogs.h"
#include "platform/FileDialog.h"
#include "platform/MessageBoxes.h"
#include "platform/Paths.h"
#include "platform/SaveFile.h"
#include "platform/StatusText.h"
#include "platform/TaskRunner.h"
#include "platform/ToolWindows.h"
#include "platform/WaitCursor.h"
#include "stego/HiddenContent.h"
#include "stego/MessageFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>

#include <optional>

namespace veilpane {

namespace {

// The name travels inside the payload. Linux paths run long (home folders, nested albums), so the limit is
// on the file name the payload stores, not on the folders above it.
constexpr int MaxFileToHideNameLength = 64;
constexpr int MaxSecretMessageLength = 16384;
constexpr int MessageItemPreviewLength = 20;

void Show(const CDocServices& services, const CUserMessage& message) {
    if (services.Messages) {
        services.Messages->Show(message);
    }
}

// A menu item shows data, not a mnemonic or an accelerator: an "&" stays visible and line breaks and tabs
// (which would start the shortcut column) become blanks.
QString MenuItemText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar& c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t')) {
            c = QLatin1Char(' ');
        }
    }
    text.replace(QStringLiteral("&"), QStringLiteral("&&"));
    return text;
}

// Replaces target atomically, so that a failed copy never leaves a half-written file in the user's folder.
bool CopyReplacing(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray content = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size()) {
        out.cancelWriting();
        return false;
    }
    return CommitSaveFile(out);
}

} // namespace

void CPictoriumDoc::OnSelectFileToHide() {
    if (!m_services.Files) {
        return;
    }
    std::optional<QString> chosen;
    {
        // The tool windows stay on top of everything and would cover the dialog.
        std::optional<CToolWindowsHidden> hidden;
        if (m_services.ToolWindows) {
            hidden.emplace(*m_services.ToolWindows);
        }
        chosen = m_services.Files->OpenFile(FileDialogType::SelectFileToHide);
    }
    if (!chosen || chosen->isEmpty() || !QFileInfo::exists(*chosen)) {
        return;
    }
    if (FileNameOfPath(*chosen).size() > MaxFileToHideNameLength) {
        Show(m_services, FileNameTooLongMessage());
        return;
    }
    FileToHide = *chosen;
    emit StateChanged();
    SetStatus(QStringLiteral("File to hide selected successfully"));
}

void CPictoriumDoc::OnUnselectFileToHide() {
    FileToHide.clear();
    emit StateChanged();
    SetStatus(QStringLiteral("File to hide successfully unselected"));
}

void CPictoriumDoc::OnHideFile() {
    if (FileToHide.isEmpty()) {
        return;
    }
    const QFileInfo info(FileToHide);
    if (!info.exists() || info.isDir()) {
        Show(m_services, CUserMessage::ErrorBox(QStringLiteral("File not found"),
                                                QStringLiteral("The selected file to hide does not exist.")));
        return;
    }
    if (const std::optional<QString> refusal = CheckSelectedPassword(PasswordSet)) {
        Show(m_services, CUserMessage::AppBox(*refusal));
        return;
    }
    PushUndo();
    const QString path = FileToHide;
    const QByteArray password = PasswordSet.SelectedPassword();
    RunHide(QStringLiteral("Hide file within Image Preview"), info.fileName(), info.size(),
            [path, password](CBitmap* image, CReportStatistics& statistics) {
                return HideFileInImage(image, path, password, statistics);
            });
}

void CPictoriumDoc::OnHideMessage() {
    if (!HasImage()) {
        Show(m_services, NoContainerImageMessage(QStringLiteral("No base image")));
        return;
    }
    if (SelectedIndex < 0 || SelectedIndex >= FileNames.size()) {
        return;
    }
    if (SecretMessage.isEmpty()) {
        Show(m_services,
             CUserMessage::PlainBox(QStringLiteral(
                 "The text message to hide is not defined.\nUse option 'Hide/Enter message to hide'")));
        return;
    }
    if (const std::optional<QString> refusal = CheckSelectedPassword(PasswordSet)) {
        Show(m_services, CUserMessage::AppBox(*refusal));
        return;
    }
    PushUndo();
    const QString entryName = FileNames[SelectedIndex];
    const QString message = SecretMessage;
    const QByteArray password = PasswordSet.SelectedPassword();
    RunHide(QStringLiteral("Hide secret message within Image Preview"), MessageFileName(entryName),
            MessageFileContent(message).size(),
            [entryName, message, password](CBitmap* image, CReportStatistics& statistics) {
                return HideMessageInImage(image, entryName, message, password, statistics);
            });
}

void CPictoriumDoc::RunHide(const QString& title, const QString& subject, std::int64_t payloadBytes,
                            CHideWork work) {
    if (payloadBytes <= LongHideBytes || !m_services.Tasks) {
        CHideResult result;
        {
            std::optional<CWaitCursor> wait;
            if (m_services.Cursor) {
                wait.emplace(*m_services.Cursor);
            }
            result = work(CurrentImage.get(), Statistics);
        }
        FinishHide(result);
        return;
    }

    // The work gets its own copy of the image and statistics: the user-interface thread keeps painting the
    // current image meanwhile, and only the finished callback, back on that thread, swaps the result in.
    struct CRun {
        std::optional<CBitmap> Image;
        CReportStatistics Statistics;
        CHideResult Result;
        bool Cancelled = false;
    };
    auto run = std::make_shared<CRun>();
    if (CurrentImage) {
        run->Image = CurrentImage->Copy();
    }
    run->Statistics = Statistics;
    LongTaskRunning = true;
    emit StateChanged();

    QPointer<CPictoriumDoc> self(this);
    m_services.Tasks->Start(
        title,
        [run, work = std::move(work), subject](CTaskProgress& progress) {
            progress.Report(0, 1, subject);
            if (progress.CancelRequested()) {
                run->Cancelled = true;
                return;
            }
            run->Result = work(run->Image ? &*run->Image : nullptr, run->Statistics);
            progress.Report(1, 1, subject);
            // The hide itself cannot stop half-way; a cancel that came while it ran drops its result.
            run->Cancelled = progress.CancelRequested();
        },
        [self, run] {
            if (!self) {
                return;
            }
            self->LongTaskRunning = false;
            if (run->Cancelled) {
                emit self->StateChanged();
                return;
            }
            if (run->Result.Ok() && run->Image) {
                self->CurrentImage = std::make_unique<CBitmap>(std::move(*run->Image));
                self->Statistics = run->Statistics;
            }
            self->FinishHide(run->Result);
            emit self->StateChanged();
        });
}

void CPictoriumDoc::FinishHide(const CHideResult& result) {
    if (result.Ok()) {
        HiddenDataAdded = true;
        MarkImageChanged();
        NotifyImageChanged();
        Show(m_services, CUserMessage::AppBox(FormatHideReport(result.Value)));
    } else if (result.Message) {
        Show(m_services, *result.Message);
    }
}

QString CPictoriumDoc::UpdateFileToHideItem(bool* checked) const {
    const QFileInfo info(FileToHide);
    const bool shown = !FileToHide.isEmpty() && info.exists() && !info.isDir();
    if (checked) {
        *checked = shown;
    }
    if (!shown) {
        return QStringLiteral("<No file to hide selected>");
    }
    return MenuItemText(QStringLiteral("(%1 Ks) %2").arg(info.size() / 1024).arg(FileNameOfPath(FileToHide)));
}

QString CPictoriumDoc::UpdateMessageToHideItem(bool* checked) const {
    if (checked) {
        *checked = !SecretMessage.isEmpty();
    }
    if (SecretMessage.isEmpty()) {
        return QStringLiteral("<No secret message to hide>");
    }
    // Counted and cut in characters, never inside one.
    const QList<uint> characters = SecretMessage.toUcs4();
    QString shown = SecretMessage;
    if (characters.size() > MessageItemPreviewLength) {
        shown = QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()),
                                  MessageItemPreviewLength) +
                QStringLiteral("...");
    }
    return MenuItemText(QStringLiteral("(%1 bytes) %2").arg(characters.size()).arg(shown));
}

void CPictoriumDoc::OnExtractHiddenFile() {
    if (!HasImage() || SelectedIndex < 0 || SelectedIndex >= FileNames.size() || CurrentFolder.isEmpty()) {
        return;
    }
    std::optional<CWaitCursor> wait;
    if (m_services.Cursor) {
        wait.emplace(*m_services.Cursor);
    }
    bool extracted = false;
    const std::int32_t kind = SelectedKind();
    // A payload may carry the very name of its carrier; writing it would replace the image it came from.
    const QString carrierPath = QFileInfo(EntryPath(SelectedIndex)).absoluteFilePath();
    auto replacesCarrier = [&](const QString& name) {
        return !name.isEmpty() &&
               QFileInfo(HiddenFilePath(CurrentFolder, name)).absoluteFilePath() == carrierPath;
    };
    auto refuse = [&] {
        wait.reset();
        Show(m_services,
             CUserMessage::ErrorBox(QStringLiteral("Extraction error"),
                                    QStringLiteral("The hidden file has the name of the image that "
                                                   "carries it and would replace that image.\nNothing "
                                                   "was extracted.")));
    };
    if (kind == HiddenImage && !TempImagePath.isEmpty() && QFileInfo::exists(TempImagePath)) {
        // The hidden image is already out, shown in place of its carrier.
        if (replacesCarrier(FileNameOfPath(TempImagePath))) {
            refuse();
            return;
        }
        extracted =
            CopyReplacing(TempImagePath, HiddenFilePath(CurrentFolder, FileNameOfPath(TempImagePath)));
    } else {
        // Without a copy of the hidden image at hand (its extraction for display failed, or it was removed)
        // the current image may be that copy rather than the carrier: read the carrier from its file then.
        const CBitmap carrier = kind == HiddenImage ? CBitmap::Load(EntryPath(SelectedIndex)) : CBitmap();
        const CBitmap& source = kind == HiddenImage ? carrier : *CurrentImage;
        const CResult<CHiddenContent> found =
            FindHiddenContent(source, PasswordSet, true, HiddenOutput::Folder);
        if (replacesCarrier(found.Value.Name)) {
            refuse();
            return;
        }
        if (!found.Ok()) {
            // No password opens it (any more): nothing to say, the status bar stays as it was.
            return;
        }
        extracted = FindHiddenContent(source, PasswordSet, false, HiddenOutput::Folder, CurrentFolder).Ok();
    }
    wait.reset();
    if (extracted) {
        SetStatus(QStringLiteral("File successfully extracted"));
        return;
    }
    // The content was found, so what failed is the writing (a folder of the system, a full disk, a
    // folder in the way): silence would leave the user believing the file is there.
    Show(m_services, CUserMessage::ErrorBox(QStringLiteral("Extraction error"),
                                            QStringLiteral("The hidden file could not be written into %1.\n"
                                                           "Nothing was extracted.")
                                                .arg(QDir::toNativeSeparators(CurrentFolder))));
}

void CPictoriumDoc::OnEnterSecretMessage() {
    if (!m_services.Dialogs) {
        return;
    }
    CSecretMessageFields fields{SecretMessage, SecretMessageSave};
    if (!m_services.Dialogs->RunSecretMessage(fields)) {
        return;
    }
    SecretMessage = fields.Message;
    if (SecretMessage.size() > MaxSecretMessageLength) {
        // Never half a surrogate pair at the end.
        SecretMessage.truncate(SecretMessage[MaxSecretMessageLength].isLowSurrogate()
                                   ? MaxSecretMessageLength - 1
                                   : MaxSecretMessageLength);
    }
    SecretMessageSave = fields.SaveMessage;
    SaveSettings();
    emit StateChanged();
}

} // namespace veilpane
