#pragma once

#include "crypto/PasswordSet.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace veilpane {

// A message block is the upper-case hexadecimal form, without separators, of
//   16 random letters and digits + "YYYY-MM-DD HHh:MMm:SSs" + CR LF + the text
// encrypted with the cipher profile.

// Message blocks are for short texts, ones the dialog's boxes can still show; the cap keeps what an
// encryption, or a decryption that every password fails, takes in memory and time small.
inline constexpr qsizetype MaxMessageTextLength = 1024 * 1024; // bytes of UTF-8 text
// The hexadecimal digits of the block of the longest text: 16 random characters, the time line and CR LF
// before it, padded to whole cipher blocks. No longer block can hold a message.
inline constexpr qsizetype MaxMessageBlockDigits = 2 * 16 * ((16 + 22 + 2 + MaxMessageTextLength) / 16 + 1);

// The block of text (which already carries its time line) under password.
QByteArray EncryptMessageText(const QByteArray& text, const QByteArray& password);
// The plaintext without its 16 random characters: the time line, CR LF and the text. Every character of
// block that is not a hexadecimal digit is ignored, and both letter cases are read. Empty when the block
// does not decrypt under password, or when what comes out does not look like a message: a wrong key passes
// the padding check about once in 256, and only a result that starts with 16 letters or digits followed by
// a time line and CR LF is taken for one.
QByteArray DecryptMessageText(const QByteArray& block, const QByteArray& password);

// "%Y-%m-%d %Hh:%Mm:%Ss" of the given local time, for example 2021-07-05 09h:03m:58s.
QByteArray MessageTimeLine(const QDateTime& localTime);

// The message commands as both programs run them. Refused (an empty input, a text longer than
// MaxMessageTextLength, a block of more than MaxMessageBlockDigits digits, which no key is tried on): the
// message is shown instead and the output stays as it was. Otherwise Output is what the output box shows: the
// block, the decrypted text (Done), or after a Failed decryption the text "Message NOT decrypted, wrong
// password." (an encryption that fails leaves it empty).
struct CMessageOutput {
    QByteArray Output;
    int PasswordIndex = -1; // the password that encrypted or decrypted it
};
using CMessageResult = CResult<CMessageOutput>;
CMessageResult EncryptMessageCommand(const QByteArray& input, const CPasswordSet& set,
                                     const QDateTime& now = QDateTime::currentDateTime());
CMessageResult DecryptMessageCommand(const QByteArray& input, const CPasswordSet& set);

QString EmptyMessageToEncryptMessage();
QString EmptyBlockToDecryptMessage();
QString MessageNotDecryptedText();
QString MessageTooLongMessage();
QString MessageBlockTooLongMessage();

} // namespace veilpane
