#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>

namespace wifv::test {

// The cells of a Vintra invoice by reference ("A8"); a QString value is
// written as text, a double as a number, a QDateTime as a date cell with
// the format dd/mm/yyyy.
using InvoiceCells = QMap<QString, QVariant>;

// A valid invoice with two lines and the "Grand TOTAL" row.
InvoiceCells validInvoice();

// The workbook of those cells (on a sheet "Factura"), written with libxlsxwriter.
QByteArray invoiceWorkbook(const InvoiceCells &cells);

} // namespace wifv::test
