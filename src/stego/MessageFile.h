#pragma once

#include "stego/HideEngine.h"

#include <QByteArray>
#include <QString>

namespace veilpane {

// The name a secret message travels under: the list entry's name lower-cased, cut before its last full
// stop, kept to at most 58 bytes (whole UTF-8 characters only, so the payload's name field always holds it)
// and followed by ".txt". The ".txt" makes every reader treat the payload as a message.
QString MessageFileName(const QString& entryName);

// The message file's bytes: the message in UTF-8 with every line feed written as CR LF, and a final CR LF.
QByteArray MessageFileContent(const QString& message);

// Writes the message file into a private temporary folder, hides it as HideFileInImage does, and removes
// the folder whatever the outcome. No file outside that folder is created or touched.
CHideResult HideMessageInImage(CBitmap* image, const QString& entryName, const QString& message,
                               const QByteArray& password, CReportStatistics& statistics,
                               const QDateTime& moment = QDateTime::currentDateTime());

} // namespace veilpane
