#include "invoicefixture.h"

#include "xlsxfixtures.h"

#include <QDateTime>

#include <xlsxwriter.h>

namespace wifv::test {

InvoiceCells validInvoice()
{
    return {
        {"A8", QStringLiteral("VKN: 4417209583")},
        {"A17", QStringLiteral("VKN: RO1234567")},
        {"B22", QStringLiteral("VNT-2025-0042")},
        {"B23", QDateTime(QDate(2025, 7, 28), QTime(0, 0))},
        {"A25", QStringLiteral("Reservation №")},
        {"A26", QStringLiteral("R-1001")},
        {"B26", QStringLiteral("Ioana Ștefănescu")},
        {"C26", QStringLiteral("Istanbul / Cappadocia")},
        {"D26", QDateTime(QDate(2025, 8, 1), QTime(0, 0))},
        {"E26", 1234.5},
        {"A27", QStringLiteral("R-1002")},
        {"B27", QStringLiteral("Mihai \"Mișu\" Pop")},
        {"C27", QStringLiteral("Antalya")},
        {"D27", QDateTime(QDate(2025, 8, 2), QTime(14, 30))},
        {"E27", 99.0},
        {"A28", QStringLiteral("Grand TOTAL")},
        {"E28", 1333.5},
    };
}

QByteArray invoiceWorkbook(const InvoiceCells &cells)
{
    return buildWorkbook([&](lxw_workbook *wb) {
        lxw_worksheet *ws = workbook_add_worksheet(wb, "Factura");
        lxw_format *date = workbook_add_format(wb);
        format_set_num_format(date, "dd/mm/yyyy");
        for (auto it = cells.begin(); it != cells.end(); ++it) {
            lxw_row_t row = 0;
            lxw_col_t col = 0;
            const QByteArray ref = it.key().toLatin1();
            col = lxw_name_to_col(ref.constData());
            row = lxw_name_to_row(ref.constData());
            const QVariant &v = it.value();
            if (v.typeId() == QMetaType::Double) {
                worksheet_write_number(ws, row, col, v.toDouble(), nullptr);
            } else if (v.typeId() == QMetaType::QDateTime) {
                const QDateTime t = v.toDateTime();
                lxw_datetime dt = {t.date().year(), t.date().month(), t.date().day(), t.time().hour(),
                                   t.time().minute(), double(t.time().second())};
                worksheet_write_datetime(ws, row, col, &dt, date);
            } else {
                worksheet_write_string(ws, row, col, v.toString().toUtf8().constData(), nullptr);
            }
        }
    });
}

} // namespace wifv::test
