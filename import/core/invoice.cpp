#include "invoice.h"

#include "celltext.h"
#include "errors.h"

#include <algorithm>
#include <array>
#include <string_view>

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
    // The text of a cell by its column in a row found before.
    QString at(int column, const Sheet::Row &row) const
    {
        return cellText(m_book, row.cell(std::uint32_t(column)), m_regional);
    }
    Sheet::Row row(int row) const { return m_sheet->row(std::uint32_t(row - 1)); }
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

    // The marker row is found first, so a sheet without one is refused
    // before any line is collected. Rows past the last one holding a cell
    // are all empty: the marker cannot come.
    const int end = sheet.endRow();
    int marker = kFirstLineRow;
    while (marker < end && !sheet.at(A, marker).contains(QStringLiteral("Grand TOTAL")))
        ++marker;
    if (marker >= end)
        throw Error(QStringLiteral("Fisierul nu contine randul \"Grand TOTAL\" in coloana A"));
    invoice.poz.reserve(size_t(marker - kFirstLineRow));
    for (int row = kFirstLineRow; row < marker; ++row) {
        const Sheet::Row cells = sheet.row(row);
        invoice.poz.push_back({sheet.at(A, cells), sheet.at(B, cells), sheet.at(C, cells), sheet.at(D, cells),
                               sheet.at(E, cells)});
    }
    return invoice;
}

namespace {

// How one UTF-16 unit of a text is written: the escape's letter for the
// short escapes, or one of these.
enum : char { kPlain = 0, kPair = 1, kControl = 2, kLone = 3 };

char jsonClass(const QChar *p, qsizetype i, qsizetype n)
{
    const char16_t c = p[i].unicode();
    if (c >= 0x20 && c != u'"' && c != u'\\' && c != u'/' && (c < 0xD800 || c > 0xDFFF))
        return kPlain;
    switch (c) {
    case u'"': return '"';
    case u'\\': return '\\';
    case u'/': return '/';
    case u'\b': return 'b';
    case u'\t': return 't';
    case u'\n': return 'n';
    case u'\f': return 'f';
    case u'\r': return 'r';
    default: break;
    }
    if (c < 0x20)
        return kControl;
    if (c <= 0xDBFF && i + 1 < n && p[i + 1].isLowSurrogate())
        return kPair;
    return kLone;
}

// The characters a text takes as a JSON string, quotes included.
qsizetype jsonStringSize(const QString &text)
{
    const QChar *p = text.constData();
    const qsizetype n = text.size();
    qsizetype size = 2 + n;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = jsonClass(p, i, n);
        if (c == kPair)
            ++i;
        else if (c == kControl)
            size += 5; // \u00XX for one unit
        else if (c != kPlain && c != kLone)
            size += 1; // a backslash and a letter
    }
    return size;
}

// Writes a text as a JSON string at `out`; returns where it ends. Runs of
// characters that stand as themselves are copied whole.
QChar *writeJsonString(QChar *out, const QString &text)
{
    static const char hex[] = "0123456789ABCDEF";
    const QChar *p = text.constData();
    const qsizetype n = text.size();
    *out++ = u'"';
    qsizetype plain = 0; // start of the run written as it is
    auto flush = [&](qsizetype to) {
        std::copy(p + plain, p + to, out);
        out += to - plain;
    };
    for (qsizetype i = 0; i < n; ++i) {
        const char c = jsonClass(p, i, n);
        if (c == kPlain)
            continue;
        if (c == kPair) {
            ++i; // a whole pair stays as it is
            continue;
        }
        flush(i);
        plain = i + 1;
        if (c == kLone) {
            *out++ = QChar(0xFFFD); // a lone surrogate has no UTF-8 form
        } else if (c == kControl) {
            // Raw control characters would make the document invalid JSON.
            const char16_t u = p[i].unicode();
            for (char e : {'\\', 'u', '0', '0', hex[u >> 4], hex[u & 15]})
                *out++ = QLatin1Char(e);
        } else {
            *out++ = u'\\';
            *out++ = QLatin1Char(c);
        }
    }
    flush(n);
    *out++ = u'"';
    return out;
}

QChar *writeLatin1(QChar *out, std::string_view text)
{
    for (char c : text)
        *out++ = QLatin1Char(c);
    return out;
}

} // namespace

void appendJsonString(QString &out, const QString &text)
{
    const qsizetype old = out.size();
    out.resize(old + jsonStringSize(text));
    writeJsonString(out.data() + old, text);
}

QString invoiceJson(const Invoice &invoice)
{
    // The exact length is worked out first, so the text is allocated once
    // and written in place.
    static constexpr std::string_view header[] = {"{\"cuiVintra\":", ",\"cuiEu\":", ",\"dataFact\":", ",\"nrFact\":"};
    static constexpr std::string_view line[] = {"{\"com_int\":", ",\"client\":", ",\"tour\":", ",\"data_sf_tour\":",
                                                ",\"pret\":"};
    static constexpr std::string_view poz = ",\"poz\":[", end = "]}";
    const QString *headerValues[] = {&invoice.cuiVintra, &invoice.cuiEu, &invoice.dataFact, &invoice.nrFact};
    auto lineValues = [](const InvoiceLine &l) {
        return std::array<const QString *, 5>{&l.com_int, &l.client, &l.tour, &l.data_sf_tour, &l.pret};
    };

    qsizetype size = qsizetype(poz.size() + end.size());
    for (int k = 0; k < 4; ++k)
        size += qsizetype(header[k].size()) + jsonStringSize(*headerValues[k]);
    qsizetype lineKeys = 1; // the closing brace
    for (const std::string_view &key : line)
        lineKeys += qsizetype(key.size());
    for (const InvoiceLine &l : invoice.poz) {
        size += lineKeys;
        for (const QString *value : lineValues(l))
            size += jsonStringSize(*value);
    }
    size += qsizetype(invoice.poz.size() > 0 ? invoice.poz.size() - 1 : 0); // commas between lines

    QString out(size, Qt::Uninitialized);
    QChar *at = out.data();
    for (int k = 0; k < 4; ++k)
        at = writeJsonString(writeLatin1(at, header[k]), *headerValues[k]);
    at = writeLatin1(at, poz);
    bool first = true;
    for (const InvoiceLine &l : invoice.poz) {
        if (!first)
            *at++ = u',';
        first = false;
        const auto values = lineValues(l);
        for (size_t k = 0; k < values.size(); ++k)
            at = writeJsonString(writeLatin1(at, line[k]), *values[k]);
        *at++ = u'}';
    }
    at = writeLatin1(at, end);
    Q_ASSERT(at == out.constData() + size);
    return out;
}

} // namespace wifv
