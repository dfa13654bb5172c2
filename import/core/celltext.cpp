#include "celltext.h"

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

QString displayText(const Workbook &book, const Cell *cell, QChar decimalSeparator)
{
    if (!cell)
        return {};
    switch (cell->kind) {
    case CellKind::Empty: return {};
    case CellKind::Text:
    case CellKind::Error: return book.text(*cell);
    case CellKind::Logical: return cell->number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case CellKind::Number: return numberText(cell->number, decimalSeparator);
    case CellKind::Formula:
        switch (cell->result) {
        case ResultKind::None: return QStringLiteral("0");
        case ResultKind::Text:
        case ResultKind::Error: return book.text(*cell);
        case ResultKind::Logical: return cell->number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        case ResultKind::Number: return numberText(cell->number, decimalSeparator);
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
