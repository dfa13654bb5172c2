#include "invoice.h"

#include "celltext.h"
#include "errors.h"

namespace wifv {

namespace {

const QString kSupplierCode = QStringLiteral("4417209583");
constexpr int kFirstLineRow = 26;

class SheetText {
public:
    SheetText(const Workbook &book, const RegionalSettings &regional) : m_book(book), m_regional(regional)
    {
        if (book.activeSheet >= 0 && size_t(book.activeSheet) < book.sheets.size())
            m_sheet = &book.sheets[size_t(book.activeSheet)];
    }
    // The text of a cell by its column (0 = A) and 1-based row.
    QString at(int column, int row) const
    {
        if (!m_sheet)
            return {};
        return cellText(m_book, m_sheet->cell(std::uint32_t(row - 1), std::uint32_t(column)), m_regional);
    }
    // One past the last row (1-based) that holds a cell.
    int endRow() const { return m_sheet ? int(m_sheet->rowCount()) + 1 : 1; }

private:
    const Workbook &m_book;
    const RegionalSettings &m_regional;
    const Sheet *m_sheet = nullptr;
};

enum Column { A, B, C, D, E };

} // namespace

QString removeFiscalPrefix(const QString &text)
{
    static const QString prefix = QStringLiteral("VKN: ");
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (QStringView(text).mid(i, prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0) {
            i += prefix.size();
            continue;
        }
        out += text.at(i++);
    }
    return out;
}

Invoice readInvoice(const Workbook &book, const RegionalSettings &regional)
{
    const SheetText sheet(book, regional);
    Invoice invoice;
    invoice.cuiVintra = removeFiscalPrefix(sheet.at(A, 8));
    if (invoice.cuiVintra != kSupplierCode)
        throw Error(QStringLiteral("factura nu contine codul fiscal \"Vintra\"=4417209583"));
    invoice.cuiEu = removeFiscalPrefix(sheet.at(A, 17));
    if (!sheet.at(A, 25).contains(QStringLiteral("Reservation ")))
        throw Error(QStringLiteral("Fiserul nu contine \"Reservation №\" in coloana A randul 25"));
    invoice.nrFact = sheet.at(B, 22);
    invoice.dataFact = sheet.at(B, 23);
    if (invoice.nrFact.isEmpty())
        throw Error(QStringLiteral("Numarul facturii nu este completat."));
    if (invoice.dataFact.isEmpty())
        throw Error(QStringLiteral("Data facturii nu este completata."));

    // Rows past the last one holding a cell are all empty: the marker cannot come.
    const int end = sheet.endRow();
    for (int row = kFirstLineRow;; ++row) {
        if (row >= end)
            throw Error(QStringLiteral("Fisierul nu contine randul \"Grand TOTAL\" in coloana A"));
        const QString first = sheet.at(A, row);
        if (first.contains(QStringLiteral("Grand TOTAL")))
            break;
        invoice.poz.push_back({first, sheet.at(B, row), sheet.at(C, row), sheet.at(D, row), sheet.at(E, row)});
    }
    return invoice;
}

void appendJsonString(QString &out, const QString &text)
{
    static const char hex[] = "0123456789ABCDEF";
    out += u'"';
    const QChar *p = text.constData();
    const qsizetype n = text.size();
    qsizetype plain = 0; // start of the run of characters written as they are
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i].unicode();
        const bool special = c < 0x20 || c == u'"' || c == u'\\' || c == u'/' || (c >= 0xD800 && c <= 0xDFFF);
        if (!special)
            continue;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && p[i + 1].isLowSurrogate()) {
            ++i; // a whole pair stays as it is
            continue;
        }
        out.append(p + plain, i - plain);
        plain = i + 1;
        switch (c) {
        case u'"': out += QLatin1String("\\\""); break;
        case u'\\': out += QLatin1String("\\\\"); break;
        case u'/': out += QLatin1String("\\/"); break;
        case u'\b': out += QLatin1String("\\b"); break;
        case u'\t': out += QLatin1String("\\t"); break;
        case u'\n': out += QLatin1String("\\n"); break;
        case u'\f': out += QLatin1String("\\f"); break;
        case u'\r': out += QLatin1String("\\r"); break;
        default:
            if (c < 0x20) {
                // Raw control characters would make the document invalid JSON.
                const char escaped[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
                out += QLatin1String(escaped, 6);
            } else {
                out += QChar(0xFFFD); // a lone surrogate has no UTF-8 form
            }
        }
    }
    out.append(p + plain, n - plain);
    out += u'"';
}

QString invoiceJson(const Invoice &invoice)
{
    QString out;
    qsizetype size = 96;
    for (const auto &l : invoice.poz)
        size += 80 + l.com_int.size() + l.client.size() + l.tour.size() + l.data_sf_tour.size() + l.pret.size();
    out.reserve(size);
    auto member = [&](const char *key, const QString &value, bool first = false) {
        if (!first)
            out += u',';
        out += u'"';
        out += QLatin1String(key);
        out += QLatin1String("\":");
        appendJsonString(out, value);
    };
    out += u'{';
    member("cuiVintra", invoice.cuiVintra, true);
    member("cuiEu", invoice.cuiEu);
    member("dataFact", invoice.dataFact);
    member("nrFact", invoice.nrFact);
    out += QLatin1String(",\"poz\":[");
    bool first = true;
    for (const InvoiceLine &l : invoice.poz) {
        if (!first)
            out += u',';
        first = false;
        out += u'{';
        member("com_int", l.com_int, true);
        member("client", l.client);
        member("tour", l.tour);
        member("data_sf_tour", l.data_sf_tour);
        member("pret", l.pret);
        out += u'}';
    }
    out += QLatin1String("]}");
    return out;
}

} // namespace wifv
