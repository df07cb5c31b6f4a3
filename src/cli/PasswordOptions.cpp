#include "cli/PasswordOptions.h"

#include "cli/CommandLine.h"
#include "platform/SettingsKeys.h"

#include <QFile>

namespace veilpane::cli {

void CPasswordOptions::AddTo(CCommandLine& line) {
    line.AddOption({QStringLiteral("p"), QStringLiteral("password")}, QStringLiteral("TEXT"), true);
    line.AddOption({QStringLiteral("password-file")}, QStringLiteral("FILE"));
    line.AddOption({QStringLiteral("use")}, QStringLiteral("N"));
}

bool CPasswordOptions::Read(const CCommandLine& line, QString* error) {
    // Errors come in the order a scan of the arguments meets them: a bad --use can only precede an
    // option left without its value at the end.
    const QStringList uses = line.Values(QStringLiteral("use"));
    for (const QString& value : uses) {
        bool ok = false;
        const int number = value.toInt(&ok);
        if (!ok || number < 1 || number > PasswordCount) {
            *error = QStringLiteral("--use takes a password number from 1 to 5, not '%1'").arg(value);
            return false;
        }
    }
    if (const QString option = line.MissingValue(); !option.isEmpty()) {
        *error = QStringLiteral("option '%1' needs a value").arg(option);
        return false;
    }
    QList<QByteArray> given;
    for (const QString& password : line.Values(QStringLiteral("password"))) {
        given.append(password.toUtf8());
    }
    const QString file = line.Value(QStringLiteral("password-file"));
    if (!file.isEmpty()) {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read the password file '%1': %2").arg(file, in.errorString());
            return false;
        }
        QList<QByteArray> lines = in.readAll().split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty()) {
            lines.removeLast(); // the final line end
        }
        for (QByteArray& entry : lines) {
            if (entry.endsWith('\r')) {
                entry.chop(1);
            }
        }
        given = lines + given;
    }
    if (given.size() > PasswordCount) {
        *error = QStringLiteral("at most five passwords can be given");
        return false;
    }
    if (file.isEmpty() && given.isEmpty()) {
        m_set = LoadSavedPasswordSet();
    } else {
        m_set = CPasswordSet{};
        for (int i = 0; i < given.size(); ++i) {
            m_set.Passwords[static_cast<std::size_t>(i)] = given[i];
        }
        m_set.PasswordRadioCry = 0;
    }
    if (!uses.isEmpty()) {
        m_set.PasswordRadioCry = uses.last().toInt() - 1;
    }
    return true;
}

QString CPasswordOptions::ReadAll(const CCommandLine& line, const QString& oneOperand) {
    QString error;
    if (!Read(line, &error)) {
        return error;
    }
    return line.Misfit(oneOperand);
}

bool CPasswordOptions::Take(QStringList& args, QString* error) {
    CCommandLine line;
    AddTo(line);
    line.Parse(args);
    if (!Read(line, error)) {
        return false;
    }
    args = line.Rest();
    return true;
}

QString CPasswordOptions::HelpText() {
    return QStringLiteral(
        "Password options:\n"
        "  -p, --password TEXT    add a password to the set (repeatable, at most five, tried in this order)\n"
        "  --password-file FILE   read the set from FILE, one password per line (an empty line leaves\n"
        "                         that password undefined)\n"
        "  --use N                which password of the set hides or encrypts (1 to 5, default 1)\n"
        "  With neither -p nor --password-file, the desktop program's saved passwords and its selected\n"
        "  password are used.\n");
}

CPasswordSet LoadSavedPasswordSet() {
    const CQtSettingsStore settings;
    CPasswordSet set;
    for (std::size_t i = 0; i < set.Passwords.size(); ++i) {
        set.Passwords[i] = settings.Get(setting::Passwords[i]).toUtf8();
    }
    set.PasswordRadioCry = settings.Get(setting::PasswordRadioCry);
    set.PasswordSaveCry = settings.Get(setting::PasswordSaveCry);
    return set;
}

} // namespace veilpane::cli
