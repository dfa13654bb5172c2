#include "celltext.h"

#include <QTest>

using namespace wifv;

class TestCellText : public QObject {
    Q_OBJECT
private slots:
    void numbers_data();
    void numbers();
    void extensions_data();
    void extensions();
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

QTEST_APPLESS_MAIN(TestCellText)
#include "tst_celltext.moc"
