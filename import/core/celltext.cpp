#include "celltext.h"

#include "numberformat.h"

#include <QDate>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace wifv {

QString numberText(double value, QChar decimalSeparator)
{
    if (value == 0 || !std::isfinite(value))
        return value == 0 ? QStringLiteral("0") : QString::number(value);
    // 15 significant digits: one before the point and 14 after it.
    char buffer[64];
    const char *end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14).ptr;
    const bool negative = buffer[0] == '-';
    const char *e = std::find(static_cast<const char *>(buffer), end, 'e');
    char digits[24];
    int count = 0;
    for (const char *q = buffer + (negative ? 1 : 0); q < e; ++q)
        if (*q != '.')
            digits[count++] = *q;
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), end, exponent);
    while (count > 1 && digits[count - 1] == '0')
        --count;

    char16_t out[48];
    int n = 0;
    auto put = [&](char16_t c) { out[n++] = c; };
    auto putDigits = [&](int from, int to) {
        for (int k = from; k < to; ++k)
            put(char16_t(digits[k]));
    };
    if (negative)
        put(u'-');
    if (exponent >= 15 || exponent < -4) {
        put(char16_t(digits[0]));
        if (count > 1) {
            put(decimalSeparator.unicode());
            putDigits(1, count);
        }
        put(u'E');
        if (exponent < 0)
            put(u'-');
        char power[8];
        const char *powerEnd = std::to_chars(power, power + sizeof power, std::abs(exponent)).ptr;
        for (const char *q = power; q < powerEnd; ++q)
            put(char16_t(*q));
    } else if (exponent < 0) {
        put(u'0');
        put(decimalSeparator.unicode());
        for (int k = 0; k < -exponent - 1; ++k)
            put(u'0');
        putDigits(0, count);
    } else {
        const int whole = exponent + 1;
        putDigits(0, std::min(count, whole));
        for (int k = count; k < whole; ++k)
            put(u'0');
        if (count > whole) {
            put(decimalSeparator.unicode());
            putDigits(whole, count);
        }
    }
    return QString(reinterpret_cast<const QChar *>(out), n);
}

namespace {

constexpr double kLastDate = 2958465.99999; // 31 December 9999, end of day

struct DayAndTime {
    qint64 day;
    int hour, minute, second;
    bool midnight;
};

DayAndTime split(double serial)
{
    // Past 10^15 days a serial number holds no time of day any more (and its
    // day would not fit the count): it stands for midnight.
    if (!std::isfinite(serial) || std::fabs(serial) >= 1e15)
        return {0, 0, 0, 0, true};
    const double rounded = std::round(serial * 1e9) / 1e9;
    double whole = std::floor(rounded);
    const double fraction = rounded - whole;
    qint64 ms = std::llround(fraction * 86400000.0);
    if (ms >= 86400000) {
        ms -= 86400000;
        whole += 1;
    }
    const qint64 seconds = (ms + 500) / 1000;
    return {qint64(whole), int(seconds / 3600 % 24), int(seconds / 60 % 60), int(seconds % 60), fraction == 0};
}

QString longTime(const DayAndTime &t, const RegionalSettings &regional)
{
    return renderPattern(regional.longTime, 0, 0, 0, t.hour, t.minute, t.second);
}

} // namespace

QString dateText(double serial, bool date1904, const RegionalSettings &regional)
{
    const DayAndTime t = split(serial + (date1904 ? 1462 : 0));
    const QDate date = QDate(1899, 12, 30).addDays(t.day);
    QString text = renderPattern(regional.shortDate, date.year(), date.month(), date.day(), 0, 0, 0);
    if (!t.midnight)
        text += u' ' + longTime(t, regional);
    return text;
}

QString timeText(double serial, const RegionalSettings &regional)
{
    return longTime(split(std::fabs(serial)), regional);
}

QString cellText(const Workbook &book, const std::optional<Cell> &cell, const RegionalSettings &regional)
{
    if (!cell)
        return {};
    auto logical = [](double v) { return v != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE"); };
    switch (cell->kind) {
    case CellKind::Empty: return {};
    case CellKind::Text:
    case CellKind::Error: return book.text(*cell);
    case CellKind::Logical: return logical(cell->number);
    case CellKind::Number:
        switch (book.formatClass(*cell)) {
        case FormatClass::TimeOnly: return timeText(cell->number, regional);
        case FormatClass::DateTime:
            if (cell->number >= 0 && cell->number <= kLastDate)
                return dateText(cell->number, book.date1904, regional);
            break;
        case FormatClass::Other: break;
        }
        return numberText(cell->number, regional.decimalSeparator);
    case CellKind::Formula:
        // A formula's result is shown without its number format.
        switch (cell->result) {
        case ResultKind::None: return QStringLiteral("0");
        case ResultKind::Text:
        case ResultKind::Error: return book.text(*cell);
        case ResultKind::Logical: return logical(cell->number);
        case ResultKind::Number: return numberText(cell->number, regional.decimalSeparator);
        }
    }
    return {};
}

QString fileExtension(const QString &path)
{
    qsizetype nameStart = path.lastIndexOf(u'/') + 1;
#ifdef _WIN32
    nameStart = std::max({nameStart, path.lastIndexOf(u'\\') + 1, path.lastIndexOf(u':') + 1});
#endif
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < nameStart)
        return {};
    QString ext = path.mid(dot);
    for (QChar &c : ext)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return ext;
}

} // namespace wifv
