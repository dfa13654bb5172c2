#include "errors.h"
#include "failure.h"
#include "xlsxfixtures.h"
#include "xlsxreader.h"

#include <QTest>

#include <xlsxwriter.h>

using namespace wifv;
using namespace wifv::test;

namespace {

QString describe(const Workbook &book, const std::optional<Cell> &cell)
{
    if (!cell)
        return QStringLiteral("none");
    auto number = [&] { return QString::number(cell->number, 'g', 17); };
    QString value;
    switch (cell->kind) {
    case CellKind::Empty: value = QStringLiteral("empty"); break;
    case CellKind::Text: value = QStringLiteral("text:") + book.text(*cell); break;
    case CellKind::Number: value = QStringLiteral("number:") + number(); break;
    case CellKind::Logical: value = QStringLiteral("logical:") + number(); break;
    case CellKind::Error: value = QStringLiteral("error:") + book.text(*cell); break;
    case CellKind::Formula:
        switch (cell->result) {
        case ResultKind::None: value = QStringLiteral("formula-none"); break;
        case ResultKind::Text: value = QStringLiteral("formula-text:") + book.text(*cell); break;
        case ResultKind::Number: value = QStringLiteral("formula-number:") + number(); break;
        case ResultKind::Logical: value = QStringLiteral("formula-logical:") + number(); break;
        case ResultKind::Error: value = QStringLiteral("formula-error:") + book.text(*cell); break;
        }
        break;
    }
    return value + u'|' + book.format(*cell);
}

// Every cell kind the writer can produce, on the first sheet.
QByteArray kindsWorkbook(bool inlineStrings)
{
    return buildWorkbook(
        [](lxw_workbook *wb) {
            lxw_worksheet *ws = workbook_add_worksheet(wb, "Factura");
            lxw_format *date = workbook_add_format(wb);
            format_set_num_format(date, "dd/mm/yyyy");
            lxw_format *builtin = workbook_add_format(wb);
            format_set_num_format_index(builtin, 14);
            lxw_format *twoDecimals = workbook_add_format(wb);
            format_set_num_format_index(twoDecimals, 4);
            lxw_format *bold = workbook_add_format(wb);
            format_set_bold(bold);
            worksheet_write_string(ws, 0, 0, "Tur \xC8\x98" "ahul / 2", nullptr);
            worksheet_write_number(ws, 0, 1, 1234.5678, nullptr);
            worksheet_write_number(ws, 0, 2, 0.1, twoDecimals);
            worksheet_write_boolean(ws, 0, 3, 1, nullptr);
            worksheet_write_formula_num(ws, 0, 4, "=1+1", nullptr, 2);
            worksheet_write_formula_str(ws, 0, 5, "=\"a\"&\"b\"", nullptr, "ab");
            worksheet_write_formula_str(ws, 0, 6, "=\"\"", nullptr, "");
            lxw_datetime when = {2025, 7, 28, 0, 0, 0};
            worksheet_write_datetime(ws, 0, 7, &when, date);
            worksheet_write_number(ws, 0, 8, 45000.25, builtin);
            lxw_rich_string_tuple part1 = {bold, const_cast<char *>("Gras")};
            lxw_rich_string_tuple part2 = {nullptr, const_cast<char *>(" normal")};
            lxw_rich_string_tuple *rich[] = {&part1, &part2, nullptr};
            worksheet_write_rich_string(ws, 0, 9, rich, nullptr);
            worksheet_write_string(ws, 1, 0, "_x0041_ escaped", nullptr);
            worksheet_write_string(ws, 1, 1, "_xD83D__xDE00_ pair", nullptr);
            worksheet_write_string(ws, 1, 2, "lone _xD800_ and _xDC00_", nullptr);
            worksheet_write_string(ws, 1, 3, "a_x000D__x000A_b _x12_ _xZZZZ_", nullptr);
            worksheet_write_number(ws, 2, 0, 1e-7, nullptr);
            worksheet_write_number(ws, 2, 1, 123456789012345678.0, nullptr);
        },
        inlineStrings);
}

} // namespace

class TestXlsxReader : public QObject {
    Q_OBJECT
private slots:
    void cellKinds_data();
    void cellKinds();
    void errorsAndBooleanResults();
    void activeSheetAndSheetList();
    void date1904();
    void sparseSheet();
    void repeatedAndDistinctTexts_data();
    void repeatedAndDistinctTexts();
    void workbookWithoutSheets();
    void packageVariants_data();
    void packageVariants();
    void badFiles_data();
    void badFiles();
    void sizeLimits();
    void rowsOutOfOrderAndDuplicates();
};

void TestXlsxReader::cellKinds_data()
{
    QTest::addColumn<bool>("inlineStrings");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");
    for (bool inl : {false, true}) {
        const char *mode = inl ? "inline" : "shared";
        auto row = [&](const char *name, int r, int c, const QString &expected) {
            QTest::addRow("%s %s", mode, name) << inl << r << c << expected;
        };
        row("text", 0, 0, QStringLiteral("text:Tur Șahul / 2|General"));
        row("number exact", 0, 1, QStringLiteral("number:1234.5678|General"));
        row("built-in format 4", 0, 2, QStringLiteral("number:0.10000000000000001|#,##0.00"));
        row("boolean", 0, 3, QStringLiteral("logical:1|General"));
        row("formula number", 0, 4, QStringLiteral("formula-number:2|General"));
        row("formula text", 0, 5, QStringLiteral("formula-text:ab|General"));
        row("formula empty text", 0, 6, QStringLiteral("formula-text:|General"));
        row("date with custom format", 0, 7, QStringLiteral("number:45866|dd/mm/yyyy"));
        row("built-in format 14", 0, 8, QStringLiteral("number:45000.25|mm-dd-yy"));
        row("rich text", 0, 9, QStringLiteral("text:Gras normal|General"));
        row("escape", 1, 0, QStringLiteral("text:A escaped|General"));
        row("escaped surrogate pair", 1, 1, QStringLiteral("text:\U0001F600 pair|General"));
        row("escaped lone surrogates", 1, 2, QStringLiteral("text:lone \uFFFD and \uFFFD|General"));
        row("escaped line end, not escapes", 1, 3, QStringLiteral("text:a\r\nb _x12_ _xZZZZ_|General"));
        row("tiny number", 2, 0, QStringLiteral("number:9.9999999999999995e-08|General"));
        // The writer keeps 16 significant digits; the reader takes them exactly.
        row("big number", 2, 1, QStringLiteral("number:1.234567890123457e+17|General"));
        row("absent cell", 5, 5, QStringLiteral("none"));
    }
}

void TestXlsxReader::cellKinds()
{
    QFETCH(bool, inlineStrings);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, expected);
    static const Workbook shared = readXlsx(kindsWorkbook(false));
    static const Workbook inlined = readXlsx(kindsWorkbook(true));
    const Workbook &book = inlineStrings ? inlined : shared;
    QCOMPARE(book.sheets.size(), size_t(1));
    QCOMPARE(book.sheets[0].name, QString("Factura"));
    QCOMPARE(describe(book, book.sheets[0].cell(std::uint32_t(row), std::uint32_t(column))), expected);
}

void TestXlsxReader::errorsAndBooleanResults()
{
    // The writer has no error cells; they are put into a written sheet.
    const QByteArray good = buildWorkbook([](lxw_workbook *wb) {
        worksheet_write_number(workbook_add_worksheet(wb, nullptr), 0, 0, 1, nullptr);
    });
    const QByteArray bytes = derive(good, [](QMap<QString, QByteArray> &parts) {
        QByteArray &sheet = parts["xl/worksheets/sheet1.xml"];
        sheet.replace("</row>", "<c r=\"B1\" t=\"e\"><v>#N/A</v></c><c r=\"C1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
                                "<c r=\"D1\" t=\"b\"><f>1=1</f><v>1</v></c><c r=\"E1\"><f>A1</f></c>"
                                "<c r=\"F1\" t=\"d\"><v>2025-07-28T12:00:00</v></c>"
                                "<c r=\"G1\"><f>SUM(A1:A2)</f><v></v></c><c r=\"H1\" s=\"0\"><v/></c>"
                                "<c r=\"I1\" t=\"str\"><f>\"\"</f><v></v></c></row>");
    });
    const Workbook book = readXlsx(bytes);
    const Sheet &s = book.sheets[0];
    QCOMPARE(describe(book, s.cell(0, 1)), QString("error:#N/A|General"));
    QCOMPARE(describe(book, s.cell(0, 2)), QString("formula-error:#DIV/0!|General"));
    QCOMPARE(describe(book, s.cell(0, 3)), QString("formula-logical:1|General"));
    QCOMPARE(describe(book, s.cell(0, 4)), QString("formula-none|General"));
    QCOMPARE(describe(book, s.cell(0, 5)), QString("number:45866.5|General"));
    // An empty value element, as openpyxl writes for formulas, is no value.
    QCOMPARE(describe(book, s.cell(0, 6)), QString("formula-none|General"));
    QCOMPARE(describe(book, s.cell(0, 7)), QString("none"));
    QCOMPARE(describe(book, s.cell(0, 8)), QString("formula-text:|General"));
}

void TestXlsxReader::activeSheetAndSheetList()
{
    const Workbook book = readXlsx(buildWorkbook([](lxw_workbook *wb) {
        workbook_add_worksheet(wb, "Unu");
        workbook_add_worksheet(wb, "Doi");
        lxw_worksheet *third = workbook_add_worksheet(wb, "Trei");
        worksheet_write_string(third, 0, 0, "aici", nullptr);
        worksheet_activate(third);
    }));
    QCOMPARE(book.sheets.size(), size_t(3));
    QCOMPARE(book.sheets[1].name, QString("Doi"));
    QCOMPARE(book.activeSheet, 2);
    QCOMPARE(describe(book, book.sheets[2].cell(0, 0)), QString("text:aici|General"));
}

void TestXlsxReader::date1904()
{
    const QByteArray good = buildWorkbook([](lxw_workbook *wb) { workbook_add_worksheet(wb, nullptr); });
    QVERIFY(!readXlsx(good).date1904);
    const QByteArray bytes = derive(good, [](QMap<QString, QByteArray> &parts) {
        parts["xl/workbook.xml"].replace("<workbookPr ", "<workbookPr date1904=\"1\" ");
        parts["xl/worksheets/sheet1.xml"].replace("<sheetData/>",
                                                  "<sheetData><row r=\"1\"><c r=\"A1\" t=\"d\"><v>1904-01-02</v></c></row></sheetData>");
    });
    const Workbook book = readXlsx(bytes);
    QVERIFY(book.date1904);
    QCOMPARE(describe(book, book.sheets[0].cell(0, 0)), QString("number:1|General"));
}

void TestXlsxReader::sparseSheet()
{
    const Workbook book = readXlsx(buildWorkbook([](lxw_workbook *wb) {
        worksheet_write_string(workbook_add_worksheet(wb, nullptr), 999999, 3, "jos", nullptr);
    }));
    const Sheet &s = book.sheets[0];
    QCOMPARE(s.cellCount(), size_t(1));
    QCOMPARE(s.rowCount(), 1000000u);
    QCOMPARE(describe(book, s.cell(999999, 3)), QString("text:jos|General"));
}

void TestXlsxReader::repeatedAndDistinctTexts_data()
{
    QTest::addColumn<bool>("inlineStrings");
    QTest::newRow("shared") << false;
    QTest::newRow("inline") << true;
}

// Texts that repeat, in among many distinct ones (more than the reader
// remembers at once, so buckets are taken over), each read back as written.
void TestXlsxReader::repeatedAndDistinctTexts()
{
    QFETCH(bool, inlineStrings);
    auto text = [](int row, int column) {
        return column == 0 ? QStringLiteral("R-%1").arg(row) : QStringLiteral("client %1").arg(row % (7 * column));
    };
    constexpr int kRows = 12000;
    const Workbook book = readXlsx(buildWorkbook(
        [&](lxw_workbook *wb) {
            lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
            for (int r = 0; r < kRows; ++r)
                for (int c = 0; c < 3; ++c)
                    worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c), text(r, c).toUtf8().constData(), nullptr);
        },
        inlineStrings));
    const Sheet &s = book.sheets[0];
    QCOMPARE(s.cellCount(), size_t(kRows * 3));
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < 3; ++c)
            QCOMPARE(book.text(*s.cell(std::uint32_t(r), std::uint32_t(c))), text(r, c));
    QVERIFY(book.strings.size() < size_t(kRows * 2)); // the repeated ones stored once
}

void TestXlsxReader::workbookWithoutSheets()
{
    const QByteArray good = buildWorkbook([](lxw_workbook *wb) { workbook_add_worksheet(wb, "S"); });
    const QByteArray bytes = derive(good, [](QMap<QString, QByteArray> &parts) {
        QByteArray &wb = parts["xl/workbook.xml"];
        const qsizetype from = wb.indexOf("<sheets>"), to = wb.indexOf("</sheets>") + 9;
        wb.replace(from, to - from, "<sheets/>");
    });
    const Workbook book = readXlsx(bytes);
    QCOMPARE(book.sheets.size(), size_t(1));
    QCOMPARE(book.sheets[0].name, QString("Sheet1"));
    QCOMPARE(book.activeSheet, 0);
}

void TestXlsxReader::packageVariants_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = buildWorkbook([](lxw_workbook *wb) {
        worksheet_write_string(workbook_add_worksheet(wb, "S"), 0, 0, "a", nullptr);
    });
    QTest::newRow("as written") << good;
    QTest::newRow("absolute targets") << derive(good, [](auto &p) {
        p["xl/_rels/workbook.xml.rels"].replace("Target=\"", "Target=\"/xl/");
    });
    QTest::newRow("targets with ..") << derive(good, [](auto &p) {
        p["xl/_rels/workbook.xml.rels"].replace("Target=\"", "Target=\"../xl/");
    });
    QTest::newRow("workbook found by content type") << derive(good, [](auto &p) { p.remove("_rels/.rels"); });
    QTest::newRow("workbook part elsewhere") << derive(good, [](auto &p) {
        p["book/main.xml"] = p.take("xl/workbook.xml");
        p["book/_rels/main.xml.rels"] = p.take("xl/_rels/workbook.xml.rels").replace("Target=\"", "Target=\"/xl/");
        p["_rels/.rels"].replace("xl/workbook.xml", "book/main.xml");
        p["[Content_Types].xml"].replace("/xl/workbook.xml", "/book/main.xml");
    });
    QTest::newRow("strict namespaces") << derive(good, [](auto &p) {
        for (const char *part : {"xl/workbook.xml", "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"}) {
            p[part].replace("http://schemas.openxmlformats.org/spreadsheetml/2006/main",
                            "http://purl.oclc.org/ooxml/spreadsheetml/main");
            p[part].replace("http://schemas.openxmlformats.org/officeDocument/2006/relationships",
                            "http://purl.oclc.org/ooxml/officeDocument/relationships");
        }
    });
}

void TestXlsxReader::packageVariants()
{
    QFETCH(QByteArray, bytes);
    const Workbook book = readXlsx(bytes);
    QCOMPARE(book.sheets.size(), size_t(1));
    QCOMPARE(book.sheets[0].name, QString("S"));
    QCOMPARE(describe(book, book.sheets[0].cell(0, 0)), QString("text:a|General"));
}

void TestXlsxReader::badFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected"); // the whole message, or a part of it after "~"
    const QByteArray good = buildWorkbook([](lxw_workbook *wb) {
        lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
        worksheet_write_string(ws, 0, 0, "a", nullptr);
        worksheet_write_number(ws, 1, 0, 2, nullptr);
    });
    QTest::newRow("empty file") << QByteArray() << "Unsupported document format";
    QTest::newRow("plain text") << QByteArray("Factura,1,2\n") << "Unsupported document format";
    QTest::newRow("OLE compound file") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + QByteArray(504, '\0'))
                                       << "Unsupported document format";
    QTest::newRow("truncated zip") << good.left(good.size() / 2) << "Unsupported document format";
    QTest::newRow("zip without a workbook part")
        << zipParts({{"readme.txt", "hello"}}) << "Unsupported document format";
    QTest::newRow("workbook part removed")
        << derive(good, [](auto &p) { p.remove("xl/workbook.xml"); }) << "Unsupported document format";
    QTest::newRow("truncated sheet XML")
        << derive(good, [](auto &p) { p["xl/worksheets/sheet1.xml"].chop(40); })
        << "~invalid XML at line 2: unclosed token (part xl/worksheets/sheet1.xml)";
    QTest::newRow("shared string out of range")
        << derive(good, [](auto &p) { p["xl/worksheets/sheet1.xml"].replace("t=\"s\"><v>0</v>", "t=\"s\"><v>7</v>"); })
        << "~cell A1 refers to shared string 7, which does not exist (part xl/worksheets/sheet1.xml)";
    QTest::newRow("not a number")
        << derive(good, [](auto &p) { p["xl/worksheets/sheet1.xml"].replace("<v>2</v>", "<v>2,5</v>"); })
        << "~cell A2 holds \"2,5\", which is not a number";
    QTest::newRow("document type")
        << derive(good, [](auto &p) {
               p["xl/sharedStrings.xml"].replace("<sst ", "<!DOCTYPE sst [<!ENTITY a \"aaaa\">]><sst ");
           })
        << "~a document type declaration is not allowed (part xl/sharedStrings.xml)";
    const QString sheet = QStringLiteral("xl/worksheets/sheet1.xml");
    auto inSheet = [&](const char *from, const char *to) {
        return derive(good, [&](auto &p) {
            QVERIFY(p[sheet].contains(from));
            p[sheet].replace(from, to);
        });
    };
    QTest::newRow("encrypted package") << zipParts(unzipParts(good), "secret") << "Unsupported document format";
    QTest::newRow("billion laughs")
        << derive(good, [&](auto &p) {
               QByteArray entities = "<!ENTITY l0 \"ha\">";
               for (int i = 1; i < 10; ++i)
                   entities += QStringLiteral("<!ENTITY l%1 \"%2\">")
                                   .arg(i)
                                   .arg(QStringLiteral("&l%1;").arg(i - 1).repeated(10))
                                   .toUtf8();
               p[sheet].replace("<worksheet ", "<!DOCTYPE worksheet [" + entities + "]><worksheet ");
               p[sheet].replace("<v>2</v>", "<v>&l9;</v>");
           })
        << "~a document type declaration is not allowed (part xl/worksheets/sheet1.xml)";
    QTest::newRow("external entity")
        << derive(good, [&](auto &p) {
               p[sheet].replace("<worksheet ", "<!DOCTYPE worksheet [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><worksheet ");
               p[sheet].replace("<v>2</v>", "<v>&e;</v>");
           })
        << "~a document type declaration is not allowed (part xl/worksheets/sheet1.xml)";
    QTest::newRow("entity without a document type")
        << inSheet("<v>2</v>", "<v>&e;</v>") << "~undefined entity (part xl/worksheets/sheet1.xml)";
    QTest::newRow("column past XFD") << inSheet("r=\"A1\"", "r=\"XFE1\"") << "~invalid cell reference \"XFE1\"";
    QTest::newRow("row past 1048576") << inSheet("r=\"A2\"", "r=\"A1048577\"") << "~invalid cell reference \"A1048577\"";
    QTest::newRow("row 0 in a reference") << inSheet("r=\"A2\"", "r=\"A0\"") << "~invalid cell reference \"A0\"";
    QTest::newRow("negative reference") << inSheet("r=\"A2\"", "r=\"-A2\"") << "~invalid cell reference \"-A2\"";
    QTest::newRow("lower-case reference") << inSheet("r=\"A2\"", "r=\"a2\"") << "~invalid cell reference \"a2\"";
    QTest::newRow("huge column letters") << inSheet("r=\"A2\"", "r=\"AAAAAAAAAAAAAAAAAAAA2\"")
                                         << "~invalid cell reference \"AAAAAAAAAAAAAAAAAAAA2\"";
    QTest::newRow("row number past the sheet") << inSheet("<row r=\"2\"", "<row r=\"1048577\"")
                                               << "~invalid row number \"1048577\"";
    QTest::newRow("negative row number") << inSheet("<row r=\"2\"", "<row r=\"-3\"") << "~invalid row number \"-3\"";
    // Cells and rows without references, counted past the sheet's edge.
    QTest::newRow("cells counted past XFD") << inSheet("<row r=\"2\"", "<row r=\"3\">" + QByteArray("<c><v>1</v></c>").repeated(16385) + "</row><row r=\"4\"")
                                            << "~more than 16384 cells in row 3";
    QTest::newRow("rows counted past 1048576")
        << inSheet("</sheetData>", QByteArray("<row/>").repeated(1048576 - 2 + 1) + "</sheetData>")
        << "~more than 1048576 rows";
    QTest::newRow("invalid UTF-8 in a shared string")
        << derive(good, [](auto &p) { p["xl/sharedStrings.xml"].replace("<t>a</t>", "<t>\xC3\x28</t>"); })
        << "~not well-formed (invalid token) (part xl/sharedStrings.xml)";
    QTest::newRow("style index out of range")
        << inSheet("<v>2</v>", "<v>2</v></c><c r=\"B2\" s=\"99\"><v>3</v>") << "~cell style 99 does not exist";
    QTest::newRow("style index not a number")
        << inSheet("<v>2</v>", "<v>2</v></c><c r=\"B2\" s=\"x\"><v>3</v>") << "~cell style \"x\" is not an index";
    QTest::newRow("shared string index negative")
        << inSheet("t=\"s\"><v>0</v>", "t=\"s\"><v>-1</v>") << "~refers to shared string -1, which does not exist";
    QTest::newRow("relationship outside the package")
        << derive(good, [](auto &p) {
               p["xl/_rels/workbook.xml.rels"].replace("Target=\"worksheets/sheet1.xml\"", "Target=\"../../etc/passwd\"");
           })
        << "~is missing (part etc/passwd)";
    QTest::newRow("sheet part missing")
        << derive(good, [](auto &p) { p.remove("xl/worksheets/sheet1.xml"); }) << "~is missing (part xl/worksheets/sheet1.xml)";
}

void TestXlsxReader::badFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const QString message = failureOf([&] { readXlsx(bytes); });
    if (expected.startsWith(u'~'))
        QVERIFY2(message.contains(expected.mid(1)) && message.startsWith(u"The workbook is damaged"), qPrintable(message));
    else
        QCOMPARE(message, expected);
}

void TestXlsxReader::sizeLimits()
{
    const QByteArray good = buildWorkbook([](lxw_workbook *wb) {
        lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
        for (int r = 0; r < 100; ++r)
            for (int c = 0; c < 10; ++c)
                worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c), r * 10 + c, nullptr);
    });
    // A bomb: a sheet part of a few kilobytes that inflates to 3 MiB.
    const QByteArray bomb = derive(good, [](auto &p) {
        QByteArray &sheet = p["xl/worksheets/sheet1.xml"];
        sheet.insert(sheet.indexOf("<sheetData>") + 11, QByteArray(3 << 20, ' '));
    });
    QVERIFY(bomb.size() < 64 * 1024);
    ReadLimits limits;
    limits.inflatedBytes = 1 << 20;
    QCOMPARE(failureOf([&] { readXlsx(bomb, limits); }),
             QString("The workbook is too large to load: its parts inflate to more than 1 MiB (part xl/worksheets/sheet1.xml)"));
    QCOMPARE(readXlsx(bomb).sheets[0].cellCount(), size_t(1000)); // within the usual limit it is only a workbook

    // Both limits count the whole workbook: many parts, each small, add up.
    const QByteArray twoSheets = buildWorkbook([](lxw_workbook *wb) {
        for (const char *name : {"Unu", "Doi"}) {
            lxw_worksheet *ws = workbook_add_worksheet(wb, name);
            for (int r = 0; r < 100; ++r)
                for (int c = 0; c < 5; ++c)
                    worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c), r, nullptr);
        }
    });
    const QByteArray twoBombs = derive(twoSheets, [](auto &p) {
        for (const char *part : {"xl/worksheets/sheet1.xml", "xl/worksheets/sheet2.xml"}) {
            QByteArray &sheet = p[part];
            sheet.insert(sheet.indexOf("<sheetData>") + 11, QByteArray(600 * 1024, ' '));
        }
    });
    QCOMPARE(failureOf([&] { readXlsx(twoBombs, limits); }),
             QString("The workbook is too large to load: its parts inflate to more than 1 MiB (part xl/worksheets/sheet2.xml)"));

    limits = {};
    limits.cells = 999;
    QCOMPARE(failureOf([&] { readXlsx(good, limits); }),
             QString("The workbook is too large to load: it holds more than 999 cells"));
    limits.cells = 1000;
    QCOMPARE(readXlsx(good, limits).sheets[0].cellCount(), size_t(1000));
    limits.cells = 999;
    QCOMPARE(failureOf([&] { readXlsx(twoSheets, limits); }),
             QString("The workbook is too large to load: it holds more than 999 cells"));
    limits.cells = 1000;
    QCOMPARE(readXlsx(twoSheets, limits).sheets[1].cellCount(), size_t(500));
}

void TestXlsxReader::rowsOutOfOrderAndDuplicates()
{
    const QByteArray good = buildWorkbook([](lxw_workbook *wb) {
        worksheet_write_number(workbook_add_worksheet(wb, nullptr), 0, 0, 1, nullptr);
    });
    const QByteArray bytes = derive(good, [](auto &p) {
        QByteArray &sheet = p["xl/worksheets/sheet1.xml"];
        const qsizetype from = sheet.indexOf("<sheetData>"), to = sheet.indexOf("</sheetData>") + 12;
        sheet.replace(from, to - from,
                      "<sheetData>"
                      "<row r=\"3\"><c r=\"B3\"><v>32</v></c><c r=\"A3\"><v>31</v></c></row>"
                      "<row r=\"1\"><c r=\"A1\"><v>11</v></c></row>"
                      "<row r=\"3\"><c r=\"B3\"><v>99</v></c></row>"
                      "<row r=\"2\"><c><v>21</v></c><c><v>22</v></c></row>"
                      "</sheetData>");
    });
    const Workbook book = readXlsx(bytes);
    const Sheet &s = book.sheets[0];
    QCOMPARE(s.cellCount(), size_t(5));
    QCOMPARE(describe(book, s.cell(0, 0)), QString("number:11|General"));
    QCOMPARE(describe(book, s.cell(1, 0)), QString("number:21|General"));
    QCOMPARE(describe(book, s.cell(1, 1)), QString("number:22|General"));
    QCOMPARE(describe(book, s.cell(2, 0)), QString("number:31|General"));
    QCOMPARE(describe(book, s.cell(2, 1)), QString("number:99|General")); // the last one given wins
}

QTEST_APPLESS_MAIN(TestXlsxReader)
#include "tst_xlsxreader.moc"
