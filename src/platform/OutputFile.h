#pragma once

#include "platform/ExistingFile.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QString>

namespace veilpane {

// Where WriteOutputFile put its bytes, or what stopped it.
struct COutputFile {
    QString WrittenPath; // the file written: the path asked for, or the free name beside it (KeepBoth)
    QString InTheWay;    // the name was taken and not to be replaced: the file left as it was
};

// Writes content to path, doing with a file already there what the user chose: Replace writes over it;
// KeepBoth writes under FreeNameBeside; Refuse and Skip write only while the name is free. The content is
// complete on disk before its name appears, and without Replace the name is claimed in the same step, so a
// file that someone else puts there between any check and the write is not replaced either. Done with
// WrittenPath; Refused with InTheWay; Failed with the reason in Detail (a folder in the way is a failure).
CResult<COutputFile> WriteOutputFile(const QString& path, const QByteArray& content, ExistingFile whenTaken);

} // namespace veilpane
