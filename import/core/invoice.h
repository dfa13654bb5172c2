#pragma once

#include "regional.h"
#include "workbook.h"

#include <QString>

#include <vector>

namespace wifv {

struct InvoiceLine {
    QString com_int, client, tour, data_sf_tour, pret;
};

// The invoice JSON document: five members in this order, every value text.
struct Invoice {
    QString cuiVintra, cuiEu, dataFact, nrFact;
    std::vector<InvoiceLine> poz;
};

// Removes every "VKN: " (letters in any case) in one left-to-right scan.
QString removeFiscalPrefix(const QString &text);

// Reads the active sheet as a Vintra invoice: checks A8, A25, B22 and B23 and
// collects the lines from row 26 down to the "Grand TOTAL" row. A failed
// check raises its message.
Invoice readInvoice(const Workbook &book, const RegionalSettings &regional);

// The document's text: no whitespace; \" \\ \/ \b \t \n \f \r escaped, the
// other control characters as \u00XX, a lone surrogate as U+FFFD, every
// other character as itself.
QString invoiceJson(const Invoice &invoice);
void appendJsonString(QString &out, const QString &text);

} // namespace wifv
