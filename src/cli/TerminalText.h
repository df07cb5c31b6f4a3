#pragma once

#include <QString>
#include <QTextStream>

#include <type_traits>

namespace veilpane::cli {

// True for a character that would steer a terminal or reorder what it shows rather than be shown: C0
// controls (ESC starts colour, title and clear-screen sequences), DEL, C1 controls (which some terminals
// read as ESC sequences of their own) and the bidirectional overrides that make "gpj.exe" read backwards.
// Tab and line feed are not counted here: the program's own output is built from them.
bool IsTerminalControl(QChar c);

// Text for the terminal with every control character but tab, line feed and the CR of a CR LF pair (messages
// end their lines that way) shown as "?".
QString TerminalSafe(const QString& text);

// A text stream for the terminal that passes every text through TerminalSafe, so that no name or message
// read from a file can reach the terminal as a control sequence, whichever line prints it. Numbers and the
// program's own characters pass unchanged; Control writes a control character the program means (the
// carriage return of a progress line).
class CTerminalText {
public:
    CTerminalText(QTextStream& stream) : m_stream(stream) {} // NOLINT: streams convert where tests build them

    CTerminalText& operator<<(const QString& text);
    CTerminalText& operator<<(QStringView text) { return *this << text.toString(); }
    CTerminalText& operator<<(QLatin1StringView text) { return *this << QString(text); }
    CTerminalText& operator<<(const char* text) { return *this << QString::fromUtf8(text); }
    CTerminalText& operator<<(QChar c) { return *this << QString(c); }
    CTerminalText& operator<<(char c) { return *this << QChar::fromLatin1(c); }
    template <typename Number,
              typename = std::enable_if_t<std::is_arithmetic_v<Number> && !std::is_same_v<Number, char>>>
    CTerminalText& operator<<(Number value) {
        m_stream << value;
        return *this;
    }

    void Control(char c) { m_stream << c; }
    void flush() { m_stream.flush(); }
    QIODevice* device() const { return m_stream.device(); }

private:
    QTextStream& m_stream;
};

} // namespace veilpane::cli
