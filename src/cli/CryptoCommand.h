#pragma once

#include "cli/CliCommand.h"
#include "crypto/FolderRun.h"
#include "crypto/MessageBlock.h"
#include "crypto/PasswordSet.h"
#include "platform/Result.h"

#include <functional>
#include <limits>
#include <optional>

namespace veilpane::cli {

// What the commands that encrypt and decrypt files, folders and messages share: operands and the password
// options, "--" ending the options; the check of the password set before any operand is touched; a run
// per operand; exit status 1 when any run fails.
class CCryptoCommand : public CCliCommand {
public:
    QString Help() const final;
    int Run(const QStringList& args, CCliStreams& io) final;

protected:
    struct COperandCount {
        qsizetype Min;
        qsizetype Max;
        const char* Error; // the usage error for any other number
    };
    // The help before the password options.
    virtual QString HelpIntro() const = 0;
    virtual COperandCount Operands() const = 0;
    // A flag taken from anywhere among the arguments, "--" and option values included, before anything
    // else reads them; empty for none.
    virtual QStringList FlagNames() const { return {}; }
    // Whether the command writes files beside its input and so takes --overwrite and --keep-both.
    virtual bool WritesFiles() const { return false; }
    // Why the set cannot serve this command, as the desktop program says it; nothing when it can or when
    // the run checks the set itself.
    virtual std::optional<QString> PasswordRefusal(const CPasswordSet&) const { return std::nullopt; }
    // For a command that may run on standard input: the most bytes its text may have there, and what the
    // user is told when it has more (no more of it is read).
    virtual qint64 InputLimit() const { return 0; }
    virtual QString InputTooLongMessage() const { return {}; }
    // Runs once per operand; a command that may have none runs once on standard input instead.
    virtual int RunOne(const QString& operand, CCliStreams& io) = 0;

    const CPasswordSet& Set() const { return m_set; }
    bool FlagGiven() const { return m_flag; }
    // What --overwrite or --keep-both said; Refuse for neither.
    ExistingFile Existing() const { return m_existing; }

    // For the file commands: with neither option, reports an output whose name is taken; true when the
    // command may go on.
    bool MayWrite(const QString& output, CCliStreams& io) const;
    // For the folder commands: records the option's answer for every output in the way, or, with neither
    // option, reports them all; true when the run may start.
    bool Decide(CFolderPlan& plan, CCliStreams& io) const;

    // For the file commands: reports a missing file; true when it exists.
    static bool FileExists(const QString& file, CCliStreams& io);
    // The file's report when it was decrypted and its .cry file removed, as nothing else is a success.
    static bool DecryptedCleanly(const CResult<>& result);
    // A folder run with its progress line, interruptible, its failures and its report written.
    static CFolderRunResult RunFolder(CCliStreams& io, const QString& verb,
                                      const std::function<CFolderRunResult(const CFolderRunHooks&)>& run);
    // A message command's end: its refusal or failure on standard error, or its output line.
    static int MessageOutcome(const CMessageResult& result, const QString& failure, const QString& output,
                              CCliStreams& io);

private:
    CPasswordSet m_set;
    bool m_flag = false;
    ExistingFile m_existing = ExistingFile::Refuse;
};

} // namespace veilpane::cli
