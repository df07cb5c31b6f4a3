#include "cli/CommandLine.h"

#include "cli/CliSupport.h"

#include <algorithm>

namespace veilpane::cli {

void CCommandLine::AddOption(const QStringList& names, const QString& valueName, bool inlineValue) {
    QCommandLineOption option(names);
    option.setValueName(valueName);
    m_parser.addOption(option);
    m_options.append(option);
    for (const QString& name : names) {
        m_exact.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
        if (inlineValue && name.size() > 1) {
            m_inline.append(m_exact.last() + QLatin1Char('='));
        }
    }
}

void CCommandLine::Parse(const QStringList& args) {
    const std::function<bool(const QString&)> isOption = m_isOption ? m_isOption : LooksLikeOption;
    qsizetype end = m_doubleDash == DoubleDashEndsOptions ? args.indexOf(QStringLiteral("--")) : -1;
    end = end < 0 ? args.size() : end;
    QStringList parsed{QString()}; // the parser expects a program name first
    for (qsizetype i = 0; i < end; ++i) {
        const QString& arg = args[i];
        // Only declared spellings reach the parser as typed, so a token with a control character can
        // stand for the argument's position without ever meeting one the user typed.
        const QString position = QChar(u'\x01') + QString::number(i);
        const auto prefix = std::find_if(m_inline.cbegin(), m_inline.cend(),
                                         [&arg](const QString& p) { return arg.startsWith(p); });
        if (m_exact.contains(arg)) {
            parsed << arg;
        } else if (prefix != m_inline.cend()) {
            parsed << *prefix + position;
            m_original.insert(parsed.last(), arg);
            m_original.insert(position, arg.mid(prefix->size()));
        } else if (isOption(arg)) {
            parsed << QStringLiteral("--") + position; // unknown to the parser, so it takes no value
            m_original.insert(parsed.last(), arg);
            m_original.insert(position, arg);
        } else {
            parsed << position;
            m_original.insert(position, arg);
        }
    }
    m_parser.parse(parsed); // failures are read back below, in this program's words
    const auto argument = [this](const QString& position) {
        return CArgument{position.mid(1).toLongLong(), Original(position)};
    };
    for (const QString& position : m_parser.positionalArguments()) {
        m_operands.append(argument(position));
    }
    for (qsizetype i = end + 1; i < args.size(); ++i) {
        m_operands.append({i, args[i]});
    }
    for (const QString& position : m_parser.unknownOptionNames()) {
        m_unknown.append(argument(position));
    }
}

QString CCommandLine::Value(const QString& name) const {
    return Original(m_parser.value(name));
}

QStringList CCommandLine::Values(const QString& name) const {
    QStringList values = m_parser.values(name);
    for (QString& value : values) {
        value = Original(value);
    }
    return values;
}

QString CCommandLine::MissingValue() const {
    // Only the last option can lack its value: the parser has counted it, but found nothing to take.
    const QStringList found = m_parser.optionNames();
    if (found.isEmpty()) {
        return {};
    }
    const QString& name = found.last();
    for (const QCommandLineOption& option : m_options) {
        const QStringList names = option.names();
        if (!names.contains(name) || option.valueName().isEmpty()) {
            continue;
        }
        const auto given = std::count_if(found.cbegin(), found.cend(),
                                         [&names](const QString& n) { return names.contains(n); });
        if (m_parser.values(name).size() < given) {
            return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        }
    }
    return {};
}

QStringList CCommandLine::Texts(const QList<CArgument>& args) {
    QStringList texts;
    for (const CArgument& arg : args) {
        texts.append(arg.Text);
    }
    return texts;
}

QStringList CCommandLine::Operands() const {
    return Texts(m_operands);
}

QStringList CCommandLine::Rest() const {
    QList<CArgument> rest = m_operands + m_unknown;
    std::sort(rest.begin(), rest.end(),
              [](const CArgument& a, const CArgument& b) { return a.Index < b.Index; });
    return Texts(rest);
}

QString CCommandLine::Misfit(const QString& oneOperand) const {
    const auto first = std::find_if(m_operands.cbegin(), m_operands.cend(),
                                    [](const CArgument& arg) { return !arg.Text.isEmpty(); });
    const CArgument* extra =
        !oneOperand.isEmpty() && first != m_operands.cend() && first + 1 != m_operands.cend() ? &*(first + 1)
                                                                                              : nullptr;
    if (!m_unknown.isEmpty() && (extra == nullptr || m_unknown.first().Index < extra->Index)) {
        return QStringLiteral("unknown option '%1'").arg(m_unknown.first().Text);
    }
    return extra != nullptr ? QStringLiteral("%1 ('%2' is extra)").arg(oneOperand, extra->Text) : QString();
}

QString CCommandLine::FirstOperand() const {
    for (const CArgument& arg : m_operands) {
        if (!arg.Text.isEmpty()) {
            return arg.Text;
        }
    }
    return {};
}

} // namespace veilpane::cli
