#include "sqlparams.h"

namespace wifv {

namespace {

bool isNameStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

// Index just past a quoted run that starts at `from` with `quote`; a doubled
// quote inside stands for itself.
qsizetype skipQuoted(const QString &s, qsizetype from, QChar quote, bool backslashEscapes)
{
    qsizetype i = from + 1;
    while (i < s.size()) {
        const QChar c = s.at(i);
        if (backslashEscapes && c == u'\\') {
            i += 2;
            continue;
        }
        if (c == quote) {
            if (i + 1 < s.size() && s.at(i + 1) == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return s.size();
}

// A dollar-quote tag ($$ or $tag$) starting at `from`, or empty.
QString dollarTag(const QString &s, qsizetype from)
{
    qsizetype i = from + 1;
    if (i < s.size() && s.at(i) == u'$')
        return QStringLiteral("$$");
    if (i >= s.size() || !isNameStart(s.at(i)))
        return {};
    while (i < s.size() && isNameChar(s.at(i)))
        ++i;
    if (i < s.size() && s.at(i) == u'$')
        return s.mid(from, i - from + 1);
    return {};
}

} // namespace

ParsedStatement parseParameters(const QString &sql)
{
    ParsedStatement out;
    out.text.reserve(sql.size());
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        qsizetype end = i + 1;
        if (c == u'\'') {
            const bool escapes = i > 0 && (sql.at(i - 1) == u'E' || sql.at(i - 1) == u'e')
                                 && (i < 2 || !isNameChar(sql.at(i - 2)));
            end = skipQuoted(sql, i, c, escapes);
        } else if (c == u'"') {
            end = skipQuoted(sql, i, c, false);
        } else if (c == u'-' && i + 1 < sql.size() && sql.at(i + 1) == u'-') {
            end = sql.indexOf(u'\n', i);
            end = end < 0 ? sql.size() : end;
        } else if (c == u'/' && i + 1 < sql.size() && sql.at(i + 1) == u'*') {
            end = sql.indexOf(QStringLiteral("*/"), i + 2);
            end = end < 0 ? sql.size() : end + 2;
        } else if (c == u'$' && (i == 0 || !isNameChar(sql.at(i - 1)))) {
            const QString tag = dollarTag(sql, i);
            if (!tag.isEmpty()) {
                end = sql.indexOf(tag, i + tag.size());
                end = end < 0 ? sql.size() : end + tag.size();
            }
        } else if (c == u':') {
            if (i + 1 < sql.size() && sql.at(i + 1) == u':') {
                end = i + 2;
            } else if (i + 1 < sql.size() && isNameStart(sql.at(i + 1))) {
                end = i + 2;
                while (end < sql.size() && isNameChar(sql.at(end)))
                    ++end;
                const QString name = sql.mid(i + 1, end - i - 1);
                qsizetype index = -1;
                for (qsizetype k = 0; k < out.parameters.size(); ++k) {
                    if (out.parameters.at(k).compare(name, Qt::CaseInsensitive) == 0) {
                        index = k;
                        break;
                    }
                }
                if (index < 0) {
                    out.parameters.append(name);
                    index = out.parameters.size() - 1;
                }
                out.text += u'$' + QString::number(index + 1);
                i = end;
                continue;
            }
        }
        out.text += QStringView(sql).mid(i, end - i);
        i = end;
    }
    return out;
}

} // namespace wifv
