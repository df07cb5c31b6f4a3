#include "crypto/FolderRun.h"

#include "crypto/CipherProfile.h"
#include "crypto/CryFile.h"
#include "platform/AtomicFile.h"
#include "platform/FolderFiles.h"
#include "platform/FolderLock.h"
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

// The real name: on a case-sensitive disk, Notes.TXT and notes.txt are two files with two .cry files.
QString EncryptionOutputOf(const QString& path) {
    return EncryptedPathOf(path);
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
    QString FailureText;       // told through the FileFailed hook
    QString Converted;         // "encrypted" or "decrypted", for the log and the reports
    bool ReportsLinks = false; // a plain file's other hard links keep its content readable
    std::function<QString(const CFolderCounts&)> Status;
};

QString ChangedText(const QString& output) {
    return output.isEmpty()
               ? QStringLiteral("written to during the run, so it was left as it is")
               : QStringLiteral(
                     "written to during the run, so it was kept; %1 beside it holds its content as "
                     "it was read")
                     .arg(QFileInfo(output).fileName());
}

CFolderRunResult RunFolder(const CFolderPlan& plan, const CFolderRunHooks& hooks,
                           const CRunDirection& direction) {
    // Held until the run ends; taken before the leftovers go, which could otherwise be another run's
    // outputs in progress.
    const CFolderLock lock(plan.Folder);
    if (lock.Busy()) {
        return CFolderRunResult::Refused(CUserMessage::AppBox(FolderBusyMessage(plan.Folder)));
    }
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
    const auto noted = [&hooks](int& count, const QString& path, const QString& text) {
        ++count;
        if (hooks.FileReported) {
            hooks.FileReported(path, text);
        }
    };
    for (const QString& path : plan.Undecodable) {
        if (direction.Skips && direction.Skips(path)) {
            ++counts.Skipped;
        } else {
            noted(counts.Undecodable, path,
                  QStringLiteral("not %1: its name is not valid UTF-8; give it a new name and run again")
                      .arg(direction.Converted));
        }
    }
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
            const bool skipped = direction.Skips && direction.Skips(path);
            // A file about to be read waits out the clock tick of a change made moments ago.
            const CFileIdentity input = skipped ? IdentityOf(path) : IdentityBeforeReading(path);
            const ExistingFile choice = choices.value(path, ExistingFile::Refuse);
            if (skipped) {
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
                              [&counts, &failed, &noted, &direction, path, input, keep, replacing,
                               output](bool committed, const QString& why, const QString& committedAs) {
                                  if (!committed) {
                                      LogCipherFailure(why);
                                      if (ChangedDuringRun(path, input)) {
                                          noted(counts.Changed, path, ChangedText({}));
                                      } else {
                                          failed(path);
                                      }
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
                                  } else if (RemoveIfSameFile(path, input)) {
                                      if (direction.ReportsLinks && input.Links > 1) {
                                          const quint64 others = input.Links - 1;
                                          noted(counts.HardLinked, path,
                                                QStringLiteral("encrypted, but the plain content is still "
                                                               "readable through %1 other hard link%2 to it")
                                                    .arg(others)
                                                    .arg(others == 1 ? "" : "s"));
                                      }
                                  } else if (ChangedDuringRun(path, input)) {
                                      noted(counts.Changed, path, ChangedText(committedAs));
                                  } else {
                                      LogCipherFailure(QStringLiteral("%1 was %2 but could not be removed")
                                                           .arg(path, direction.Converted));
                                  }
                              });
                } else {
                    pending.Discard();
                    LogCipherFailure(conversion.Detail);
                    if (ChangedDuringRun(path, input)) {
                        noted(counts.Changed, path, ChangedText({}));
                    } else {
                        failed(path);
                    }
                }
            }
            ++progress.FilesDone;
            progress.BytesDone += std::max<qint64>(0, input.Size);
            report();
        }
    }
    CFolderRunResult result;
    result.Outcome = cancelled                                                 ? Outcome::Cancelled
                     : counts.Failed + counts.Changed + counts.Undecodable > 0 ? Outcome::Failed
                     : counts.Kept + counts.HardLinked > 0                     ? Outcome::Partial
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

QString FolderRunNotes(const CFolderCounts& counts, bool encrypt) {
    const auto files = [](int count) {
        return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
    };
    QString notes;
    if (counts.Changed > 0) {
        notes +=
            QStringLiteral(". %1 written to during the run, kept as they are").arg(files(counts.Changed));
    }
    if (counts.Undecodable > 0) {
        notes += QStringLiteral(". %1 not %2: names that are not valid UTF-8")
                     .arg(files(counts.Undecodable),
                          encrypt ? QStringLiteral("encrypted") : QStringLiteral("decrypted"));
    }
    if (counts.Skipped > 0) {
        notes += QStringLiteral(". %1 skipped: \".cry\" in the path").arg(files(counts.Skipped));
    }
    if (counts.HardLinked > 0) {
        notes +=
            QStringLiteral(". %1 still readable through another hard link").arg(files(counts.HardLinked));
    }
    return notes;
}

QString FolderBusyMessage(const QString& folder) {
    return QStringLiteral("Another run is encrypting or decrypting the folder %1.\n\nNothing was changed. "
                          "Try again when that run has finished.")
        .arg(Shown(folder));
}

CUserMessage FolderRunReportMessage(const QString& folder, const QStringList& lines) {
    constexpr int MaxListed = 20;
    QString text = QStringLiteral("Some files of the folder %1 were not converted, or need a look:\n")
                       .arg(Shown(folder));
    for (const QString& line : lines.mid(0, MaxListed)) {
        text += QLatin1Char('\n') + line;
    }
    if (lines.size() > MaxListed) {
        text += QStringLiteral("\n... and %1 more").arg(lines.size() - MaxListed);
    }
    return CUserMessage::WarningBox(QStringLiteral("Folder run"), text);
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
    if (CFolderLock(folder).Busy()) {
        return CResult<CFolderPlan>::Refused(CUserMessage::AppBox(FolderBusyMessage(folder)));
    }
    CFolderPlan plan{folder, {}, set, set.SelectedPassword(), {}};
    ListFolderFiles(folder, QStringLiteral("*.*"), plan.Files);
    plan.Undecodable = UndecodableFolderFiles(folder, QStringLiteral("*.*"));
    if (plan.Files.isEmpty() && plan.Undecodable.isEmpty()) {
        return CResult<CFolderPlan>::Refused(CUserMessage::AppBox(
            QStringLiteral("The selected folder to encrypt is empty.\n\nFolder: %1").arg(Shown(folder))));
    }
    plan.InTheWay = OutputsInTheWay(
        plan.Files,
        [](const QString& path) { return EncryptionSkips(path) ? QString() : EncryptionOutputOf(path); },
        QLatin1String(CryExtension));
    return CResult<CFolderPlan>::Done(std::move(plan));
}

namespace {

// An output that is itself a listed file is not in the way: the run refuses it on its own.
QList<COutputInTheWay> DecryptionOutputsInTheWay(const QStringList& files) {
    const QSet<QString> listed(files.cbegin(), files.cend());
    return OutputsInTheWay(
        files,
        [&listed](const QString& path) {
            const QString output = DecryptedPathOf(path);
            return listed.contains(output) ? QString() : output;
        },
        QString());
}

} // namespace

CResult<CFolderPlan> PlanFolderDecryption(const QString& folder, const CPasswordSet& set) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        return CResult<CFolderPlan>::Refused(CUserMessage::WarningBox(
            QStringLiteral("Folder not found"),
            QStringLiteral("Folder to decrypt not found.\r\nPlease select a valid folder.")));
    }
    if (const auto refusal = CheckDefinedPasswords(set)) {
        return CResult<CFolderPlan>::Refused(CUserMessage::AppBox(*refusal));
    }
    if (CFolderLock(folder).Busy()) {
        return CResult<CFolderPlan>::Refused(CUserMessage::AppBox(FolderBusyMessage(folder)));
    }
    CFolderPlan plan{folder, {}, set, {}, {}};
    ListFolderFiles(folder, QStringLiteral("*.cry"), plan.Files);
    plan.Undecodable = UndecodableFolderFiles(folder, QStringLiteral("*.cry"));
    if (plan.Files.isEmpty() && plan.Undecodable.isEmpty()) {
        return CResult<CFolderPlan>::Refused(CUserMessage::AppBox(
            QStringLiteral("The selected folder doesn't contain encrypted files.\n\nFolder: %1")
                .arg(Shown(folder))));
    }
    plan.InTheWay = DecryptionOutputsInTheWay(plan.Files);
    return CResult<CFolderPlan>::Done(std::move(plan));
}

namespace {

// The regular files of paths that are in folder, neither links nor dot-files, as a folder listing gives
// them.
QStringList FilesInFolder(const QString& folder, const QStringList& paths) {
    QStringList files;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (QDir::cleanPath(info.absolutePath()) == QDir::cleanPath(folder) && info.isFile() &&
            !info.isSymLink() && !info.fileName().startsWith(QLatin1Char('.')) &&
            !files.contains(info.absoluteFilePath())) {
            files.append(info.absoluteFilePath());
        }
    }
    return files;
}

CResult<CFolderPlan> NothingToConvert() {
    return CResult<CFolderPlan>::Refused(
        CUserMessage::AppBox(QStringLiteral("None of the chosen files can be converted.")));
}

QString FilesCount(qsizetype count) {
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

} // namespace

CResult<CFolderPlan> PlanFilesEncryption(const QString& folder, const QStringList& paths,
                                         const CPasswordSet& set) {
    if (const auto refusal = CheckSelectedPassword(set)) {
        return CResult<CFolderPlan>::Refused(CUserMessage::AppBox(*refusal));
    }
    if (CFolderLock(folder).Busy()) {
        return CResult<CFolderPlan>::Refused(CUserMessage::AppBox(FolderBusyMessage(folder)));
    }
    CFolderPlan plan{folder, FilesInFolder(folder, paths), set, set.SelectedPassword(), {}};
    plan.Files.removeIf(EncryptionSkips);
    if (plan.Files.isEmpty()) {
        return NothingToConvert();
    }
    plan.InTheWay = OutputsInTheWay(plan.Files, EncryptionOutputOf, QLatin1String(CryExtension));
    return CResult<CFolderPlan>::Done(std::move(plan));
}

CResult<CFolderPlan> PlanFilesDecryption(const QString& folder, const QStringList& paths,
                                         const CPasswordSet& set) {
    if (const auto refusal = CheckDefinedPasswords(set)) {
        return CResult<CFolderPlan>::Refused(CUserMessage::AppBox(*refusal));
    }
    if (CFolderLock(folder).Busy()) {
        return CResult<CFolderPlan>::Refused(CUserMessage::AppBox(FolderBusyMessage(folder)));
    }
    CFolderPlan plan{folder, FilesInFolder(folder, paths), set, {}, {}};
    plan.Files.removeIf([](const QString& path) {
        return !path.endsWith(QLatin1String(CryExtension), Qt::CaseInsensitive) ||
               DecryptedPathOf(path).isEmpty();
    });
    if (plan.Files.isEmpty()) {
        return NothingToConvert();
    }
    plan.InTheWay = DecryptionOutputsInTheWay(plan.Files);
    return CResult<CFolderPlan>::Done(std::move(plan));
}

CUserMessage FilesEncryptionQuestion(const CFolderPlan& plan) {
    return CUserMessage::PlainBox(
        QStringLiteral("%1 will be encrypted and the original files will be removed after encryption.\n\n"
                       "Folder: %2\nPassword: %3\n\nDo you want to continue with the encryption process ?")
            .arg(FilesCount(plan.Files.size()), Shown(plan.Folder), QString::fromUtf8(plan.Password)));
}

CUserMessage FilesDecryptionQuestion(const CFolderPlan& plan) {
    return CUserMessage::PlainBox(
        QStringLiteral("%1 will be decrypted and each .cry file will be removed after decryption.\n\n"
                       "Folder: %2\n\nDo you want to continue with the decryption process ?")
            .arg(FilesCount(plan.Files.size()), Shown(plan.Folder)));
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
    CRunDirection direction;
    direction.Skips = &EncryptionSkips;
    direction.OutputOf = &EncryptionOutputOf;
    direction.KeptSuffix = QLatin1String(CryExtension);
    direction.Convert = [&material](const QString& path, const CFileIdentity& input, CAtomicFile& pending) {
        QString error;
        if (!pending.Open(&error, input.Permissions)) {
            return CResult<>::Failed(std::nullopt, error);
        }
        return TransformFile(CryDirection::Encrypt, path, pending, material);
    };
    direction.FailureText = FileEncryptionErrorMessage();
    direction.Converted = QStringLiteral("encrypted");
    direction.ReportsLinks = true;
    direction.Status = [&plan](const CFolderCounts& counts) {
        return FolderEncryptedStatus(counts.Succeeded, plan.Password) + FolderInTheWaySummary(counts) +
               FolderRunNotes(counts, true);
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
        return FolderDecryptedStatus(counts.Succeeded, counts.Kept) + FolderInTheWaySummary(counts) +
               FolderRunNotes(counts, false);
    };
    return RunFolder(plan, hooks, direction);
}

} // namespace veilpane
