#include "crypto/FolderRun.h"

#include "crypto/CipherProfile.h"
#include "crypto/CryFile.h"
#include "platform/AtomicFile.h"
#include "platform/FolderFiles.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace veilpane {

namespace {

QString Shown(const QString& folder) {
    return QDir::toNativeSeparators(folder);
}

// Reports progress and cancellation around the per-file work of both runs.
class CRunLoop {
public:
    CRunLoop(const CFolderPlan& plan, const CFolderRunHooks& hooks, CFolderRunResult& result)
        : m_hooks(hooks), m_result(result) {
        m_progress.FilesTotal = static_cast<int>(plan.Files.size());
        for (const QString& path : plan.Files) {
            m_progress.BytesTotal += std::max<qint64>(0, QFileInfo(path).size());
        }
        Report();
    }

    bool ShouldStop(int index) {
        if (m_hooks.Cancelled && m_hooks.Cancelled()) {
            m_result.Cancelled = true;
            m_result.NotVisited = m_progress.FilesTotal - index;
            return true;
        }
        return false;
    }

    void Done(qint64 bytes) {
        ++m_progress.FilesDone;
        m_progress.BytesDone += bytes;
        Report();
    }

    void Failed(const QString& path, const QString& text) {
        ++m_result.Failed;
        if (m_hooks.FileFailed) {
            m_hooks.FileFailed(path, text);
        }
    }

private:
    void Report() {
        if (m_hooks.Progress) {
            m_hooks.Progress(m_progress);
        }
    }

    const CFolderRunHooks& m_hooks;
    CFolderRunResult& m_result;
    CFolderProgress m_progress;
};

// What an interrupted earlier run left: its partial outputs under their temporary names.
void RemoveLeftovers(const QString& folder) {
    if (const int removed = RemoveStaleTemporaries(folder, QDateTime::currentDateTime())) {
        LogCipherFailure(
            QStringLiteral("%1: removed %2 temporary files of an interrupted run").arg(folder).arg(removed));
    }
}

} // namespace

QString LowerAscii(const QString& text) {
    QString lowered = text;
    for (QChar& c : lowered) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            c = QChar(c.unicode() + ('a' - 'A'));
        }
    }
    return lowered;
}

QString FolderEncryptedStatus(int count, const QByteArray& password) {
    if (count == 0) {
        return QStringLiteral("Encrypted files: 0");
    }
    return QStringLiteral("%1 files successfully encrypted. Password: %2")
        .arg(count)
        .arg(QString::fromUtf8(password));
}

QString FolderDecryptedStatus(int count, int kept) {
    if (count == 0) {
        return QStringLiteral("No files have been decrypted, wrong password");
    }
    QString text = QStringLiteral("%1 files successfully decrypted").arg(count);
    if (kept > 0) {
        text += QStringLiteral(". The .cry file was kept for %1 of them: more than one password fits it")
                    .arg(kept);
    }
    return text;
}

std::variant<CFolderPlan, CUserMessage> PlanFolderEncryption(const QString& folder, const CPasswordSet& set) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        return CUserMessage::WarningBox(
            QStringLiteral("Folder not found"),
            QStringLiteral("Folder to encrypt not found.\r\nPlease select a valid folder."));
    }
    if (const auto refusal = CheckSelectedPassword(set)) {
        return CUserMessage::AppBox(*refusal);
    }
    CFolderPlan plan{folder, {}, set, set.SelectedPassword()};
    ListFolderFiles(folder, QStringLiteral("*.*"), plan.Files);
    if (plan.Files.isEmpty()) {
        return CUserMessage::AppBox(
            QStringLiteral("The selected folder to encrypt is empty.\n\nFolder: %1").arg(Shown(folder)));
    }
    return plan;
}

std::variant<CFolderPlan, CUserMessage> PlanFolderDecryption(const QString& folder, const CPasswordSet& set) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        return CUserMessage::WarningBox(
            QStringLiteral("Folder not found"),
            QStringLiteral("Folder to decrypt not found.\r\nPlease select a valid folder."));
    }
    if (const auto refusal = CheckDefinedPasswords(set)) {
        return CUserMessage::AppBox(*refusal);
    }
    CFolderPlan plan{folder, {}, set, {}};
    ListFolderFiles(folder, QStringLiteral("*.cry"), plan.Files);
    if (plan.Files.isEmpty()) {
        return CUserMessage::AppBox(
            QStringLiteral("The selected folder doesn't contain encrypted files.\n\nFolder: %1")
                .arg(Shown(folder)));
    }
    return plan;
}

CUserMessage FolderEncryptionQuestion(const CFolderPlan& plan) {
    return CUserMessage::PlainBox(
        QStringLiteral(
            "All files in the folder will be encrypted and the original files will be removed after "
            "encryption.\n\nFolder: %1\nPassword: %2\n\nDo you want to continue with the encryption "
            "process ?")
            .arg(Shown(plan.Folder), QString::fromUtf8(plan.Password)));
}

CFolderRunResult EncryptFolder(const CFolderPlan& plan, const CFolderRunHooks& hooks) {
    CFolderRunResult result;
    RemoveLeftovers(plan.Folder);
    CRunLoop loop(plan, hooks, result);
    const CKeyMaterial material = KeyMaterialFor(plan.Password);
    // Two listed names that differ only in letter case would both become the same lower-cased .cry name;
    // the second must not replace the first's encrypted file.
    QSet<QString> outputs;
    {
        CCommitBatch batch;
        for (int i = 0; i < plan.Files.size(); ++i) {
            if (loop.ShouldStop(i)) {
                break;
            }
            const QString& path = plan.Files[i];
            const CFileIdentity input = IdentityOf(path);
            // The rule looks at the whole lower-cased path, so a folder named like x.crypt encrypts nothing.
            if (LowerAscii(path).contains(QLatin1String(CryExtension))) {
                ++result.Skipped;
                loop.Done(input.Size);
                continue;
            }
            const QString name = FileNameOfPath(path);
            const QString output = EncryptedPathOf(path.left(path.size() - name.size()) + LowerAscii(name));
            QString error;
            CAtomicFile pending(output);
            bool ok = false;
            if (outputs.contains(output)) {
                error =
                    QStringLiteral("%1 would replace %2, written moments ago in this run").arg(path, output);
            } else {
                ok = pending.Open(&error, input.Permissions) &&
                     TransformFile(CryDirection::Encrypt, path, pending, material, &error);
            }
            if (!ok) {
                pending.Discard();
                LogCipherFailure(error);
                loop.Failed(path, FileEncryptionErrorMessage());
                loop.Done(input.Size);
                continue;
            }
            outputs.insert(output);
            batch.Add(std::move(pending), input.Size,
                      [&result, &loop, path, input](bool committed, const QString& why) {
                          if (!committed) {
                              LogCipherFailure(why);
                              loop.Failed(path, FileEncryptionErrorMessage());
                              return;
                          }
                          ++result.Succeeded;
                          if (!RemoveIfSameFile(path, input)) {
                              LogCipherFailure(
                                  QStringLiteral("%1 was encrypted but could not be removed").arg(path));
                          }
                      });
            loop.Done(input.Size);
        }
    }
    result.StatusText = FolderEncryptedStatus(result.Succeeded, plan.Password);
    return result;
}

CFolderRunResult DecryptFolder(const CFolderPlan& plan, const CFolderRunHooks& hooks) {
    CFolderRunResult result;
    RemoveLeftovers(plan.Folder);
    CRunLoop loop(plan, hooks, result);
    const CCryDecryptor decryptor(plan.Set);
    // An output name that is itself one of the listed .cry files (a.cry.cry beside a.cry) would replace a
    // file this run has yet to decrypt, or has decrypted and is about to remove.
    const QSet<QString> listed(plan.Files.cbegin(), plan.Files.cend());
    {
        CCommitBatch batch;
        for (int i = 0; i < plan.Files.size(); ++i) {
            if (loop.ShouldStop(i)) {
                break;
            }
            const QString& path = plan.Files[i];
            const CFileIdentity input = IdentityOf(path);
            const QString output = DecryptedPathOf(path);
            CAtomicFile pending(output);
            CCryDecryptor::CResult decryption;
            if (output.isEmpty()) {
                decryption.Error = QStringLiteral("%1: no file name is left for the output").arg(path);
            } else if (listed.contains(output)) {
                decryption.Error =
                    QStringLiteral("%1 would replace %2, another file of this run").arg(path, output);
            } else {
                decryption = decryptor.Decrypt(path, pending);
            }
            if (!decryption.Ok) {
                pending.Discard();
                LogCipherFailure(decryption.Error);
                loop.Failed(path, FileNotDecryptedStatus());
                loop.Done(input.Size);
                continue;
            }
            const bool keep = decryption.Ambiguous();
            batch.Add(std::move(pending), input.Size,
                      [&result, &loop, path, input, keep](bool committed, const QString& why) {
                          if (!committed) {
                              LogCipherFailure(why);
                              loop.Failed(path, FileNotDecryptedStatus());
                              return;
                          }
                          ++result.Succeeded;
                          if (keep) {
                              ++result.Kept;
                          } else if (!RemoveIfSameFile(path, input)) {
                              LogCipherFailure(
                                  QStringLiteral("%1 was decrypted but could not be removed").arg(path));
                          }
                      });
            loop.Done(input.Size);
        }
    }
    result.StatusText = FolderDecryptedStatus(result.Succeeded, result.Kept);
    return result;
}

} // namespace veilpane
