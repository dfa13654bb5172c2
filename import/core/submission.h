#pragma once

#include "pgquery.h"

#include <QString>
#include <memory>

namespace wifv {

// The stored-function call on the company connection.
std::unique_ptr<PgQuery> makeImportCall(PgConnection &conTavo);

// Calls the stored function with the operator's name and the document; any
// error is caught here. Returns the log line: "Factura s-a importat", or
// "Eroare = " and the error's message.
QString submitInvoice(PgQuery &call, const QString &user, const QString &json);

} // namespace wifv
