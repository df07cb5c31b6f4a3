#pragma once

#include "crypto/PasswordSet.h"
#include "platform/Bitmap.h"
#include "platform/ExistingFile.h"
#include "platform/Result.h"
#include "stego/PayloadFormat.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace veilpane {

// Where an extraction puts what it finds.
enum class HiddenOutput : int {
    TempImage = 1, // a file named after the payload in the caller's private temporary folder
    Folder = 2,    // a file named after the payload in the current folder
    Text = 3,      // no file: the moment of hiding, an empty line and the content, as text
};

// A payload header that one password of the set opened.
struct CFoundHeader {
    CPayloadHeader Header;
    int PasswordIndex = -1; // 0 to 4
    QByteArray Password;
};

// Tries the set's passwords in order 1 to 5, skipping empty ones, on the 144 header bytes read from an
// image. Each password's key is derived once per process (KeyMaterialFor), so a folder of images pays the
// derivations once.
std::optional<CFoundHeader> OpenPayloadHeader(const QByteArray& encryptedHeader,
                                              const CPasswordSet& passwords);

// Detection: reads only the header's 1152 pixels. An image of fewer pixels carries nothing.
std::optional<CFoundHeader> DetectPayload(const CBitmap& image, const CPasswordSet& passwords);

// The hidden name reduced to a plain file name: what an extraction writes, never a path that leads out of
// its folder. Empty when nothing usable is left.
QString ConfinedHiddenName(const QByteArray& storedName);
// Where an extraction into folder writes a file of the confined name.
QString HiddenFilePath(const QString& folder, const QString& confinedName);
// What a report of a written file adds when its name starts with ".": file managers and "ls" do not show
// such a file, so a payload could drop ".bashrc" or ".profile" where nobody looks. Empty otherwise.
QString DotFileNote(const QString& writtenPath);

// What FindHiddenContent found and did.
struct CHiddenContent {
    HiddenKind Kind = HiddenNothing;
    QString Name;        // the confined name
    QByteArray Moment;   // 22 characters
    QByteArray Content;  // the hidden file's bytes (not for detection)
    QString Text;        // output 3: moment, CR LF CR LF, content
    QString WrittenPath; // outputs 1 and 2: the file written
    QString InTheWay;    // output 2, refused: the file that holds the name and was not replaced
};

// Finds the payload an image carries. detectOnly stops after the header. Otherwise the data block is read
// and decrypted and then, for output 3, returned as text, and for outputs 1 and 2 written under the
// confined name into destinationFolder. Output 1 writes into a private folder and replaces; output 2 does
// with a file already under the name what whenTaken says (WriteOutputFile), never replacing one unless told.
// Refused when no password opens a header (nothing there, as far as the set can tell), with an empty value;
// also Refused, with the kind, the name and InTheWay set, when the name is taken and not to be replaced.
// Failed when a password opens the header but the content cannot be read or written, the reason in the
// detail and the diagnostic log, the value empty (kind 10). None carries a message.
CResult<CHiddenContent> FindHiddenContent(const CBitmap& image, const CPasswordSet& passwords,
                                          bool detectOnly, HiddenOutput output,
                                          const QString& destinationFolder = QString(),
                                          ExistingFile whenTaken = ExistingFile::Refuse);

// The same with the original out-parameters, for callers that only need the kind, name and text.
HiddenKind FindHiddenContent(const CBitmap& image, const CPasswordSet& passwords, bool detectOnly,
                             HiddenOutput output, const QString& destinationFolder, QString& name,
                             QString& text);

} // namespace veilpane
