#pragma once

#include "crypto/KeyDerivation.h"
#include "crypto/PasswordSet.h"
#include "platform/AtomicFile.h"
#include "platform/ExistingFile.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

namespace veilpane {

// A .cry file is nothing but the plain file encrypted with the cipher profile under one password's key and
// IV: no header, salt, IV or check value. Which password made it is found by trying.
inline constexpr char CryExtension[] = ".cry";

enum class CryDirection { Encrypt, Decrypt };

// Streams the regular file at inputPath through the cipher into output, which must be open and is left
// under its temporary name. The file passes in large blocks and is never held whole in memory. On failure
// (unreadable input, a write error, bad padding, a length that is not a multiple of 16) the outcome is
// Failed with the library's or the system's text as the detail; output then holds garbage and is for
// discarding.
[[nodiscard]] CResult<> TransformFile(CryDirection direction, const QString& inputPath, CAtomicFile& output,
                                      const CKeyMaterial& material);

// The single-file operations: Done or Failed, without a message. The output is written under a temporary
// name, flushed and renamed into place only when complete, so a file already at outputPath survives a
// failure. The failure's detail has already gone to the cipher log; the input is never removed here.
CResult<> EncryptOneFile(const QString& inputPath, const QString& outputPath, const QByteArray& password);
CResult<> DecryptOneFile(const QString& inputPath, const QString& outputPath, const QByteArray& password);

// "report.pdf" -> "report.pdf.cry".
QString EncryptedPathOf(const QString& path);
// The path without its last four characters, whatever they are. Empty when that would leave no file name
// (a file named ".cry", or one of four characters or fewer), which would otherwise name the folder itself.
QString DecryptedPathOf(const QString& cryPath);

// The decryption side of a run: each defined password's key is derived once, up front. A wrong key passes
// the PKCS #7 padding check about once in 256, and the format has no other check value, so before a file
// is decrypted every password is tried against its last block alone (two blocks read, whatever the size).
class CCryDecryptor {
public:
    explicit CCryDecryptor(const CPasswordSet& set);
    ~CCryDecryptor();
    CCryDecryptor(const CCryDecryptor&) = delete;
    CCryDecryptor& operator=(const CCryDecryptor&) = delete;

    // Indices (0 to 4) of the passwords whose key leaves valid padding in the file's last block, in the
    // order they are tried. Empty when the file cannot be read or its length is not a multiple of 16.
    QList<int> PassingPasswords(const QString& cryPath) const;

    struct CDecryption {
        int PasswordIndex = -1; // the password that decrypted it
        int Passing = 0;        // how many passwords passed the padding check
    };
    // Decrypts into output (open, still under its temporary name) with the first password that passes the
    // check and then decrypts the whole file. Partial when more than one password fits: the output may be
    // garbage, so the .cry file must stay. Failed, with the last failure text as the detail, otherwise.
    CResult<CDecryption> Decrypt(const QString& cryPath, CAtomicFile& output) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The file commands as the desktop program and the terminal program run them: the checks of the password
// set first, then the operation, then the replaced file's removal. What they give:
//   Done       the status text of success
//   Partial    decryption only: decrypted, but the .cry file kept because several passwords fit it
//   Refused    a message box (a password refusal), or nothing at all (a path that does not exist)
//   Failed     encryption: the message box "File encryption error."; decryption: the status text
//              "File NOT decrypted, wrong password."
// existing says what to do when the output's name is taken: Replace writes over it; Skip and Refuse leave
// everything as it was (Refused, with FileSkippedStatus); KeepBoth writes beside it (FreeNameBeside). Unless
// it is Replace, a name taken only while the output is written is never replaced either: the output goes
// beside it. The status text of success then tells what happened to the file in the way.
CResult<> EncryptFileCommand(const QString& path, const CPasswordSet& set,
                             ExistingFile existing = ExistingFile::Refuse);
CResult<> DecryptFileCommand(const QString& cryPath, const CPasswordSet& set,
                             ExistingFile existing = ExistingFile::Refuse);

// Whether a file read for a conversion was written to since (and is still there): it must then stay.
bool ChangedDuringRun(const QString& path, const CFileIdentity& input);
// "<path> was written to while it was converted, so it was kept; <output name> holds ...".
QString FileChangedDuringRunMessage(const QString& path, const QString& output);

QString FileEncryptionErrorMessage();
QString FileEncryptedStatus(const QByteArray& password);
QString FileDecryptedStatus();
QString FileNotDecryptedStatus();
QString FileDecryptedAmbiguousStatus(int passwordNumber, int passing);
// A file command that left everything alone because its output's name is taken.
QString FileSkippedStatus(const QString& outputPath);
// What a successful file command's status text ends with when a file was in the way: the output replaced
// it (replaced), or went beside it to committedAs. Empty when nothing was in the way.
QString FileInTheWayNote(const QString& outputPath, const QString& committedAs, bool replaced);

} // namespace veilpane
