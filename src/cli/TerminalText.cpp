#include "cli/TerminalText.h"

namespace veilpane::cli {

bool IsTerminalControl(QChar c) {
    const char16_t u = c.unicode();
    if (u == u'\t' || u == u'\n') {
        return false;
    }
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x061C || u == 0x200E || u == 0x200F ||
           (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

QString TerminalSafe(const QString& text) {
    QString safe;
    safe.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A carriage return only ends a line when a line feed follows; alone it would overwrite the line.
        const bool lineEnd =
            c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n');
        safe += IsTerminalControl(c) && !lineEnd ? QLatin1Char('?') : c;
    }
    return safe;
}

CTerminalText& CTerminalText::operator<<(const QString& text) {
    m_stream << TerminalSafe(text);
    return *this;
}

} // namespace veilpane::cli
