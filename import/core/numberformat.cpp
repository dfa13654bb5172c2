#include "numberformat.h"

#include <vector>

namespace wifv {

namespace {

enum class Code { Year, Month, Day, Era, Hour, Minute, Second, AmPm, MonthOrMinute };

bool startsWithNoCase(const QString &s, qsizetype at, QLatin1String word)
{
    return s.mid(at, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

} // namespace

FormatClass classifyNumberFormat(const QString &code)
{
    std::vector<Code> codes;
    const qsizetype n = code.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = code.at(i);
        const char16_t lower = c.toLower().unicode();
        if (c == u';')
            break; // only the first section decides
        if (c == u'"') {
            const qsizetype close = code.indexOf(u'"', i + 1);
            i = close < 0 ? n : close + 1;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            i += 2; // an escaped, padding or fill character
        } else if (c == u'[') {
            const qsizetype close = code.indexOf(u']', i + 1);
            const QString inside = code.mid(i + 1, (close < 0 ? n : close) - i - 1).toLower();
            if (!inside.isEmpty() && inside.count(inside.front()) == inside.size()) {
                if (inside.front() == u'h')
                    codes.push_back(Code::Hour);
                else if (inside.front() == u'm')
                    codes.push_back(Code::Minute);
                else if (inside.front() == u's')
                    codes.push_back(Code::Second);
            }
            i = close < 0 ? n : close + 1;
        } else if (startsWithNoCase(code, i, QLatin1String("general"))) {
            i += 7;
        } else if (startsWithNoCase(code, i, QLatin1String("am/pm"))) {
            codes.push_back(Code::AmPm);
            i += 5;
        } else if (startsWithNoCase(code, i, QLatin1String("a/p"))) {
            codes.push_back(Code::AmPm);
            i += 3;
        } else if (lower == u'e' && i + 1 < n && (code.at(i + 1) == u'+' || code.at(i + 1) == u'-')) {
            i += 2; // scientific exponent
        } else if (lower == u'y' || lower == u'm' || lower == u'd' || lower == u'h' || lower == u's' ||
                   lower == u'g' || lower == u'e') {
            qsizetype run = i + 1;
            while (run < n && code.at(run).toLower().unicode() == lower)
                ++run;
            switch (lower) {
            case u'y': codes.push_back(Code::Year); break;
            case u'd': codes.push_back(Code::Day); break;
            case u'g':
            case u'e': codes.push_back(Code::Era); break;
            case u'h': codes.push_back(Code::Hour); break;
            case u's': codes.push_back(Code::Second); break;
            default: codes.push_back(Code::MonthOrMinute); break;
            }
            i = run;
        } else {
            ++i; // digits, separators and other literals
        }
    }

    // m and mm are minutes right after an hour code or right before a
    // seconds code (literals between codes do not count), months otherwise.
    for (size_t k = 0; k < codes.size(); ++k) {
        if (codes[k] != Code::MonthOrMinute)
            continue;
        const bool afterHour = k > 0 && codes[k - 1] == Code::Hour;
        const bool beforeSecond = k + 1 < codes.size() && codes[k + 1] == Code::Second;
        codes[k] = afterHour || beforeSecond ? Code::Minute : Code::Month;
    }
    if (codes.empty())
        return FormatClass::Other;
    for (Code c : codes)
        if (c == Code::Year || c == Code::Month || c == Code::Day || c == Code::Era)
            return FormatClass::DateTime;
    return FormatClass::TimeOnly;
}

} // namespace wifv
