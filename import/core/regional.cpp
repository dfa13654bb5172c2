#include "regional.h"

#include <QVarLengthArray>

#ifdef _WIN32
#include <windows.h>
#else
#include <clocale>
#include <langinfo.h>
#include <locale.h>
#endif

namespace wifv {

QString patternFromStrftime(const QString &posix)
{
    QString out;
    for (qsizetype i = 0; i < posix.size(); ++i) {
        const QChar c = posix.at(i);
        if (c != u'%' || i + 1 >= posix.size()) {
            if (c.isLetter())
                out += u'\'' + QString(c) + u'\'';
            else
                out += c;
            continue;
        }
        QChar f = posix.at(++i);
        if ((f == u'E' || f == u'O') && i + 1 < posix.size())
            f = posix.at(++i); // alternative forms read as the plain ones
        switch (f.unicode()) {
        case 'd': out += QStringLiteral("dd"); break;
        case 'e': out += QStringLiteral("d"); break;
        case 'm': out += QStringLiteral("MM"); break;
        case 'y': out += QStringLiteral("yy"); break;
        case 'Y': out += QStringLiteral("yyyy"); break;
        case 'D': out += QStringLiteral("MM/dd/yy"); break;
        case 'F': out += QStringLiteral("yyyy-MM-dd"); break;
        case 'H': out += QStringLiteral("HH"); break;
        case 'k': out += QStringLiteral("H"); break;
        case 'I': out += QStringLiteral("hh"); break;
        case 'l': out += QStringLiteral("h"); break;
        case 'M': out += QStringLiteral("mm"); break;
        case 'S': out += QStringLiteral("ss"); break;
        case 'p': out += QStringLiteral("tt"); break;
        case 'T': out += QStringLiteral("HH:mm:ss"); break;
        case 'R': out += QStringLiteral("HH:mm"); break;
        case 'r': out += QStringLiteral("hh:mm:ss tt"); break;
        case '%': out += u'%'; break;
        default: break; // names of days and months are not part of these settings
        }
    }
    return out;
}

QString renderPattern(const QString &pattern, int year, int month, int day, int hour, int minute, int second)
{
    // Built in a buffer on the stack: the text is allocated once, at the end.
    QVarLengthArray<QChar, 64> out;
    auto put = [&](QChar c) { out.append(c); };
    // A value with at least `width` digits, zeros in front.
    auto number = [&](int value, int width) {
        char16_t digits[12];
        int n = 0;
        unsigned v = unsigned(value < 0 ? -value : value);
        do {
            digits[n++] = char16_t(u'0' + v % 10);
            v /= 10;
        } while (v);
        if (value < 0)
            put(u'-');
        for (int pad = width - n; pad > 0; --pad)
            put(u'0');
        while (n)
            put(QChar(digits[--n]));
    };
    const QChar *p = pattern.constData();
    const qsizetype size = pattern.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = p[i];
        if (c == u'\'') {
            qsizetype close = i + 1;
            while (close < size && p[close] != u'\'')
                ++close;
            out.append(p + i + 1, close - i - 1);
            i = close < size ? close + 1 : size;
            continue;
        }
        qsizetype run = i + 1;
        while (run < size && p[run] == c)
            ++run;
        const int count = int(run - i);
        switch (c.unicode()) {
        case 'd': number(day, count >= 2 ? 2 : 1); break;
        case 'M': number(month, count >= 2 ? 2 : 1); break;
        case 'y':
            if (count <= 2)
                number(year % 100, 2);
            else
                number(year, 4);
            break;
        case 'H': number(hour, count >= 2 ? 2 : 1); break;
        case 'h': number(hour % 12 == 0 ? 12 : hour % 12, count >= 2 ? 2 : 1); break;
        case 'm': number(minute, count >= 2 ? 2 : 1); break;
        case 's': number(second, count >= 2 ? 2 : 1); break;
        case 't':
            put(hour < 12 ? u'A' : u'P');
            put(u'M');
            break;
        default: out.append(p + i, count); break;
        }
        i = run;
    }
    return QString(out.constData(), out.size());
}

RegionalSettings RegionalSettings::fromSystem()
{
    RegionalSettings r;
#ifdef _WIN32
    wchar_t buffer[128];
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 128) > 1)
        r.decimalSeparator = QChar(buffer[0]);
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, buffer, 128) > 1)
        r.shortDate = QString::fromWCharArray(buffer);
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STIMEFORMAT, buffer, 128) > 1)
        r.longTime = QString::fromWCharArray(buffer);
#else
    // The locale the environment names, read without changing the process's own.
    if (locale_t user = newlocale(LC_ALL_MASK, "", locale_t(0))) {
        const locale_t previous = uselocale(user);
        const QString radix = QString::fromLocal8Bit(nl_langinfo(RADIXCHAR));
        const QString date = patternFromStrftime(QString::fromLocal8Bit(nl_langinfo(D_FMT)));
        const QString time = patternFromStrftime(QString::fromLocal8Bit(nl_langinfo(T_FMT)));
        uselocale(previous);
        freelocale(user);
        if (!radix.isEmpty())
            r.decimalSeparator = radix.front();
        if (!date.isEmpty())
            r.shortDate = date;
        if (!time.isEmpty())
            r.longTime = time;
    }
#endif
    return r;
}

} // namespace wifv
