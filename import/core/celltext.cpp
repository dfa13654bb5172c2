#include "celltext.h"

#include "numberformat.h"

#include <QDate>

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
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    const std::string text(buffer, result.ptr);
    const bool negative = text.front() == '-';
    const size_t e = text.find('e');
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < e; ++i)
        if (text[i] != '.')
            digits += text[i];
    const int exponent = std::atoi(text.c_str() + e + 1);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    QString out = negative ? QStringLiteral("-") : QString();
    if (exponent >= 15 || exponent < -4) {
        out += QChar(digits[0]);
        if (digits.size() > 1) {
            out += decimalSeparator;
            out += QString::fromLatin1(digits.substr(1));
        }
        out += u'E';
        if (exponent < 0)
            out += u'-';
        out += QString::number(std::abs(exponent));
        return out;
    }
    if (exponent < 0) {
        out += u'0';
        out += decimalSeparator;
        out += QString(-exponent - 1, u'0');
        out += QString::fromLatin1(digits);
        return out;
    }
    const size_t whole = size_t(exponent) + 1;
    if (digits.size() <= whole) {
        out += QString::fromLatin1(digits) + QString(qsizetype(whole - digits.size()), u'0');
    } else {
        out += QString::fromLatin1(digits.substr(0, whole));
        out += decimalSeparator;
        out += QString::fromLatin1(digits.substr(whole));
    }
    return out;
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
