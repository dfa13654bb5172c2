// Writes the sample invoice workbooks of the demo in the supplier's layout:
//   factura-vintra.xlsx       a valid invoice with twelve lines
//   factura-cod-gresit.xlsx   the same with another supplier's fiscal code
//   factura-fara-total.xlsx   the same without its "Grand TOTAL" row
// Usage: wifv_sample_invoices OUTPUT_FOLDER
#include <xlsxwriter.h>

#include <cstdio>
#include <string>

namespace {

struct Line {
    const char *reservation, *client, *tour;
    int day;
    double price;
};

const Line kLines[] = {
    {"R-24001", "Ioana Ștefănescu", "Istanbul / Cappadocia", 1, 1234.50},
    {"R-24002", "Mihai Țăranu", "Antalya - Side", 2, 899.90},
    {"R-24003", "Ana Pop", "Istanbul / Bursa", 3, 455.00},
    {"R-24004", "Radu Ionescu", "Izmir & Efes", 4, 1020.75},
    {"R-24005", "Elena Dumitrașcu", "Bodrum", 5, 780.00},
    {"R-24006", "Andrei Vlad", "Cappadocia (balon)", 6, 312.40},
    {"R-24007", "Maria Șerban", "Istanbul / Cappadocia", 7, 1234.50},
    {"R-24008", "George Enache", "Pamukkale", 8, 265.10},
    {"R-24009", "Cristina Munteanu", "Antalya - Kemer", 9, 940.00},
    {"R-24010", "Ștefan Lungu", "Trabzon", 10, 610.65},
    {"R-24011", "Irina Bălan", "Istanbul 3 nopți", 11, 389.99},
    {"R-24012", "Dan Preda", "Marmaris", 12, 702.30},
};

bool write(const std::string &path, const char *fiscalCode, bool withTotal)
{
    lxw_workbook *wb = workbook_new(path.c_str());
    if (!wb)
        return false;
    lxw_worksheet *ws = workbook_add_worksheet(wb, "Invoice");
    lxw_format *date = workbook_add_format(wb);
    format_set_num_format(date, "dd.mm.yyyy");
    lxw_format *money = workbook_add_format(wb);
    format_set_num_format(money, "#,##0.00 \"EUR\"");
    lxw_format *bold = workbook_add_format(wb);
    format_set_bold(bold);

    worksheet_write_string(ws, 0, 0, "VINTRA TURİZM A.Ş.", bold);
    worksheet_write_string(ws, 7, 0, (std::string("VKN: ") + fiscalCode).c_str(), nullptr);
    worksheet_write_string(ws, 15, 0, "Bill to:", bold);
    worksheet_write_string(ws, 16, 0, "VKN: RO12345678", nullptr);
    worksheet_write_string(ws, 21, 0, "Invoice No", bold);
    worksheet_write_string(ws, 21, 1, "VNT-2025-0728", nullptr);
    worksheet_write_string(ws, 22, 0, "Invoice Date", bold);
    lxw_datetime invoiceDate = {2025, 7, 28, 0, 0, 0};
    worksheet_write_datetime(ws, 22, 1, &invoiceDate, date);
    const char *headings[] = {"Reservation №", "Client", "Tour", "Date", "Price"};
    for (int c = 0; c < 5; ++c)
        worksheet_write_string(ws, 24, lxw_col_t(c), headings[c], bold);
    lxw_row_t row = 25;
    for (const Line &l : kLines) {
        worksheet_write_string(ws, row, 0, l.reservation, nullptr);
        worksheet_write_string(ws, row, 1, l.client, nullptr);
        worksheet_write_string(ws, row, 2, l.tour, nullptr);
        lxw_datetime day = {2025, 8, l.day, 0, 0, 0};
        worksheet_write_datetime(ws, row, 3, &day, date);
        worksheet_write_number(ws, row, 4, l.price, money);
        ++row;
    }
    if (withTotal) {
        worksheet_write_string(ws, row, 0, "Grand TOTAL", bold);
        worksheet_write_formula(ws, row, 4, "=SUM(E26:E37)", money);
    }
    worksheet_set_column(ws, 0, 0, 18, nullptr);
    worksheet_set_column(ws, 1, 2, 24, nullptr);
    worksheet_set_column(ws, 3, 4, 14, nullptr);
    return workbook_close(wb) == LXW_NO_ERROR;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    const bool ok = write(folder + "factura-vintra.xlsx", "4417209583", true) &&
                    write(folder + "factura-cod-gresit.xlsx", "1234567890", true) &&
                    write(folder + "factura-fara-total.xlsx", "4417209583", false);
    if (!ok)
        std::fprintf(stderr, "could not write the sample invoices into %s\n", argv[1]);
    return ok ? 0 : 1;
}
