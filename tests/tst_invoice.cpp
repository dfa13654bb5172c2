#include "errors.h"
#include "failure.h"
#include "invoice.h"
#include "invoicefixture.h"
#include "xlsxfixtures.h"
#include "xlsxreader.h"

#include <QTest>

#include <xlsxwriter.h>

using namespace wifv;
using namespace wifv::test;

namespace {

const RegionalSettings kRegional{u',', QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss")};

QString documentOf(const InvoiceCells &cells)
{
    return invoiceJson(readInvoice(readXlsx(invoiceWorkbook(cells)), kRegional));
}

} // namespace

class TestInvoice : public QObject {
    Q_OBJECT
private slots:
    void validInvoiceDocument();
    void checks_data();
    void checks();
    void lines_data();
    void lines();
    void thirdSheetActiveIsRead();
    void clearedViewFailsAtTheFiscalCode();
    void exampleDocument();
    void jsonEscapes_data();
    void jsonEscapes();
    void prefixRemoval_data();
    void prefixRemoval();
};

void TestInvoice::validInvoiceDocument()
{
    QCOMPARE(documentOf(validInvoice()),
             QString("{\"cuiVintra\":\"4417209583\",\"cuiEu\":\"RO1234567\",\"dataFact\":\"28.07.2025\","
                     "\"nrFact\":\"VNT-2025-0042\",\"poz\":["
                     "{\"com_int\":\"R-1001\",\"client\":\"Ioana Ștefănescu\",\"tour\":\"Istanbul \\/ Cappadocia\","
                     "\"data_sf_tour\":\"01.08.2025\",\"pret\":\"1234,5\"},"
                     "{\"com_int\":\"R-1002\",\"client\":\"Mihai \\\"Mișu\\\" Pop\",\"tour\":\"Antalya\","
                     "\"data_sf_tour\":\"02.08.2025 14:30:00\",\"pret\":\"99\"}]}"));
}

void TestInvoice::checks_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QVariant>("value"); // invalid: the cell is left out
    QTest::addColumn<QString>("expected"); // empty: the invoice reads
    const QString fiscal = QStringLiteral("factura nu contine codul fiscal \"Vintra\"=4417209583");
    const QString heading = QStringLiteral("Fiserul nu contine \"Reservation №\" in coloana A randul 25");
    QTest::newRow("A8 prefix and code") << "A8" << QVariant("VKN: 4417209583") << "";
    QTest::newRow("A8 lower-case prefix") << "A8" << QVariant("vkn: 4417209583") << "";
    QTest::newRow("A8 code alone") << "A8" << QVariant("4417209583") << "";
    QTest::newRow("A8 code as a number") << "A8" << QVariant(4417209583.0) << "";
    QTest::newRow("A8 prefix without blank") << "A8" << QVariant("VKN:4417209583") << fiscal;
    QTest::newRow("A8 trailing blank") << "A8" << QVariant("4417209583 ") << fiscal;
    QTest::newRow("A8 other code") << "A8" << QVariant("VKN: 4417209584") << fiscal;
    QTest::newRow("A8 empty") << "A8" << QVariant() << fiscal;
    QTest::newRow("A25 with more text") << "A25" << QVariant("Nr. Reservation № / data") << "";
    QTest::newRow("A25 capitals") << "A25" << QVariant("RESERVATION №") << heading;
    QTest::newRow("A25 without the blank") << "A25" << QVariant("Reservation№") << heading;
    QTest::newRow("B22 one blank") << "B22" << QVariant(" ") << "";
    QTest::newRow("B22 empty") << "B22" << QVariant() << "Numarul facturii nu este completat.";
    QTest::newRow("B23 empty") << "B23" << QVariant() << "Data facturii nu este completata.";
    QTest::newRow("no end marker") << "A28" << QVariant("Total") << "Fisierul nu contine randul \"Grand TOTAL\" in coloana A";
}

void TestInvoice::checks()
{
    QFETCH(QString, cell);
    QFETCH(QVariant, value);
    QFETCH(QString, expected);
    InvoiceCells cells = validInvoice();
    if (value.isValid())
        cells[cell] = value;
    else
        cells.remove(cell);
    QCOMPARE(failureOf([&] { documentOf(cells); }), expected);
}

void TestInvoice::lines_data()
{
    QTest::addColumn<InvoiceCells>("cells");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("expectedFragment");
    InvoiceCells emptyList = validInvoice();
    emptyList["A26"] = QStringLiteral("Grand TOTAL");
    QTest::newRow("marker at row 26") << emptyList << 0 << "\"poz\":[]";
    InvoiceCells capitals = validInvoice();
    capitals["A27"] = QStringLiteral("GRAND TOTAL");
    QTest::newRow("capitals do not end the lines") << capitals << 2 << "\"com_int\":\"GRAND TOTAL\"";
    InvoiceCells longer = validInvoice();
    longer["A27"] = QStringLiteral("Grand TOTAL EUR");
    QTest::newRow("marker with more text ends them") << longer << 1 << "\"pret\":\"1234,5\"}]}";
    InvoiceCells gap = validInvoice();
    for (const char *ref : {"A27", "B27", "C27", "D27", "E27"})
        gap.remove(ref);
    QTest::newRow("empty row between lines")
        << gap << 2 << "{\"com_int\":\"\",\"client\":\"\",\"tour\":\"\",\"data_sf_tour\":\"\",\"pret\":\"\"}";
}

void TestInvoice::lines()
{
    QFETCH(InvoiceCells, cells);
    QFETCH(int, lines);
    QFETCH(QString, expectedFragment);
    const Invoice invoice = readInvoice(readXlsx(invoiceWorkbook(cells)), kRegional);
    QCOMPARE(int(invoice.poz.size()), lines);
    QVERIFY2(invoiceJson(invoice).contains(expectedFragment), qPrintable(invoiceJson(invoice)));
}

void TestInvoice::thirdSheetActiveIsRead()
{
    const QByteArray bytes = buildWorkbook([](lxw_workbook *wb) {
        worksheet_write_string(workbook_add_worksheet(wb, "Unu"), 7, 0, "nu", nullptr);
        workbook_add_worksheet(wb, "Doi");
        lxw_worksheet *ws = workbook_add_worksheet(wb, "Trei");
        worksheet_write_string(ws, 7, 0, "4417209583", nullptr);
        worksheet_write_string(ws, 24, 0, "Reservation №", nullptr);
        worksheet_write_string(ws, 21, 1, "N", nullptr);
        worksheet_write_string(ws, 22, 1, "D", nullptr);
        worksheet_write_string(ws, 25, 0, "Grand TOTAL", nullptr);
        worksheet_activate(ws);
    });
    QCOMPARE(readInvoice(readXlsx(bytes), kRegional).nrFact, QString("N"));
}

void TestInvoice::clearedViewFailsAtTheFiscalCode()
{
    QCOMPARE(failureOf([] { readInvoice(Workbook{}, kRegional); }),
             QString("factura nu contine codul fiscal \"Vintra\"=4417209583"));
    QCOMPARE(failureOf([] { readInvoice(Workbook::initial(), kRegional); }),
             QString("factura nu contine codul fiscal \"Vintra\"=4417209583"));
}

void TestInvoice::exampleDocument()
{
    Invoice invoice{"4417209583", "X", "D", "N", {{"R", "C", "A/B", "T", "12,5"}}};
    QCOMPARE(invoiceJson(invoice),
             QString(R"({"cuiVintra":"4417209583","cuiEu":"X","dataFact":"D","nrFact":"N","poz":[{"com_int":"R","client":"C","tour":"A\/B","data_sf_tour":"T","pret":"12,5"}]})"));
}

void TestInvoice::jsonEscapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("quote, backslash, slash") << "a\"b\\c/d" << R"("a\"b\\c\/d")";
    QTest::newRow("named controls") << "\b\t\n\f\r" << R"("\b\t\n\f\r")";
    QTest::newRow("other control") << QString("a") + QChar(1) + "b" << R"("a\u0001b")";
    QTest::newRow("unit separator") << QString(QChar(0x1F)) << R"("\u001F")";
    QTest::newRow("code 0") << QString("a") + QChar(0) + "b" << R"("a\u0000b")";
    QTest::newRow("diacritics and №") << "ș ă №" << "\"ș ă №\"";
    QTest::newRow("pair outside the BMP") << "😀" << "\"😀\"";
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + "x" << "\"\uFFFDx\"";
    QTest::newRow("delete stays raw") << "\x7F" << "\"\x7F\"";
    QTest::newRow("byte order mark and non-characters stay raw")
        << QString(QChar(0xFEFF)) + QChar(0xFFFF) + QChar(0xFFFE)
        << QString(u'"') + QChar(0xFEFF) + QChar(0xFFFF) + QChar(0xFFFE) + u'"';
}

void TestInvoice::jsonEscapes()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QString out;
    appendJsonString(out, text);
    QCOMPARE(out, expected);
}

void TestInvoice::prefixRemoval_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("prefix") << "VKN: 1" << "1";
    QTest::newRow("mixed case, twice") << "vKn: VKN: 1" << "1";
    QTest::newRow("one scan") << "VKVKN: N: 1" << "VKN: 1";
    QTest::newRow("in the middle") << "RO VKN: 1" << "RO 1";
}

void TestInvoice::prefixRemoval()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(removeFiscalPrefix(text), expected);
}

QTEST_APPLESS_MAIN(TestInvoice)
#include "tst_invoice.moc"
