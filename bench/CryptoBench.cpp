// File encryption throughput: the streaming pipeline with and without the final flush to disk, against a
// default FileSource pipeline (kilobyte pieces) and OpenSSL's EVP interface; and a folder of small files.
// Sizes: VEILPANE_BENCH_FILE_MIB (default 256) and VEILPANE_BENCH_FOLDER_FILES (default 2000 files of 4 KiB).
#include "crypto/CipherProfile.h"
#include "crypto/CryFile.h"
#include "crypto/FolderRun.h"
#include "platform/AtomicFile.h"

#include <benchmark/benchmark.h>

#include <cryptopp/aes.h>
#include <cryptopp/files.h>
#include <cryptopp/filters.h>
#include <cryptopp/modes.h>

#ifdef VEILPANE_HAVE_OPENSSL
#include <openssl/evp.h>
#endif

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <vector>

using namespace veilpane;

namespace {

const QByteArray Password = "bench-password";

qint64 EnvNumber(const char* name, qint64 fallback) {
    const char* value = std::getenv(name);
    return value ? std::atoll(value) : fallback;
}

// One large random file per process, written once and then read from the page cache.
struct CBigFile {
    QTemporaryDir Dir;
    QString Plain, Cry;
    qint64 Size;
    CBigFile() : Size(EnvNumber("VEILPANE_BENCH_FILE_MIB", 256) << 20) {
        Plain = Dir.filePath(QStringLiteral("plain"));
        Cry = Dir.filePath(QStringLiteral("plain.cry"));
        QFile out(Plain);
        out.open(QIODevice::WriteOnly);
        QByteArray block(1 << 20, '\0');
        for (qint64 done = 0; done < Size; done += block.size()) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
            out.write(block);
        }
        out.close();
        EncryptOneFile(Plain, Cry, Password);
    }
};

CBigFile& BigFile() {
    static CBigFile file;
    return file;
}

void Transform(benchmark::State& state, CryDirection direction, bool commit) {
    CBigFile& file = BigFile();
    const CKeyMaterial material = KeyMaterialFor(Password);
    const QString in = direction == CryDirection::Encrypt ? file.Plain : file.Cry;
    const QString out = file.Dir.filePath(QStringLiteral("out"));
    for (auto _ : state) {
        CAtomicFile output(out);
        QString error;
        if (!output.Open(&error)) {
            state.SkipWithError(error.toStdString().c_str());
            break;
        }
        if (const CResult<> transformed = TransformFile(direction, in, output, material); !transformed.Ok()) {
            error = transformed.Detail;
        }
        if (!error.isEmpty() || (commit && !output.Commit(&error))) {
            state.SkipWithError(error.toStdString().c_str());
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * file.Size);
}

} // namespace

static void BM_EncryptFile_Streamed(benchmark::State& state) {
    Transform(state, CryDirection::Encrypt, false);
}
BENCHMARK(BM_EncryptFile_Streamed)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_DecryptFile_Streamed(benchmark::State& state) {
    Transform(state, CryDirection::Decrypt, false);
}
BENCHMARK(BM_DecryptFile_Streamed)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_EncryptFile_StreamedAndFlushed(benchmark::State& state) {
    Transform(state, CryDirection::Encrypt, true);
}
BENCHMARK(BM_EncryptFile_StreamedAndFlushed)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_DecryptFile_StreamedAndFlushed(benchmark::State& state) {
    Transform(state, CryDirection::Decrypt, true);
}
BENCHMARK(BM_DecryptFile_StreamedAndFlushed)->Unit(benchmark::kMillisecond)->UseRealTime();

// What a plain FileSource -> StreamTransformationFilter -> FileSink pipeline gives, for comparison.
static void BM_EncryptFile_DefaultFileSource(benchmark::State& state) {
    CBigFile& file = BigFile();
    const CKeyMaterial material = KeyMaterialFor(Password);
    const std::string in = QFile::encodeName(file.Plain).toStdString();
    const std::string out = QFile::encodeName(file.Dir.filePath(QStringLiteral("out"))).toStdString();
    for (auto _ : state) {
        CryptoPP::AES::Encryption block(material.Key, material.Key.size());
        CryptoPP::CBC_Mode_ExternalCipher::Encryption mode(block, material.Iv);
        CryptoPP::FileSource source(
            in.c_str(), true,
            new CryptoPP::StreamTransformationFilter(mode, new CryptoPP::FileSink(out.c_str())));
    }
    state.SetBytesProcessed(state.iterations() * file.Size);
}
BENCHMARK(BM_EncryptFile_DefaultFileSource)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VEILPANE_HAVE_OPENSSL
static void EvpFile(benchmark::State& state, bool encrypt) {
    CBigFile& file = BigFile();
    const CKeyMaterial material = KeyMaterialFor(Password);
    const QString inPath = encrypt ? file.Plain : file.Cry;
    std::vector<unsigned char> in(1 << 20), out((1 << 20) + 32);
    for (auto _ : state) {
        QFile source(inPath), sink(file.Dir.filePath(QStringLiteral("out")));
        source.open(QIODevice::ReadOnly);
        sink.open(QIODevice::WriteOnly | QIODevice::Truncate);
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        EVP_CipherInit_ex(ctx, EVP_aes_256_cbc(), nullptr, material.Key.data(), material.Iv.data(),
                          encrypt ? 1 : 0);
        int produced = 0;
        for (qint64 got;
             (got = source.read(reinterpret_cast<char*>(in.data()), static_cast<qint64>(in.size()))) > 0;) {
            EVP_CipherUpdate(ctx, out.data(), &produced, in.data(), static_cast<int>(got));
            sink.write(reinterpret_cast<const char*>(out.data()), produced);
        }
        EVP_CipherFinal_ex(ctx, out.data(), &produced);
        sink.write(reinterpret_cast<const char*>(out.data()), produced);
        EVP_CIPHER_CTX_free(ctx);
    }
    state.SetBytesProcessed(state.iterations() * file.Size);
}
static void BM_EncryptFile_OpensslEvp(benchmark::State& state) {
    EvpFile(state, true);
}
BENCHMARK(BM_EncryptFile_OpensslEvp)->Unit(benchmark::kMillisecond)->UseRealTime();
static void BM_DecryptFile_OpensslEvp(benchmark::State& state) {
    EvpFile(state, false);
}
BENCHMARK(BM_DecryptFile_OpensslEvp)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// A folder of small files encrypted and decrypted again, with the safe write order; items are files.
static void BM_FolderEncryptDecrypt(benchmark::State& state) {
    const int count = static_cast<int>(EnvNumber("VEILPANE_BENCH_FOLDER_FILES", 2000));
    QTemporaryDir dir;
    QByteArray content(4096, '\0');
    for (int i = 0; i < count; ++i) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(content.data()), content.size() / 4);
        QFile file(dir.filePath(QStringLiteral("file%1.dat").arg(i)));
        file.open(QIODevice::WriteOnly);
        file.write(content);
    }
    CPasswordSet set;
    set.Passwords[0] = Password;
    for (auto _ : state) {
        const auto encryption = PlanFolderEncryption(dir.path(), set);
        const CFolderRunResult encrypted = EncryptFolder(encryption.Value);
        const auto decryption = PlanFolderDecryption(dir.path(), set);
        const CFolderRunResult decrypted = DecryptFolder(decryption.Value);
        if (encrypted.Value.Succeeded != count || decrypted.Value.Succeeded != count) {
            state.SkipWithError("the folder run did not convert every file");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * count * 2);
}
BENCHMARK(BM_FolderEncryptDecrypt)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
