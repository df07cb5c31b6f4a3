#include "platform/NaturalOrder.h"

namespace veilpane {

namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Compares the digit runs starting at i in a and j in b by value, advancing both past them. Leading zeros
// do not count towards the value; among equal values the one with fewer zeros comes first.
int CompareNumbers(const QString& a, qsizetype& i, const QString& b, qsizetype& j, int& zeros) {
    const auto run = [](const QString& s, qsizetype& at, qsizetype& leading) {
        const qsizetype start = at;
        while (at < s.size() && s[at] == QLatin1Char('0')) {
            ++at;
        }
        leading = at - start;
        const qsizetype digits = at;
        while (at < s.size() && IsDigit(s[at])) {
            ++at;
        }
        return QStringView(s).mid(digits, at - digits);
    };
    qsizetype leadingA = 0;
    qsizetype leadingB = 0;
    const QStringView x = run(a, i, leadingA);
    const QStringView y = run(b, j, leadingB);
    if (zeros == 0 && leadingA != leadingB) {
        zeros = leadingA < leadingB ? -1 : 1;
    }
    if (x.size() != y.size()) {
        return x.size() < y.size() ? -1 : 1;
    }
    return x.compare(y);
}

} // namespace

int NaturalCompare(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    int zeros = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            if (const int order = CompareNumbers(a, i, b, j, zeros)) {
                return order;
            }
            continue;
        }
        const char32_t x = a[i].toCaseFolded().unicode();
        const char32_t y = b[j].toCaseFolded().unicode();
        if (x != y) {
            return x < y ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) {
        return i < a.size() ? 1 : -1;
    }
    if (zeros != 0) {
        return zeros;
    }
    const int exact = a.compare(b);
    return exact < 0 ? -1 : exact > 0 ? 1 : 0;
}

} // namespace veilpane
