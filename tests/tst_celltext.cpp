#include "celltext.h"
#include "numberformat.h"
#include "xlsxreader.h"

#include <QTest>

#include <limits>

using namespace wifv;

class TestCellText : public QObject {
    Q_OBJECT
private slots:
    void numbers_data();
    void numbers();
    void extensions_data();
    void extensions();
    void formats_data();
    void formats();
    void dates_data();
    void dates();
    void cells_data();
    void cells();
    void strftimePatterns_data();
    void strftimePatterns();
};

void TestCellText::numbers_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("integer") << 100.0 << "100";
    QTest::newRow("fraction") << 1234.5 << "1234,5";
    QTest::newRow("negative") << -2.5 << "-2,5";
    QTest::newRow("fiscal code as number") << 4417209583.0 << "4417209583";
    QTest::newRow("binary noise rounded away") << 0.1 + 0.2 << "0,3";
    QTest::newRow("15 digits kept") << 999999999999999.0 << "999999999999999";
    QTest::newRow("rounds up to 1E15") << 999999999999999.9 << "1E15";
    QTest::newRow("scientific with fraction") << 1.5e15 << "1,5E15";
    QTest::newRow("scientific whole") << 1e20 << "1E20";
    QTest::newRow("scientific rounded") << 123456789012345678.0 << "1,23456789012346E17";
    QTest::newRow("small scientific") << 5e-5 << "5E-5";
    QTest::newRow("negative small scientific") << -1e-10 << "-1E-10";
    QTest::newRow("smallest plain") << 0.0001 << "0,0001";
    QTest::newRow("plain with leading zeros") << 0.00123 << "0,00123";
    // Rounded to 15 digits, the largest double's text is beyond the double range.
    QTest::newRow("largest double") << -std::numeric_limits<double>::max() << "-1,79769313486232E308";
    QTest::newRow("smallest subnormal") << std::numeric_limits<double>::denorm_min() << "4,94065645841247E-324";
}

void TestCellText::numbers()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(numberText(value, u','), expected);
    QCOMPARE(numberText(value, u'.'), QString(expected).replace(u',', u'.'));
}

void TestCellText::extensions_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("xlsx") << "/home/ana/Factura 12.xlsx" << ".xlsx";
    QTest::newRow("upper case") << "/tmp/F.XLSX" << ".xlsx";
    QTest::newRow("xlsm") << "/tmp/f.xlsm" << ".xlsm";
    QTest::newRow("backup") << "/tmp/f.xlsx.bak" << ".bak";
    QTest::newRow("no extension") << "/tmp/factura" << "";
    QTest::newRow("dot in folder only") << "/tmp/a.b/factura" << "";
    QTest::newRow("only ASCII letters lowered") << "/tmp/f.XLŞX" << ".xlŞx";
}

void TestCellText::extensions()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(fileExtension(path), expected);
}

Q_DECLARE_METATYPE(wifv::FormatClass)

void TestCellText::formats_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<FormatClass>("expected");
    const auto date = FormatClass::DateTime, time = FormatClass::TimeOnly, other = FormatClass::Other;
    for (int id : {14, 15, 16, 17, 22})
        QTest::addRow("built-in %d", id) << builtinNumberFormat(id) << date;
    for (int id : {18, 19, 20, 21, 45, 46, 47})
        QTest::addRow("built-in %d", id) << builtinNumberFormat(id) << time;
    for (int id : {0, 1, 2, 4, 10, 11, 12, 37, 44, 48, 49})
        QTest::addRow("built-in %d", id) << builtinNumberFormat(id) << other;
    QTest::newRow("[h]:mm:ss") << "[h]:mm:ss" << time;
    QTest::newRow("[mm]:ss") << "[mm]:ss" << time;
    QTest::newRow("mm:ss") << "mm:ss" << time;
    QTest::newRow("h:mm") << "h:mm" << time;
    QTest::newRow("m alone is a month") << "m" << date;
    QTest::newRow("mm before a literal and ss") << "mm\\.ss" << time;
    QTest::newRow("hour, literal, m") << "h \"h\" m" << time;
    QTest::newRow("quoted month word") << "\"month \"m" << date;
    QTest::newRow("escaped m") << "\\m" << other;
    QTest::newRow("exponent") << "0.00E+00" << other;
    QTest::newRow("colour") << "[Red]0.00" << other;
    QTest::newRow("locale and weekday") << "[$-409]dddd" << date;
    QTest::newRow("AM/PM only") << "AM/PM" << time;
    QTest::newRow("h AM/PM") << "h AM/PM" << time;
    QTest::newRow("A/P") << "h A/P" << time;
    QTest::newRow("date in the second section") << "0.00;dd/mm/yyyy" << other;
    QTest::newRow("semicolon in quotes") << "\";\"dd" << date;
    QTest::newRow("dd/mm/yyyy") << "dd/mm/yyyy" << date;
    QTest::newRow("yyyy-mm-dd hh:mm:ss") << "yyyy-mm-dd hh:mm:ss" << date;
    QTest::newRow("General") << "General" << other;
    QTest::newRow("text") << "@" << other;
    QTest::newRow("empty") << "" << other;
}

void TestCellText::formats()
{
    QFETCH(QString, code);
    QFETCH(FormatClass, expected);
    QCOMPARE(classifyNumberFormat(code), expected);
}

void TestCellText::dates_data()
{
    QTest::addColumn<double>("serial");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<QString>("european");
    QTest::addColumn<QString>("american");
    QTest::newRow("midnight") << 45866.0 << false << "28.07.2025" << "7/28/2025";
    QTest::newRow("time of day") << 45866.75 << false << "28.07.2025 18:00:00" << "7/28/2025 6:00:00 PM";
    QTest::newRow("day 0") << 0.0 << false << "30.12.1899" << "12/30/1899";
    QTest::newRow("1904 system") << 0.0 << true << "01.01.1904" << "1/1/1904";
    QTest::newRow("last day") << 2958465.0 << false << "31.12.9999" << "12/31/9999";
    QTest::newRow("rounded to 9 decimals") << 45866.0000000001 << false << "28.07.2025" << "7/28/2025";
    QTest::newRow("noon") << 1.5 << false << "31.12.1899 12:00:00" << "12/31/1899 12:00:00 PM";
}

void TestCellText::dates()
{
    QFETCH(double, serial);
    QFETCH(bool, date1904);
    QFETCH(QString, european);
    QFETCH(QString, american);
    QCOMPARE(dateText(serial, date1904, {u',', "dd.MM.yyyy", "HH:mm:ss"}), european);
    QCOMPARE(dateText(serial, date1904, {u'.', "M/d/yyyy", "h:mm:ss tt"}), american);
}

void TestCellText::cells_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("result");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    const int number = int(CellKind::Number), formula = int(CellKind::Formula);
    QTest::newRow("text as stored") << int(CellKind::Text) << 0 << 0.0 << "  VKN: 1 " << "General" << "  VKN: 1 ";
    QTest::newRow("true") << int(CellKind::Logical) << 0 << 1.0 << "" << "General" << "TRUE";
    QTest::newRow("false") << int(CellKind::Logical) << 0 << 0.0 << "" << "General" << "FALSE";
    QTest::newRow("error") << int(CellKind::Error) << 0 << 0.0 << "#DIV/0!" << "General" << "#DIV/0!";
    QTest::newRow("price with a currency format") << number << 0 << 1234.5 << "" << "#,##0.00 \"lei\"" << "1234,5";
    QTest::newRow("date") << number << 0 << 45866.0 << "" << "dd/mm/yyyy" << "28.07.2025";
    QTest::newRow("date range upper bound") << number << 0 << 2958465.99999 << "" << "dd/mm/yyyy"
                                            << "31.12.9999 23:59:59";
    QTest::newRow("beyond the last date") << number << 0 << 2958466.0 << "" << "dd/mm/yyyy" << "2958466";
    QTest::newRow("negative date-formatted") << number << 0 << -1e-10 << "" << "dd/mm/yyyy" << "-1E-10";
    QTest::newRow("time only, no range test") << number << 0 << 3.25 << "" << "h:mm" << "06:00:00";
    // A number too large to hold a time of day (it made the day count overflow).
    QTest::newRow("time of a huge number") << number << 0 << 1e300 << "" << "h:mm" << "00:00:00";
    QTest::newRow("time of infinity") << number << 0 << std::numeric_limits<double>::infinity() << "" << "h:mm"
                                      << "00:00:00";
    QTest::newRow("formula number ignores the format") << formula << int(ResultKind::Number) << 45866.0 << ""
                                                       << "dd/mm/yyyy" << "45866";
    QTest::newRow("formula text") << formula << int(ResultKind::Text) << 0.0 << "ab" << "General" << "ab";
    QTest::newRow("formula empty text") << formula << int(ResultKind::Text) << 0.0 << "" << "General" << "";
    QTest::newRow("formula without result") << formula << int(ResultKind::None) << 0.0 << "" << "General" << "0";
    QTest::newRow("formula logical") << formula << int(ResultKind::Logical) << 1.0 << "" << "General" << "TRUE";
}

void TestCellText::cells()
{
    QFETCH(int, kind);
    QFETCH(int, result);
    QFETCH(double, number);
    QFETCH(QString, text);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    Workbook book;
    Cell cell;
    cell.kind = CellKind(kind);
    cell.result = ResultKind(result);
    cell.number = number;
    cell.text = book.addString(text);
    cell.format = book.addFormat(format);
    QCOMPARE(cellText(book, cell, {u',', "dd.MM.yyyy", "HH:mm:ss"}), expected);
    QCOMPARE(cellText(book, std::nullopt, {}), QString());
}

void TestCellText::strftimePatterns_data()
{
    QTest::addColumn<QString>("posix");
    QTest::addColumn<QString>("rendered");
    QTest::newRow("C date") << "%m/%d/%y" << "07/28/25";
    QTest::newRow("ro_RO date") << "%d.%m.%Y" << "28.07.2025";
    QTest::newRow("C time") << "%H:%M:%S" << "18:05:09";
    QTest::newRow("en_US time") << "%r" << "06:05:09 PM";
    QTest::newRow("literal letters") << "%Y-%m-%dT" << "2025-07-28T";
}

void TestCellText::strftimePatterns()
{
    QFETCH(QString, posix);
    QFETCH(QString, rendered);
    QCOMPARE(renderPattern(patternFromStrftime(posix), 2025, 7, 28, 18, 5, 9), rendered);
}

QTEST_APPLESS_MAIN(TestCellText)
#include "tst_celltext.moc"
