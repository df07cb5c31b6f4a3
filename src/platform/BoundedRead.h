#pragma once

#include <QByteArray>
#include <QString>

class QFile;
class QIODevice;

namespace veilpane {

// What a path names. Only a regular file has a size that says how much reading it will take: a device can
// give bytes for ever while it reports a size of 0, and a named pipe waits for a writer.
enum class FileType { Missing, Regular, Folder, Device, Fifo, Socket, Other };

// The type of what path names, following symbolic links.
FileType TypeOfFile(const QString& path);

// "folder", "device", "named pipe", "socket" or "special file", for a message that names what a path is.
QString FileTypeWord(FileType type);

// Opens path for reading when it is a regular file and returns Regular; otherwise returns what it is and
// leaves file closed. The type is taken from the opened file itself, so nothing put in the path's place in
// between is read, and a named pipe is never waited on. A file that exists but cannot be opened gives
// Regular with file closed and its error set.
FileType OpenRegularFile(QFile& file, const QString& path);

// What a bounded read got. TooLong: the device held more than the limit (a file that grows while it is read
// included) and Bytes stops one byte past it. Failed: reading failed; the device's error says why.
struct CBoundedRead {
    QByteArray Bytes;
    bool TooLong = false;
    bool Failed = false;
};

// Reads device to its end, but never more than limit + 1 bytes.
CBoundedRead ReadAtMost(QIODevice& device, qint64 limit);

} // namespace veilpane
