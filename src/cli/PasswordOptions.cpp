#include "cli/PasswordOptions.h"

#include "cli/CommandLine.h"
#include "cli/TerminalText.h"
#include "platform/BoundedRead.h"
#include "platform/SettingsKeys.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace veilpane::cli {

namespace {

// Five passwords take a few hundred bytes; the bound only keeps a device or an endless pipe named by
// mistake from filling the memory.
constexpr qint64 MaxPasswordFileLength = 1024 * 1024;

} // namespace

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
        QByteArray content;
        bool tooLong = false;
        if (file == QLatin1String("-")) {
            if (!m_input) {
                *error = QStringLiteral("cannot read the password file '-': no standard input");
                return false;
            }
            // The bytes as they come: a text decoder would turn a password that is not valid UTF-8 into
            // another one.
            QIODevice* device = m_input->device();
            if (device) {
                const CBoundedRead read = ReadAtMost(*device, MaxPasswordFileLength);
                tooLong = read.TooLong;
                content = read.Bytes;
            } else {
                content = m_input->read(MaxPasswordFileLength + 1).toUtf8();
            }
            m_readInput = true;
        } else {
            QFile in(file);
            if (!in.open(QIODevice::ReadOnly)) {
                *error = QStringLiteral("cannot read the password file '%1': %2").arg(file, in.errorString());
                return false;
            }
            const CBoundedRead read = ReadAtMost(in, MaxPasswordFileLength);
            if (read.Failed) {
                *error = QStringLiteral("cannot read the password file '%1': %2").arg(file, in.errorString());
                return false;
            }
            tooLong = read.TooLong;
            content = read.Bytes;
        }
        if (tooLong || content.size() > MaxPasswordFileLength) {
            *error = QStringLiteral("the password file '%1' is longer than %2 bytes: it holds five passwords "
                                    "at most")
                         .arg(file)
                         .arg(MaxPasswordFileLength);
            return false;
        }
        // Editors put a byte-order mark before the first line; nobody types one into a password file.
        if (content.startsWith("\xEF\xBB\xBF")) {
            content.remove(0, 3);
        }
        QList<QByteArray> lines = content.split('\n');
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
        "                         that password undefined); FILE \"-\" reads standard input, which keeps\n"
        "                         the passwords out of the process list that -p shows to other users\n"
        "  --use N                which password of the set hides or encrypts (1 to 5, default 1)\n"
        "  With neither -p nor --password-file, the desktop program's saved passwords and its selected\n"
        "  password are used.\n");
}

std::optional<QString> CheckEncryptionPasswords(const CPasswordSet& set) {
    QStringList texts;
    for (const QByteArray& password : set.Passwords) {
        texts << PasswordText(password);
    }
    if (auto refusal = ValidatePasswordTexts(texts)) {
        return refusal;
    }
    // The dialog's boxes take no more than 64 characters: a longer password could encrypt here but never be
    // typed there.
    for (const QString& text : texts) {
        if (text.toUcs4().size() > MaxPasswordLength) {
            return QStringLiteral("Passwords length should be at most %1 characters.").arg(MaxPasswordLength);
        }
    }
    return CheckSelectedPassword(set);
}

CPasswordSet LoadSavedPasswordSet() {
    const CQtSettingsStore settings;
    if (const QString note = settings.SetAsideNote(); !note.isEmpty()) {
        std::fputs(qPrintable(TerminalSafe(note) + QLatin1Char('\n')), stderr);
    }
    CPasswordSet set;
    for (std::size_t i = 0; i < set.Passwords.size(); ++i) {
        set.Passwords[i] = settings.Get(setting::Passwords[i]).toUtf8();
    }
    set.PasswordRadioCry = settings.Get(setting::PasswordRadioCry);
    set.PasswordSaveCry = settings.Get(setting::PasswordSaveCry);
    return set;
}

} // namespace veilpane::cli
