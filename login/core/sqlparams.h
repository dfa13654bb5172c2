#pragma once

#include <QString>
#include <QStringList>

namespace wifv {

// A statement with `:name` parameters rewritten to PostgreSQL's `$n`.
struct ParsedStatement {
    QString text;           // the statement with $1, $2, ... in place of :name
    QStringList parameters; // parameter names in order of first appearance; $n is parameters[n-1]
};

// Rewrites `:name` parameters to `$n`. A name that appears again (in any
// letter case) gets the same number. Quoted text, quoted identifiers,
// dollar-quoted text, comments and `::` casts are left alone.
ParsedStatement parseParameters(const QString &sql);

} // namespace wifv
