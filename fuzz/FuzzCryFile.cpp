// .cry files from anywhere. The first byte picks the case: bit 0 enciphers the rest first (so that the
// decryption must give it back byte for byte), bit 1 puts an older file at the output path (which a
// failure must leave as it was), bit 2 runs the whole decrypt command with the password set instead of
// one password.
#include "FuzzSupport.h"

#include "crypto/CipherProfile.h"
#include "crypto/CryFile.h"

using namespace veilpane;
using namespace veilpane::fuzz;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// .cry files the program writes, and plain files for it to encipher.
QList<QByteArray> Seeds() {
    const CScratchFolder folder;
    const QString plain = folder.FilePath(QStringLiteral("plain"));
    const QString cry = folder.FilePath(QStringLiteral("plain.cry"));
    QList<QByteArray> seeds;
    for (const QByteArray& content : {QByteArray(), QByteArray("fifteen bytes!!"), QByteArray(100, 'x')}) {
        WriteFile(plain, content);
        for (const int password : {0, 1, 4}) {
            FUZZ_CHECK(EncryptOneFile(plain, cry, FuzzPasswordSet().Passwords[password]).Ok());
            const QByteArray encrypted = ReadFile(cry);
            seeds << QByteArray(1, 0) + encrypted << QByteArray(1, 4) + encrypted;
        }
        seeds << QByteArray(1, 1) + content << QByteArray(1, 3) + content << QByteArray(1, 6) + content;
    }
    folder.Clear();
    return seeds;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartQt();
    SetCipherLogStream(nullptr);
    WriteSeedsIfAsked(Seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CScratchFolder scratch;
    static const CPasswordSet set = FuzzPasswordSet();
    CInput input(data, size);
    const std::uint8_t flags = input.Byte();
    const QByteArray bytes = input.Rest();
    const QString cryPath = scratch.FilePath(QStringLiteral("input.bin.cry"));
    const QString outPath = scratch.FilePath(QStringLiteral("input.bin"));
    const QByteArray older = "an older file";

    if (flags & 1) {
        const QString plainPath = scratch.FilePath(QStringLiteral("plain"));
        WriteFile(plainPath, bytes);
        FUZZ_CHECK(EncryptOneFile(plainPath, cryPath, set.Passwords[0]).Ok());
        FUZZ_CHECK(ReadFile(cryPath).size() == EncryptedLength(bytes.size()));
        FUZZ_CHECK(QFile::remove(plainPath));
    } else {
        WriteFile(cryPath, bytes);
    }
    const QByteArray cryBytes = ReadFile(cryPath);
    if (flags & 2) {
        WriteFile(outPath, older);
    }

    bool ok = false;
    if (flags & 4) {
        // What the command does with the older output: nothing said (refused), replaced or kept beside.
        const ExistingFile choice = (flags & 8)    ? ExistingFile::Replace
                                    : (flags & 16) ? ExistingFile::KeepBoth
                                                   : ExistingFile::Refuse;
        const CResult<> result = DecryptFileCommand(cryPath, set, choice);
        ok = result.Ok();
        if (ok && QFile::exists(cryPath)) {
            // The .cry file stays only when several passwords fit it.
            FUZZ_CHECK(result.Outcome == Outcome::Partial);
        }
        if (ok && (flags & 2)) {
            // Only Replace writes over the older output; Keep both puts the plain file beside it.
            FUZZ_CHECK(choice != ExistingFile::Refuse);
            FUZZ_CHECK((ReadFile(outPath) == older) == (choice == ExistingFile::KeepBoth));
            FUZZ_CHECK(QFile::exists(scratch.FilePath(QStringLiteral("input (2).bin"))) ==
                       (choice == ExistingFile::KeepBoth));
        }
    } else {
        ok = DecryptOneFile(cryPath, outPath, set.Passwords[0]).Ok();
        FUZZ_CHECK(ReadFile(cryPath) == cryBytes); // the input is never touched here
    }
    if (ok) {
        FUZZ_CHECK(cryBytes.size() % 16 == 0 && !cryBytes.isEmpty());
        if ((flags & 1) && !(flags & 4)) {
            FUZZ_CHECK(ReadFile(outPath) == bytes);
        }
    } else {
        // A failure leaves the folder as it was: the .cry file, the older output, no temporary file.
        FUZZ_CHECK(ReadFile(cryPath) == cryBytes);
        FUZZ_CHECK(ReadFile(outPath) == ((flags & 2) ? older : QByteArray()));
        FUZZ_CHECK(scratch.Entries().size() == ((flags & 2) ? 2 : 1));
        FUZZ_CHECK(!(flags & 1) || (flags & 4)); // what was enciphered under password 1 always deciphers
    }
    scratch.Clear();
    return 0;
}
