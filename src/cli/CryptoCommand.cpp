#include "cli/CryptoCommand.h"

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/PasswordOptions.h"
#include "crypto/CryFile.h"
#include "crypto/FolderRun.h"
#include "crypto/MessageBlock.h"

#include <QFileInfo>

namespace veilpane::cli {

QString CCryptoCommand::Help() const {
    return HelpIntro() + (WritesFiles() ? CExistingFileOptions::HelpText() : QString()) +
           CPasswordOptions::HelpText();
}

int CCryptoCommand::Run(const QStringList& args, CCliStreams& io) {
    QStringList rest = args;
    if (const QStringList names = FlagNames(); !names.isEmpty()) {
        CCommandLine flags;
        flags.AddOption(names);
        flags.Parse(args);
        m_flag = flags.IsSet(names.first());
        rest = flags.Rest();
    }
    CCommandLine line(CCommandLine::DoubleDashEndsOptions);
    CPasswordOptions::AddTo(line);
    if (WritesFiles()) {
        CExistingFileOptions::AddTo(line);
    }
    line.Parse(rest);
    CPasswordOptions passwords(&io.In);
    if (const QString error = passwords.ReadAll(line); !error.isEmpty()) {
        return UsageError(io, Name(), error);
    }
    if (WritesFiles()) {
        QString error;
        m_existing = CExistingFileOptions::Read(line, &error);
        if (!error.isEmpty()) {
            return UsageError(io, Name(), error);
        }
    }
    const QStringList operands = line.Operands();
    const COperandCount count = Operands();
    if (operands.size() < count.Min || operands.size() > count.Max) {
        return UsageError(io, Name(), QString::fromUtf8(count.Error));
    }
    if (operands.isEmpty() && passwords.ReadStandardInput()) {
        return UsageError(
            io, Name(),
            QStringLiteral("standard input already gave the passwords: give the text as an argument"));
    }
    m_set = passwords.Set();
    if (const auto refusal = PasswordRefusal(m_set)) {
        PrintMessage(io, CUserMessage::AppBox(*refusal));
        return ExitFailure;
    }
    if (operands.isEmpty()) {
        const std::optional<QByteArray> input = ReadInput(io, InputLimit());
        if (!input) {
            PrintMessage(io, CUserMessage::AppBox(InputTooLongMessage()));
            return ExitFailure;
        }
        return RunOne(QString::fromUtf8(*input), io);
    }
    int status = ExitOk;
    for (const QString& operand : operands) {
        if (RunOne(operand, io) != ExitOk) {
            status = ExitFailure;
        }
    }
    return status;
}

bool CCryptoCommand::FileExists(const QString& file, CCliStreams& io) {
    if (QFileInfo::exists(file)) {
        return true;
    }
    PrintError(io, QStringLiteral("%1: no such file").arg(file));
    return false;
}

bool CCryptoCommand::MayWrite(const QString& output, CCliStreams& io) const {
    if (m_existing == ExistingFile::Refuse && IsNameTaken(output)) {
        PrintError(io, CExistingFileOptions::InTheWayError({output}));
        return false;
    }
    return true;
}

bool CCryptoCommand::Decide(CFolderPlan& plan, CCliStreams& io) const {
    if (m_existing == ExistingFile::Refuse && !plan.InTheWay.isEmpty()) {
        QStringList paths;
        for (const COutputInTheWay& output : plan.InTheWay) {
            paths << output.Output;
        }
        PrintError(io, CExistingFileOptions::InTheWayError(paths));
        return false;
    }
    for (COutputInTheWay& output : plan.InTheWay) {
        output.Choice = m_existing;
    }
    return true;
}

bool CCryptoCommand::DecryptedCleanly(const CResult<>& result) {
    return result.Outcome == Outcome::Done;
}

CFolderRunResult
CCryptoCommand::RunFolder(CCliStreams& io, const QString& verb,
                          const std::function<CFolderRunResult(const CFolderRunHooks&)>& run) {
    CInterruptGuard interrupt;
    CFolderRunResult result;
    {
        CProgressLine progress(io, verb);
        CFolderRunHooks hooks;
        hooks.Progress = [&progress](const CFolderProgress& p) {
            progress.Show(p.FilesDone, p.FilesTotal, p.BytesDone, p.BytesTotal);
        };
        hooks.Cancelled = &CInterruptGuard::Interrupted;
        hooks.FileFailed = [&io](const QString& path, const QString& text) {
            PrintError(io, QStringLiteral("%1: %2").arg(PrintableName(path), text));
        };
        hooks.FileReported = hooks.FileFailed;
        result = run(hooks);
    }
    if (result.Outcome == Outcome::Refused) {
        if (result.Message) {
            PrintMessage(io, *result.Message);
        }
        return result;
    }
    io.Out << result.StatusText << '\n';
    if (result.Outcome == Outcome::Cancelled) {
        PrintError(io, QStringLiteral("interrupted; %1 files were not visited").arg(result.Value.NotVisited));
    }
    return result;
}

int CCryptoCommand::MessageOutcome(const CMessageResult& result, const QString& failure,
                                   const QString& output, CCliStreams& io) {
    if (result.Outcome == Outcome::Refused) {
        PrintMessage(io, *result.Message);
        return ExitFailure;
    }
    if (!result.Ok()) {
        PrintError(io, failure);
        return ExitFailure;
    }
    io.Out << output << '\n';
    return ExitOk;
}

} // namespace veilpane::cli
