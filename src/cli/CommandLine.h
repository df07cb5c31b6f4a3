#pragma once

#include <QCommandLineParser>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace veilpane::cli {

// One pass of a command's arguments through QCommandLineParser, with the spelling this program has always
// accepted: an option is exactly "-x" or "--name" as declared, "--name=VALUE" only where declared so, and
// never a combination of short options, a single-dash long name or an abbreviation. Any other argument
// reaches the parser as a token that stands for its position, so that every operand, option value and
// unknown option is read back as typed and in its place, and an unknown option takes no value.
class CCommandLine {
public:
    // Whether "--" ends the options (everything after it is an operand, even where an option before it
    // lacks its value) or is an unknown option like any other.
    enum DoubleDash { DoubleDashIsUnknown, DoubleDashEndsOptions };

    explicit CCommandLine(DoubleDash doubleDash = DoubleDashIsUnknown) : m_doubleDash(doubleDash) {}

    // A flag when valueName is empty. With inlineValue, "--name=VALUE" gives the value too (never
    // "-x=VALUE").
    void AddOption(const QStringList& names, const QString& valueName = {}, bool inlineValue = false);
    // Which arguments are options; by default every argument beginning with "-" except "-" itself.
    void SetOptionTest(std::function<bool(const QString&)> isOption) { m_isOption = std::move(isOption); }

    // args excludes the program and command names.
    void Parse(const QStringList& args);

    bool IsSet(const QString& name) const { return m_parser.isSet(name); }
    QString Value(const QString& name) const; // the last one given
    QStringList Values(const QString& name) const;
    // The option that ended the arguments without its value, as typed ("-p", "--use"); empty when none.
    QString MissingValue() const;

    QStringList Operands() const;
    // The operands and the unknown options, in their order: what the declared options left.
    QStringList Rest() const;

    // The usage error for the first argument the command cannot take: an unknown option or, when
    // oneOperand names the single operand the command takes ("one image only"), an operand after the
    // first non-empty one. Empty when every argument fits.
    QString Misfit(const QString& oneOperand = {}) const;
    // The first non-empty operand.
    QString FirstOperand() const;

private:
    struct CArgument {
        qsizetype Index; // in the parsed arguments
        QString Text;
    };
    static QStringList Texts(const QList<CArgument>& args);
    QString Original(const QString& parsed) const { return m_original.value(parsed, parsed); }

    DoubleDash m_doubleDash;
    std::function<bool(const QString&)> m_isOption;
    QCommandLineParser m_parser;
    QList<QCommandLineOption> m_options;
    QStringList m_exact;                // the spellings given to the parser as typed
    QStringList m_inline;               // the "--name=" prefixes that carry a value
    QHash<QString, QString> m_original; // a position token (or an inline value's token) -> what was typed
    QList<CArgument> m_operands;
    QList<CArgument> m_unknown;
};

} // namespace veilpane::cli
