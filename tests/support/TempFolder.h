#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace veilpane::test {

// A private folder per test, removed afterwards.
class CTempFolder {
public:
    CTempFolder();
    QString Path() const { return m_dir.path(); }
    QString FilePath(const QString& name) const { return m_dir.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) const; // returns the full path
    QByteArray Read(const QString& name) const;

private:
    QTemporaryDir m_dir;
};

// Runs a program to completion; returns its exit code (-1 when it did not start or finish) and output.
struct CProcessResult {
    int ExitCode = -1;
    QByteArray Out;
    QByteArray Err;
};
CProcessResult RunProgram(const QString& program, const QStringList& args, const QByteArray& input = {},
                          int timeoutMs = 120000);
bool HaveProgram(const QString& program);

} // namespace veilpane::test
