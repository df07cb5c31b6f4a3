#pragma once

#include "platform/MessageBoxes.h"
#include "platform/UserMessage.h"

#include <QString>

namespace veilpane {

// What to do when an output's name is already taken. Nothing is replaced unless the user said so: the
// desktop program asks (Keep both preselected), the terminal program refuses unless told by an option.
enum class ExistingFile {
    Refuse,   // nothing was said: do not write, report the file in the way
    Replace,  // write over it
    KeepBoth, // write under a free name beside it (FreeNameBeside)
    Skip,     // do not write, without an error
};

// The first "name (N).ext" with N = 2, 3, ... such that the path plus suffixAfter names nothing on disk:
// "r.txt" -> "r (2).txt"; with suffixAfter ".cry", "Notes.TXT" -> "Notes (2).TXT.cry", so that the kept
// encrypted file still decrypts to a name of its own. The number goes before the last extension; a name
// without one (or a dot file such as ".profile") gets it at the end. Returns the full path, suffix included.
QString FreeNameBeside(const QString& path, const QString& suffixAfter = {});

// Whether something (a file, a folder, a dangling symbolic link) has the name.
bool IsNameTaken(const QString& path);

// The question asked for one file in the way; keptAs is the free name Keep both would use.
CUserMessage ExistingFileQuestion(const QString& path, const QString& keptAs);

// The question box's answer as a choice; Refuse for an answer of another box (treated as Skip by callers
// that ask). appliesToAll tells whether "Apply to all" was checked.
ExistingFile ExistingFileChoice(MessageResult answer, bool* appliesToAll = nullptr);

// Asks about one file in the way (path, which Keep both would save as keptAs) and gives Replace, KeepBoth
// or Skip. forAll shows the "Apply to all" check box, whose state goes to appliesToAll.
ExistingFile AskAboutExistingFile(CMessageBoxes& boxes, const QString& path, const QString& keptAs,
                                  bool forAll = false, bool* appliesToAll = nullptr);

} // namespace veilpane
