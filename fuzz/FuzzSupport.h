#pragma once

// What every fuzz target shares: a Qt application object (image format plugins are found through it), a
// private scratch folder per process, the fixed password set the readers try, and the seed writer.

#include "crypto/PasswordSet.h"
#include "platform/Paths.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace veilpane::fuzz {

inline void StartQt() {
    static int argc = 1;
    static char name[] = "veilpane-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// Stops the run as a crash: libFuzzer saves the input that broke an invariant just as one that crashed.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__);          \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

// A folder of this process's own, emptied after every input so that no run sees another's files. Only
// plain files are removed, each by its full path: nothing a damaged name could make of a path reaches
// beyond the folder.
class CScratchFolder {
public:
    CScratchFolder() : m_dir(QDir::tempPath() + QStringLiteral("/veilpane-fuzz-XXXXXX")) {
        FUZZ_CHECK(m_dir.isValid() && QDir::isAbsolutePath(m_dir.path()));
    }
    QString Path() const { return m_dir.path(); }
    QString FilePath(const QString& name) const { return PathInFolder(m_dir.path(), name); }
    QStringList Entries() const {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
    void Clear() const {
        for (const QString& name : Entries()) {
            FUZZ_CHECK(QFile::remove(FilePath(name)));
        }
    }

private:
    QTemporaryDir m_dir;
};

// The set every reading target tries; slot 3 is empty, as a user's set often has gaps.
inline CPasswordSet FuzzPasswordSet() {
    CPasswordSet set;
    set.Passwords = {QByteArray("first-pass"), QByteArray("second-pw"), QByteArray(), QByteArray("fourth-pw"),
                     QByteArray("fifth-pass")};
    return set;
}

// Reads the input from the front, so that seeds are easy to lay out.
class CInput {
public:
    CInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    QByteArray Bytes(std::size_t count) {
        const std::size_t n = std::min(count, m_size - m_pos);
        QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), static_cast<qsizetype>(n));
        m_pos += n;
        return out;
    }
    QByteArray Rest() { return Bytes(m_size - m_pos); }
    bool Empty() const { return m_pos >= m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// The seed corpus comes from the program's own output: with VEILPANE_FUZZ_SEEDS=DIR a target writes the
// inputs that stand for what the program makes (carriers, .cry files, blocks, settings) into DIR and exits.
inline void WriteSeedsIfAsked(const std::function<QList<QByteArray>()>& makeSeeds) {
    const QString folder = QString::fromLocal8Bit(qgetenv("VEILPANE_FUZZ_SEEDS"));
    if (folder.isEmpty()) {
        return;
    }
    FUZZ_CHECK(QDir().mkpath(folder));
    int number = 0;
    for (const QByteArray& seed : makeSeeds()) {
        QFile file(PathInFolder(folder, QStringLiteral("seed-%1").arg(++number)));
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(seed) == seed.size());
    }
    std::exit(0);
}

} // namespace veilpane::fuzz
