#include "platform/ExistingFile.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

namespace veilpane {

QString FreeNameBeside(const QString& path, const QString& suffixAfter) {
    const QString name = FileNameOfPath(path);
    const QString folder = path.left(path.size() - name.size());
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot > 0;
    const QString stem = hasExtension ? name.left(dot) : name;
    const QString extension = hasExtension ? name.mid(dot) : QString();
    for (int n = 2;; ++n) {
        const QString candidate =
            folder + QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(extension) + suffixAfter;
        if (!IsNameTaken(candidate)) {
            return candidate;
        }
    }
}

bool IsNameTaken(const QString& path) {
    // A dangling symbolic link is a name in use too.
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

CUserMessage ExistingFileQuestion(const QString& path, const QString& keptAs) {
    return CUserMessage::AppBox(
        QStringLiteral("A file named \"%1\" already exists in\n%2\n\nReplace it, keep "
                       "both (the new file is saved as \"%3\"), or skip this file?")
            .arg(FileNameOfPath(path), QDir::toNativeSeparators(QFileInfo(path).absolutePath()),
                 FileNameOfPath(keptAs)));
}

ExistingFile ExistingFileChoice(MessageResult answer, bool* appliesToAll) {
    if (appliesToAll) {
        *appliesToAll = answer == MessageResult::ReplaceAll || answer == MessageResult::KeepBothAll ||
                        answer == MessageResult::SkipAll;
    }
    switch (answer) {
    case MessageResult::Replace:
    case MessageResult::ReplaceAll:
        return ExistingFile::Replace;
    case MessageResult::KeepBoth:
    case MessageResult::KeepBothAll:
        return ExistingFile::KeepBoth;
    case MessageResult::Skip:
    case MessageResult::SkipAll:
        return ExistingFile::Skip;
    default:
        break;
    }
    return ExistingFile::Refuse;
}

ExistingFile AskAboutExistingFile(CMessageBoxes& boxes, const QString& path, const QString& keptAs,
                                  bool forAll, bool* appliesToAll) {
    const MessageResult answer =
        boxes.Show(ExistingFileQuestion(path, keptAs),
                   forAll ? MessageButtons::ReplaceKeepBothSkipForAll : MessageButtons::ReplaceKeepBothSkip);
    const ExistingFile choice = ExistingFileChoice(answer, appliesToAll);
    return choice == ExistingFile::Refuse ? ExistingFile::Skip : choice;
}

} // namespace veilpane
