#include "cli/PasswordOptions.h"

#include "platform/SettingsStore.h"
#include <QFile>

namespace veilpane::cli {

namespace {

bool TakeValue(QStringList& args, int index, QString& value, QString* error) {
    if (index + 1 >= args.size()) {
        *error = QStringLiteral("option '%1' needs a value").arg(args[index]);
        return false;
    }
    value = args[index + 1];
    args.remove(index, 2);
    return true;
}

} // namespace

bool CPasswordOptions::Take(QStringList& args, QString* error) {
    QList<QByteArray> given;
    QString file;
    std::optional<int> use;
    for (int i = 0; i < args.size();) {
        const QString& arg = args[i];
        QString value;
        if (arg == QLatin1String("-p") || arg == QLatin1String("--password")) {
            if (!TakeValue(args, i, value, error)) {
                return false;
            }
            given.append(value.toUtf8());
        } else if (arg.startsWith(QLatin1String("--password="))) {
            given.append(arg.mid(11).toUtf8());
            args.removeAt(i);
        } else if (arg == QLatin1String("--password-file")) {
            if (!TakeValue(args, i, file, error)) {
                return false;
            }
        } else if (arg == QLatin1String("--use")) {
            if (!TakeValue(args, i, value, error)) {
                return false;
            }
            bool ok = false;
            const int number = value.toInt(&ok);
            if (!ok || number < 1 || number > PasswordCount) {
                *error = QStringLiteral("--use takes a password number from 1 to 5, not '%1'").arg(value);
                return false;
            }
            use = number;
        } else {
            ++i;
        }
    }
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
        for (QByteArray& line : lines) {
            if (line.endsWith('\r')) {
                line.chop(1);
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
    if (use) {
        m_set.PasswordRadioCry = *use - 1;
    }
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
    for (int i = 0; i < PasswordCount; ++i) {
        const QString entry = QStringLiteral("PasswordCry%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        set.Passwords[static_cast<std::size_t>(i)] = settings.GetString(SettingsSection, entry, {}).toUtf8();
    }
    set.PasswordRadioCry = settings.GetInt(SettingsSection, QStringLiteral("PasswordRadioCry"), 0);
    set.PasswordSaveCry = settings.GetInt(SettingsSection, QStringLiteral("PasswordSaveCry"), 1);
    return set;
}

} // namespace veilpane::cli
