// The Encrypt menu and the passwords dialog. File work runs off the user-interface thread on a snapshot of
// the password set; its results are shown when it has finished.
#include "doc/PictoriumDoc.h"

#include "crypto/CryFile.h"
#include "crypto/FolderRun.h"
#include "doc/MessageDialogModel.h"
#include "doc/PasswordsDialogModel.h"
#include "platform/Dialogs.h"
#include "platform/ExistingFile.h"
#include "platform/FileDialog.h"
#include "platform/FolderFiles.h"
#include "platform/MessageBoxes.h"
#include "platform/Paths.h"
#include "platform/TaskRunner.h"
#include "platform/ToolWindows.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <memory>

namespace veilpane {

namespace {

std::optional<QString> ChooseFile(const CDocServices& services, FileDialogType type) {
    // Both tool windows stay on top and would cover the dialog.
    CToolWindowsHidden hidden(*services.ToolWindows);
    return services.Files->OpenFile(type);
}

// What to do with the output's name when it is taken: the user's answer, asked before the work starts.
// Refuse when it is free, which still never replaces a file that appears meanwhile.
ExistingFile AskIfTaken(CMessageBoxes& boxes, const QString& output, const QString& keptAs) {
    return IsNameTaken(output) ? AskAboutExistingFile(boxes, output, keptAs) : ExistingFile::Refuse;
}

// One question per output in the way, with "Apply to all" when there are several; once it is checked the
// rest take the same answer without a box.
void AskAboutOutputsInTheWay(CMessageBoxes& boxes, CFolderPlan& plan) {
    std::optional<ExistingFile> forAll;
    for (COutputInTheWay& output : plan.InTheWay) {
        if (forAll) {
            output.Choice = *forAll;
            continue;
        }
        bool appliesToAll = false;
        output.Choice = AskAboutExistingFile(boxes, output.Output, output.KeptAs, plan.InTheWay.size() > 1,
                                             &appliesToAll);
        if (appliesToAll) {
            forAll = output.Choice;
        }
    }
}

} // namespace

void CPictoriumDoc::RunFileTask(const QString& title, std::function<CResult<>()> work) {
    auto result = std::make_shared<CResult<>>();
    LongTaskRunning = true;
    emit StateChanged();
    QPointer<CPictoriumDoc> self(this);
    m_services.Tasks->Start(
        title, [result, work = std::move(work)](CTaskProgress&) { *result = work(); },
        [self, result] {
            if (!self) {
                return;
            }
            self->LongTaskRunning = false;
            emit self->StateChanged();
            self->ScheduleRescan();
            if (result->Message) {
                self->m_services.Messages->Show(*result->Message);
            }
            if (!result->StatusText.isEmpty()) {
                self->SetStatus(result->StatusText);
            }
        });
}

void CPictoriumDoc::OnEncryptFile() {
    if (const auto refusal = CheckSelectedPassword(PasswordSet)) {
        m_services.Messages->Show(CUserMessage::AppBox(*refusal));
        return;
    }
    // Several thumbnails highlighted: they are what the user means.
    if (MarkedNames.size() > 1) {
        QStringList paths;
        for (const QString& name : MarkedNames) {
            paths.append(PathInFolder(CurrentFolder, name));
        }
        EncryptFiles(paths);
        return;
    }
    const std::optional<QString> path = ChooseFile(m_services, FileDialogType::SelectFileToEncrypt);
    if (!path || !QFileInfo::exists(*path)) {
        return;
    }
    const ExistingFile existing = AskIfTaken(*m_services.Messages, EncryptedPathOf(*path),
                                             FreeNameBeside(*path, QLatin1String(CryExtension)));
    const CPasswordSet set = PasswordSet;
    RunFileTask(QStringLiteral("Encrypting %1").arg(QFileInfo(*path).fileName()),
                [path = *path, set, existing] { return EncryptFileCommand(path, set, existing); });
}

void CPictoriumDoc::OnDecryptFile() {
    if (const auto refusal = CheckDefinedPasswords(PasswordSet)) {
        m_services.Messages->Show(CUserMessage::AppBox(*refusal));
        return;
    }
    const std::optional<QString> path = ChooseFile(m_services, FileDialogType::SelectFileToDecrypt);
    if (!path || !QFileInfo::exists(*path)) {
        return;
    }
    const QString output = DecryptedPathOf(*path);
    const ExistingFile existing = output.isEmpty()
                                      ? ExistingFile::Refuse
                                      : AskIfTaken(*m_services.Messages, output, FreeNameBeside(output));
    const CPasswordSet set = PasswordSet;
    RunFileTask(QStringLiteral("Decrypting %1").arg(QFileInfo(*path).fileName()),
                [path = *path, set, existing] { return DecryptFileCommand(path, set, existing); });
}

void CPictoriumDoc::RunFolderTask(const QString& title, bool encrypt, const QList<CFolderPlan>& plans) {
    struct CShared {
        CFolderRunResult Result;
        QStringList Noted; // "name: reason", for the one box after the run
    };
    auto shared = std::make_shared<CShared>();
    LongTaskRunning = true;
    emit StateChanged();
    QPointer<CPictoriumDoc> self(this);
    m_services.Tasks->Start(
        title,
        [shared, plans, encrypt](CTaskProgress& progress) {
            CFolderRunHooks hooks;
            hooks.Progress = [&progress](const CFolderProgress& p) {
                progress.Report(p.FilesDone, p.FilesTotal,
                                QStringLiteral("%1 of %2 files").arg(p.FilesDone).arg(p.FilesTotal));
            };
            hooks.Cancelled = [&progress] {
                return progress.CancelRequested();
            };
            hooks.FileReported = [shared](const QString& path, const QString& text) {
                // Only "/" separates: a Linux name may hold a backslash, and a shown name holds \xNN.
                shared->Noted << QStringLiteral("%1: %2").arg(OneLine(QFileInfo(path).fileName()), text);
            };
            // A decryption that no password opens is told by the counts of the status text alone.
            if (encrypt) {
                hooks.FileFailed = hooks.FileReported;
            }
            for (const CFolderPlan& plan : plans) {
                shared->Result = encrypt ? EncryptFolder(plan, hooks) : DecryptFolder(plan, hooks);
                // A folder that stops the work tells why, and the folders after it are left alone.
                if (shared->Result.Message || shared->Result.Outcome == Outcome::Cancelled) {
                    break;
                }
            }
        },
        [self, shared, folder = plans.front().Folder] {
            if (!self) {
                return;
            }
            self->LongTaskRunning = false;
            emit self->StateChanged();
            self->ScheduleRescan();
            if (shared->Result.Message) {
                self->m_services.Messages->Show(*shared->Result.Message);
            }
            // One box for every file that stayed as it was or needs a look, once the run is over.
            if (!shared->Noted.isEmpty()) {
                self->m_services.Messages->Show(FolderRunReportMessage(folder, shared->Noted));
            }
            if (!shared->Result.StatusText.isEmpty()) {
                self->SetStatus(shared->Result.StatusText);
            }
        });
}

void CPictoriumDoc::OnEncryptFolder() {
    const auto plan = PlanFolderEncryption(CurrentFolder, PasswordSet);
    if (!plan.Ok()) {
        m_services.Messages->Show(*plan.Message);
        return;
    }
    CFolderPlan folderPlan = plan.Value;
    if (m_services.Messages->Show(FolderEncryptionQuestion(folderPlan), MessageButtons::YesNoDefaultNo) !=
        MessageResult::Yes) {
        return;
    }
    AskAboutOutputsInTheWay(*m_services.Messages, folderPlan);
    RunFolderTask(QStringLiteral("Encrypting the folder"), true, {folderPlan});
}

void CPictoriumDoc::OnDecryptFolder() {
    auto plan = PlanFolderDecryption(CurrentFolder, PasswordSet);
    if (!plan.Ok()) {
        m_services.Messages->Show(*plan.Message);
        return;
    }
    AskAboutOutputsInTheWay(*m_services.Messages, plan.Value);
    RunFolderTask(QStringLiteral("Decrypting the folder"), false, {plan.Value});
}

void CPictoriumDoc::EncryptFiles(const QStringList& paths) {
    RunFilesTask(paths, true);
}

void CPictoriumDoc::DecryptFiles(const QStringList& paths) {
    RunFilesTask(paths, false);
}

void CPictoriumDoc::RunFilesTask(const QStringList& paths, bool encrypt) {
    if (!IsIdle()) {
        return;
    }
    QStringList folders;
    for (const QString& path : paths) {
        const QString folder = QDir::cleanPath(QFileInfo(path).absolutePath());
        if (!folders.contains(folder)) {
            folders.append(folder);
        }
    }
    QList<CFolderPlan> plans;
    std::optional<CUserMessage> refusal;
    for (const QString& folder : folders) {
        const auto plan = encrypt ? PlanFilesEncryption(folder, paths, PasswordSet)
                                  : PlanFilesDecryption(folder, paths, PasswordSet);
        if (plan.Ok()) {
            plans.append(plan.Value);
        } else if (!refusal) {
            refusal = plan.Message;
        }
    }
    if (plans.isEmpty()) {
        if (refusal) {
            m_services.Messages->Show(*refusal);
        }
        return;
    }
    // One question for the whole drop or selection, naming every folder it touches.
    CFolderPlan asked = plans.front();
    QStringList shownFolders;
    for (const CFolderPlan& plan : std::as_const(plans).mid(1)) {
        asked.Files += plan.Files;
        shownFolders.append(plan.Folder);
    }
    if (!shownFolders.isEmpty()) {
        asked.Folder = (QStringList{asked.Folder} + shownFolders).join(QStringLiteral(", "));
    }
    const CUserMessage question = encrypt ? FilesEncryptionQuestion(asked) : FilesDecryptionQuestion(asked);
    if (m_services.Messages->Show(question, MessageButtons::YesNo) != MessageResult::Yes) {
        return;
    }
    for (CFolderPlan& plan : plans) {
        AskAboutOutputsInTheWay(*m_services.Messages, plan);
    }
    const QString title =
        (encrypt ? QStringLiteral("Encrypting %1 files") : QStringLiteral("Decrypting %1 files"))
            .arg(asked.Files.size());
    RunFolderTask(title, encrypt, plans);
}

void CPictoriumDoc::OnEncryptDecryptMessage() {
    CEncryptDecryptMessageModel model(PasswordSet, *m_services.Messages, *m_services.Clipboard);
    model.MessageInput = CryMessageIn;
    model.MessageOutput = CryMessageOut;
    model.SaveMessages = CryMessagesInOutSave;
    if (!m_services.Dialogs->RunEncryptDecryptMessage(model)) {
        return;
    }
    CryMessageIn = model.MessageInput;
    CryMessageOut = model.MessageOutput;
    CryMessagesInOutSave = model.SaveMessages;
    SaveSettings();
}

void CPictoriumDoc::OnSettingsPasswords() {
    CPasswordsDialogModel model(PasswordSet);
    if (!m_services.Dialogs->RunPasswords(model)) {
        return;
    }
    const CPasswordSet before = PasswordSet;
    PasswordSet = model.Result();
    SaveSettings();
    emit StateChanged();
    if (PasswordSet.Passwords != before.Passwords) {
        emit PasswordsChanged();
    }
}

} // namespace veilpane
