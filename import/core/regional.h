#pragma once

#include <QString>

namespace wifv {

// The operator's regional settings for cell texts. Patterns use the letters
// d dd M MM yy yyyy (date) and H HH h hh m mm s ss tt (time, tt the AM/PM
// designator), as the Windows settings write them; other characters stand
// for themselves, and text between single quotes is literal.
struct RegionalSettings {
    QChar decimalSeparator = u'.';
    QString shortDate = QStringLiteral("M/d/yyyy");
    QString longTime = QStringLiteral("h:mm:ss tt");

    // Read once from the platform: the user's locale on Windows, the POSIX
    // locale of the environment elsewhere.
    static RegionalSettings fromSystem();
};

// Translates a POSIX strftime pattern (D_FMT, T_FMT) to the letters above.
QString patternFromStrftime(const QString &posix);

// Renders a date or time by such a pattern.
QString renderPattern(const QString &pattern, int year, int month, int day, int hour, int minute, int second);

} // namespace wifv
