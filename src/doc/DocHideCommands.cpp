// The Hide menu, File/Extract and the secret message.
#include "doc/PictoriumDoc.h"

#include "platform/BoundedRead.h"
#include "platform/Dialogs.h"
#include "platform/ExistingFile.h"
#include "platform/FileDialog.h"
#include "platform/MessageBoxes.h"
#include "platform/OutputFile.h"
#include "platform/Paths.h"
#include "platform/ShellOpen.h"
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
#include <QUrl>

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

CUserMessage ExtractionError(const QString& text) {
    return CUserMessage::ErrorBox(QStringLiteral("Extraction error"), text);
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
    if (chosen) {
        ChooseFileToHide(*chosen);
    }
}

void CPictoriumDoc::ChooseFileToHide(const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return;
    }
    // Refused at once rather than at the hide: the menu would otherwise offer a device or a folder as the
    // file to hide.
    if (const FileType type = TypeOfFile(path); type != FileType::Regular) {
        Show(m_services, FileToHideNotRegularMessage(path, type));
        return;
    }
    if (FileNameOfPath(path).size() > MaxFileToHideNameLength) {
        Show(m_services, FileNameTooLongMessage());
        return;
    }
    FileToHide = path;
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
    // The wait cursor shows while the payload is read and written, not while a question waits for the user.
    std::optional<CWaitCursor> wait;
    if (m_services.Cursor) {
        wait.emplace(*m_services.Cursor);
    }
    const std::int32_t kind = SelectedKind();
    // The hidden image is already out when it is shown in place of its carrier. Without that copy (its
    // extraction for display failed, or it was removed) the current image may be the copy rather than the
    // carrier: the carrier is read from its file then.
    const bool shownCopy =
        kind == HiddenImage && !TempImagePath.isEmpty() && QFileInfo::exists(TempImagePath);
    const CBitmap carrier =
        kind == HiddenImage && !shownCopy ? CBitmap::Load(EntryPath(SelectedIndex)) : CBitmap();
    const CBitmap& source = kind == HiddenImage ? carrier : *CurrentImage;
    QString name;
    if (shownCopy) {
        name = FileNameOfPath(TempImagePath);
    } else {
        const CResult<CHiddenContent> found =
            FindHiddenContent(source, PasswordSet, true, HiddenOutput::Folder);
        if (!found.Ok()) {
            // No password opens it (any more): nothing to say, the status bar stays as it was.
            return;
        }
        name = found.Value.Name;
    }
    // A payload may carry the very name of its carrier; writing it would replace the image it came from.
    const QString target = HiddenFilePath(CurrentFolder, name);
    if (!name.isEmpty() &&
        QFileInfo(target).absoluteFilePath() == QFileInfo(EntryPath(SelectedIndex)).absoluteFilePath()) {
        wait.reset();
        Show(m_services, ExtractionError(QStringLiteral("The hidden file has the name of the image that "
                                                        "carries it and would replace that image.\nNothing "
                                                        "was extracted.")));
        return;
    }
    ExistingFile whenTaken = ExistingFile::Refuse;
    const QFileInfo existing(target);
    // A folder of that name cannot be replaced, so there is nothing to ask; the write below reports it.
    const bool folderInTheWay = existing.isDir() && !existing.isSymLink();
    if (!name.isEmpty() && (existing.exists() || existing.isSymLink()) && !folderInTheWay) {
        wait.reset();
        whenTaken = m_services.Messages
                        ? AskAboutExistingFile(*m_services.Messages, target, FreeNameBeside(target))
                        : ExistingFile::Skip;
        if (whenTaken == ExistingFile::Skip) {
            return;
        }
    }
    QString written;
    QString inTheWay;
    QString reason;
    std::optional<CWaitCursor> writing;
    if (m_services.Cursor && !wait) {
        writing.emplace(*m_services.Cursor);
    }
    if (shownCopy) {
        QFile in(TempImagePath);
        const QByteArray content = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
        if (in.error() == QFileDevice::NoError) {
            const CResult<COutputFile> copied = WriteOutputFile(target, content, whenTaken);
            written = copied.Value.WrittenPath;
            inTheWay = copied.Value.InTheWay;
            reason = copied.Detail;
        } else {
            reason = QStringLiteral("%1: %2").arg(TempImagePath, in.errorString());
        }
    } else {
        const CResult<CHiddenContent> extracted =
            FindHiddenContent(source, PasswordSet, false, HiddenOutput::Folder, CurrentFolder, whenTaken);
        written = extracted.Value.WrittenPath;
        inTheWay = extracted.Value.InTheWay;
        reason = extracted.Detail;
    }
    wait.reset();
    writing.reset();
    if (!written.isEmpty()) {
        const QString shown = QDir::toNativeSeparators(written);
        SetStatus(QStringLiteral("File successfully extracted: %1%2").arg(shown, DotFileNote(written)));
        if (m_services.Messages && m_services.Shell &&
            m_services.Messages->Show(
                CUserMessage::AppBox(
                    QStringLiteral("The hidden file was saved as\n%1%2\n\nOpen the folder that holds it?")
                        .arg(shown, DotFileNote(written))),
                MessageButtons::YesNo) == MessageResult::Yes) {
            m_services.Shell->Open(QUrl::fromLocalFile(QFileInfo(written).absolutePath()));
        }
        return;
    }
    if (!inTheWay.isEmpty()) {
        // Free when looked at, taken by the time of writing: someone else's file, which stays.
        Show(m_services,
             ExtractionError(QStringLiteral("A file named \"%1\" appeared in\n%2\nduring the "
                                            "extraction and was not replaced.\nNothing was extracted.")
                                 .arg(FileNameOfPath(inTheWay),
                                      QDir::toNativeSeparators(QFileInfo(inTheWay).absolutePath()))));
        return;
    }
    // The content was found, so what failed is the writing (a folder of the system, a full disk, a
    // folder in the way): silence would leave the user believing the file is there, and the reason tells
    // what to do about it.
    Show(m_services, ExtractionError(QStringLiteral("The hidden file could not be written into %1.\n%2"
                                                    "Nothing was extracted.")
                                         .arg(QDir::toNativeSeparators(CurrentFolder),
                                              reason.isEmpty() ? QString() : reason + QLatin1Char('\n'))));
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
