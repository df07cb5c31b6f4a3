#include "support/CryptoTestSupport.h"

#include <QFile>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace veilpane::test {

int RunWithFileSizeLimit(long limitBytes, bool ignoreSignal, const std::function<int()>& fn) {
    const pid_t child = fork();
    if (child == 0) {
        if (ignoreSignal) {
            std::signal(SIGXFSZ, SIG_IGN);
        }
        const rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(fn() & 0xff);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

CFrozenFolder::CFrozenFolder(QString folder) : m_folder(std::move(folder)) {
    const QByteArray native = QFile::encodeName(m_folder);
    if (geteuid() != 0) {
        m_valid = chmod(native.constData(), 0555) == 0;
        return;
    }
    if (HaveProgram(QStringLiteral("chattr"))) {
        m_immutable = RunProgram(QStringLiteral("chattr"), {QStringLiteral("+i"), m_folder}).ExitCode == 0;
        m_valid = m_immutable;
    }
}

CFrozenFolder::~CFrozenFolder() {
    if (m_immutable) {
        RunProgram(QStringLiteral("chattr"), {QStringLiteral("-i"), m_folder});
    } else if (m_valid) {
        chmod(QFile::encodeName(m_folder).constData(), 0755);
    }
}

} // namespace veilpane::test
