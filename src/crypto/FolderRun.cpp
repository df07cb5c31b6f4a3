#include "crypto/FolderRun.h"

#include "crypto/CipherProfile.h"
#include "crypto/CryFile.h"
#include "platform/AtomicFile.h"
#include "platform/FolderFiles.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <functional>

namespace veilpane {

namespace {

QString Shown(const QString& folder) {
    return QDir::toNativeSeparators(folder);
}

// What an interrupted earlier run left: its partial outputs under their temporary names.
void RemoveLeftovers(const QString& folder) {
    if (const int removed = RemoveStaleTemporaries(folder, QDateTime::currentDateTime())) {
        LogCipherFailure(
            QStringLiteral("%1: removed %2 temporary files of an interrupted run").arg(folder).arg(removed));
    }
}

QString EncryptionOutputOf(const QString& path) {
    const QString name = FileNameOfPath(path);
    return EncryptedPathOf(path.left(path.size() - name.size()) + LowerAscii(name));
}

// The rule looks at the whole lower-cased path, so a folder named like x.crypt encrypts nothing.
bool EncryptionSkips(const QString& path) {
    return LowerAscii(path).contains(QLatin1String(CryExtension));
}

// The listed files whose output's name is taken now; outputOf gives an empty name for a file the run
// leaves alone whatever is there.
QList<COutputInTheWay> OutputsInTheWay(const QStringList& files,
                                       const std::function<QString(const QString&)>& outputOf,
                                       const QString& keptSuffix) {
    QList<COutputInTheWay> inTheWay;
    for (const QString& file : files) {
        const QString output = outputOf(file);
        if (!output.isEmpty() && IsNameTaken(output)) {
            inTheWay.append({file, output,
                             FreeNameBeside(output.left(output.size() - keptSuffix.size()), keptSuffix),
                             ExistingFile::Refuse});
        }
    }
    // The listing comes in the directory's order; the user meets them by name.
    std::sort(inTheWay.begin(), inTheWay.end(),
              [](const COutputInTheWay& a, const COutputInTheWay& b) { return a.File < b.File; });
    return inTheWay;
}

// What sets the two directions of a run apart; the loop around them (progress, cancellation, the atomic
// write, the removal of the replaced file, the counts) is one.
struct CRunDirection {
    // A file the run leaves alone, counted as skipped.
    std::function<bool(const QString& path)> Skips;
    std::function<QString(const QString& path)> OutputOf;
    QString KeptSuffix; // what follows the number of a free name: ".cry" for encryption
    // Writes the file's conversion into pending (not yet open): Done when the input may go once the output
    // is in place, Partial when it must stay, Failed with the reason for the log.
    std::function<CResult<>(const QString& path, const CFileIdentity& input, CAtomicFile& pending)> Convert;
    QString FailureText; // told through the FileFailed hook
    QString Converted;   // "encrypted" or "decrypted", for the log
    std::function<QString(const CFolderCounts&)> Status;
};

CFolderRunResult RunFolder(const CFolderPlan& plan, const CFolderRunHooks& hooks,
                           const CRunDirection& direction) {
    RemoveLeftovers(plan.Folder);
    CFolderCounts counts;
    CFolderProgress progress;
    progress.FilesTotal = static_cast<int>(plan.Files.size());
    for (const QString& path : plan.Files) {
        progress.BytesTotal += std::max<qint64>(0, QFileInfo(path).size());
    }
    const auto report = [&hooks, &progress] {
        if (hooks.Progress) {
            hooks.Progress(progress);
        }
    };
    const auto failed = [&hooks, &counts, &direction](const QString& path) {
        ++counts.Failed;
        if (hooks.FileFailed) {
            hooks.FileFailed(path, direction.FailureText);
        }
    };
    QHash<QString, ExistingFile> choices;
    for (const COutputInTheWay& output : plan.InTheWay) {
        choices.insert(output.File, output.Choice);
    }
    report();
    bool cancelled = false;
    {
        CCommitBatch batch;
        for (int i = 0; i < plan.Files.size(); ++i) {
            if (hooks.Cancelled && hooks.Cancelled()) {
                cancelled = true;
                counts.NotVisited = progress.FilesTotal - i;
                break;
            }
            const QString& path = plan.Files[i];
            const CFileIdentity input = IdentityOf(path);
            const ExistingFile choice = choices.value(path, ExistingFile::Refuse);
            if (direction.Skips && direction.Skips(path)) {
                ++counts.Skipped;
            } else if (choice == ExistingFile::Skip) {
                ++counts.InTheWay;
            } else {
                CAtomicFile pending(direction.OutputOf(path));
                const bool replacing = choice == ExistingFile::Replace;
                if (!replacing) {
                    pending.KeepExisting(direction.KeptSuffix);
                }
                const CResult<> conversion = direction.Convert(path, input, pending);
                if (conversion.Ok()) {
                    const bool keep = conversion.Outcome == Outcome::Partial;
                    const QString output = pending.TargetPath();
                    batch.Add(std::move(pending), input.Size,
                              [&counts, &failed, &direction, path, input, keep, replacing,
                               output](bool committed, const QString& why, const QString& committedAs) {
                                  if (!committed) {
                                      LogCipherFailure(why);
                                      failed(path);
                                      return;
                                  }
                                  ++counts.Succeeded;
                                  if (replacing) {
                                      ++counts.Replaced;
                                  } else if (committedAs != output) {
                                      ++counts.KeptBeside;
                                  }
                                  if (keep) {
                                      ++counts.Kept;
                                  } else if (!RemoveIfSameFile(path, input)) {
                                      LogCipherFailure(QStringLiteral("%1 was %2 but could not be removed")
                                                           .arg(path, direction.Converted));
                                  }
                              });
                } else {
                    pending.Discard();
                    LogCipherFailure(conversion.Detail);
                    failed(path);
                }
            }
            ++progress.FilesDone;
            progress.BytesDone += input.Size;
            report();
        }
    }
    CFolderRunResult result;
    result.Outcome = cancelled           ? Outcome::Cancelled
                     : counts.Failed > 0 ? Outcome::Failed
                     : counts.Kept > 0   ? Outcome::Partial
                                         : Outcome::Done;
    result.Value = counts;
    result.StatusText = direction.Status(counts);
    return result;
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

QString FolderInTheWaySummary(const CFolderCounts& counts) {
    QStringList parts;
    if (counts.Replaced > 0) {
        parts << QStringLiteral("%1 replaced").arg(counts.Replaced);
    }
    if (counts.KeptBeside > 0) {
        parts << QStringLiteral("%1 kept beside").arg(counts.KeptBeside);
    }
    if (counts.InTheWay > 0) {
        parts << QStringLiteral("%1 skipped").arg(counts.InTheWay);
    }
    return parts.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(parts.join(QStringLiteral(", ")));
}

CResult<CFolderPlan> PlanFolderEncryption(const QString& folder, const CPasswordSet& set) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        return CResult<CFolderPlan>::Refused(CUserMessage::WarningBox(
            QStringLiteral("Folder not found"),
            QStringLiteral("Folder to encrypt not found.\r\nPlease select a valid folder.")));
    }
    if (const auto refusal = CheckSelectedPassword(set)) {
        return CResult<CFolderPlan>::Refused(CUserMessage::AppBox(*refusal));
    }
    CFolderPlan plan{folder, {}, set, set.SelectedPassword(), {}};
    ListFolderFiles(folder, QStringLiteral("*.*"), plan.Files);
    if (plan.Files.isEmpty()) {
        return CResult<CFolderPlan>::Refused(CUserMessage::AppBox(
            QStringLiteral("The selected folder to encrypt is empty.\n\nFolder: %1").arg(Shown(folder))));
    }
    plan.InTheWay = OutputsInTheWay(
        plan.Files,
        [](const QString& path) { return EncryptionSkips(path) ? QString() : EncryptionOutputOf(path); },
        QLatin1String(CryExtension));
    return CResult<CFolderPlan>::Done(std::move(plan));
}

CResult<CFolderPlan> PlanFolderDecryption(const QString& folder, const CPasswordSet& set) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        return CResult<CFolderPlan>::Refused(CUserMessage::WarningBox(
            QStringLiteral("Folder not found"),
            QStringLiteral("Folder to decrypt not found.\r\nPlease select a valid folder.")));
    }
    if (const auto refusal = CheckDefinedPasswords(set)) {
        return CResult<CFolderPlan>::Refused(CUserMessage::AppBox(*refusal));
    }
    CFolderPlan plan{folder, {}, set, {}, {}};
    ListFolderFiles(folder, QStringLiteral("*.cry"), plan.Files);
    if (plan.Files.isEmpty()) {
        return CResult<CFolderPlan>::Refused(CUserMessage::AppBox(
            QStringLiteral("The selected folder doesn't contain encrypted files.\n\nFolder: %1")
                .arg(Shown(folder))));
    }
    // An output that is itself a listed file is not in the way: the run refuses it on its own.
    const QSet<QString> listed(plan.Files.cbegin(), plan.Files.cend());
    plan.InTheWay = OutputsInTheWay(
        plan.Files,
        [&listed](const QString& path) {
            const QString output = DecryptedPathOf(path);
            return listed.contains(output) ? QString() : output;
        },
        QString());
    return CResult<CFolderPlan>::Done(std::move(plan));
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
    const CKeyMaterial material = KeyMaterialFor(plan.Password);
    // Two listed names that differ only in letter case would both become the same lower-cased .cry name;
    // the second must not replace the first's encrypted file.
    QSet<QString> outputs;
    CRunDirection direction;
    direction.Skips = &EncryptionSkips;
    direction.OutputOf = &EncryptionOutputOf;
    direction.KeptSuffix = QLatin1String(CryExtension);
    direction.Convert = [&material, &outputs](const QString& path, const CFileIdentity& input,
                                              CAtomicFile& pending) {
        const QString& output = pending.TargetPath();
        if (outputs.contains(output)) {
            return CResult<>::Failed(
                std::nullopt,
                QStringLiteral("%1 would replace %2, written moments ago in this run").arg(path, output));
        }
        QString error;
        if (!pending.Open(&error, input.Permissions)) {
            return CResult<>::Failed(std::nullopt, error);
        }
        CResult<> encryption = TransformFile(CryDirection::Encrypt, path, pending, material);
        if (encryption.Ok()) {
            outputs.insert(output);
        }
        return encryption;
    };
    direction.FailureText = FileEncryptionErrorMessage();
    direction.Converted = QStringLiteral("encrypted");
    direction.Status = [&plan](const CFolderCounts& counts) {
        return FolderEncryptedStatus(counts.Succeeded, plan.Password) + FolderInTheWaySummary(counts);
    };
    return RunFolder(plan, hooks, direction);
}

CFolderRunResult DecryptFolder(const CFolderPlan& plan, const CFolderRunHooks& hooks) {
    const CCryDecryptor decryptor(plan.Set);
    // An output name that is itself one of the listed .cry files (a.cry.cry beside a.cry) would replace a
    // file this run has yet to decrypt, or has decrypted and is about to remove.
    const QSet<QString> listed(plan.Files.cbegin(), plan.Files.cend());
    CRunDirection direction;
    direction.OutputOf = &DecryptedPathOf;
    direction.Convert = [&decryptor, &listed](const QString& path, const CFileIdentity&,
                                              CAtomicFile& pending) {
        const QString& output = pending.TargetPath();
        if (output.isEmpty()) {
            return CResult<>::Failed(std::nullopt,
                                     QStringLiteral("%1: no file name is left for the output").arg(path));
        }
        if (listed.contains(output)) {
            return CResult<>::Failed(
                std::nullopt,
                QStringLiteral("%1 would replace %2, another file of this run").arg(path, output));
        }
        return CResult<>::From(decryptor.Decrypt(path, pending));
    };
    direction.FailureText = FileNotDecryptedStatus();
    direction.Converted = QStringLiteral("decrypted");
    direction.Status = [](const CFolderCounts& counts) {
        return FolderDecryptedStatus(counts.Succeeded, counts.Kept) + FolderInTheWaySummary(counts);
    };
    return RunFolder(plan, hooks, direction);
}

} // namespace veilpane
