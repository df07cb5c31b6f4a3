#pragma once

#include "crypto/PasswordSet.h"
#include "platform/ExistingFile.h"
#include "platform/Result.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace veilpane {

// A listed file whose output's name was already taken when the run was planned.
struct COutputInTheWay {
    QString File;   // the listed file
    QString Output; // the name its output would be written under
    QString KeptAs; // the free name Keep both would use, as the folder stood when planned
    ExistingFile Choice = ExistingFile::Refuse;
};

// What a folder run works on, fixed before the first file: the folder, its file list (taken once, so files
// made during the run are not visited) and the password set with, for encryption, the selected password.
struct CFolderPlan {
    QString Folder;
    QStringList Files;
    CPasswordSet Set;
    QByteArray Password; // encryption only
    // The outputs in the way, sorted by the listed file's name; the caller records what to do with each in
    // Choice, before the run (a run cannot stop to ask). Only Replace writes over a file, only Skip leaves
    // the file alone; with any other choice, and for a name taken only during the run, the output goes beside
    // the file in the way under a free name.
    QList<COutputInTheWay> InTheWay;
    // Files whose names are not valid UTF-8, as shown (UndecodableFolderFiles): reported, not converted.
    QStringList Undecodable = {};
};

// The checks made before a run, in the order the user meets them: Done with the plan, or Refused with the
// message to show.
CResult<CFolderPlan> PlanFolderEncryption(const QString& folder, const CPasswordSet& set);
CResult<CFolderPlan> PlanFolderDecryption(const QString& folder, const CPasswordSet& set);
// The Yes/No question asked before an encryption run removes the plain files.
CUserMessage FolderEncryptionQuestion(const CFolderPlan& plan);
// A run over some files of one folder (chosen in the list, or dropped), with the same checks. Only the
// regular files among paths that lie in folder are taken; Refused when none is left.
CResult<CFolderPlan> PlanFilesEncryption(const QString& folder, const QStringList& paths,
                                         const CPasswordSet& set);
CResult<CFolderPlan> PlanFilesDecryption(const QString& folder, const QStringList& paths,
                                         const CPasswordSet& set);
// The Yes/No questions asked before such a run removes what it converted.
CUserMessage FilesEncryptionQuestion(const CFolderPlan& plan);
CUserMessage FilesDecryptionQuestion(const CFolderPlan& plan);

struct CFolderProgress {
    int FilesDone = 0;
    int FilesTotal = 0;
    qint64 BytesDone = 0;
    qint64 BytesTotal = 0;
};

struct CFolderRunHooks {
    std::function<void(const CFolderProgress&)> Progress; // after each file
    std::function<bool()> Cancelled;                      // asked before each file
    // A file that could not be converted and stays as it was. For encryption the text is "File encryption
    // error.", which the desktop program shows as a message box; a decryption failure is reported there
    // only through the final counts.
    std::function<void(const QString& path, const QString& text)> FileFailed;
    // A file the user should look at, with the reason: it changed during the run and was kept, its name
    // could not be used, or (encryption) its plain content is still reachable through another hard link.
    std::function<void(const QString& path, const QString& text)> FileReported;
};

struct CFolderCounts {
    int Succeeded = 0;   // converted; the counter of the status text
    int Failed = 0;      // left as they were
    int Skipped = 0;     // encryption: ".cry" somewhere in the lower-cased path
    int Kept = 0;        // decryption: decrypted, but the .cry file kept because several passwords fit
    int NotVisited = 0;  // cancelled before these were reached
    int Replaced = 0;    // converted over a file in the way, as chosen
    int KeptBeside = 0;  // converted under a free name beside a file in the way
    int InTheWay = 0;    // left alone: their output's name was taken and the choice was Skip
    int Changed = 0;     // written to during the run, so kept as they are (in Succeeded if converted)
    int Undecodable = 0; // names that are not valid UTF-8: not converted
    int HardLinked = 0;  // encrypted, but another hard link still shows the plain content (in Succeeded)
};

// A run always gives its counts and its status text. The outcome is Refused, with the message to show,
// when another run holds the folder (nothing was done); Cancelled when the user stopped it; otherwise
// Failed when a file stayed as it was (failed, changed during the run or badly named); otherwise Partial
// when a .cry file was kept or a plain copy stays reachable through a hard link; otherwise Done.
using CFolderRunResult = CResult<CFolderCounts>;

// Encrypts every listed file into "<name>.cry" beside it and removes the plain file once its encrypted
// file is safely in place, unless it was written to meanwhile.
CFolderRunResult EncryptFolder(const CFolderPlan& plan, const CFolderRunHooks& hooks = {});
// Decrypts every listed .cry file with the first password that opens it and removes the .cry file, unless
// more than one password passes the padding check.
CFolderRunResult DecryptFolder(const CFolderPlan& plan, const CFolderRunHooks& hooks = {});

// Letters A to Z become a to z; nothing else changes.
QString LowerAscii(const QString& text);

QString FolderEncryptedStatus(int count, const QByteArray& password);
QString FolderDecryptedStatus(int count, int kept);
// What the status text of a run ends with when files were in the way, such as " (2 replaced, 1 kept beside,
// 1 skipped)"; empty when none were.
QString FolderInTheWaySummary(const CFolderCounts& counts);
// What a run's status adds after its counter, when anything was skipped, changed or reported: empty, or
// sentences that each begin with ". ".
QString FolderRunNotes(const CFolderCounts& counts, bool encrypt);
QString FolderBusyMessage(const QString& folder);
// The one box the desktop program shows after a run for the files it failed or reported, one line
// "name: reason" each; a long list is cut short with how many more there are.
CUserMessage FolderRunReportMessage(const QString& folder, const QStringList& lines);

} // namespace veilpane
