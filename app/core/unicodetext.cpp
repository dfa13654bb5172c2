#include "unicodetext.h"

namespace wifv {

QString withoutLoneSurrogates(const QString &text)
{
    QString clean;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (clean.isNull())
            clean = text;
        clean[i] = QChar(0xFFFD);
    }
    return clean.isNull() ? text : clean;
}

} // namespace wifv
