// The workbook's storage: texts in the shared blocks of the string pool, and
// cells packed with their positions.
#include "workbook.h"

#include <QTest>

#include <bit>
#include <cmath>
#include <limits>

using namespace wifv;

class TestWorkbook : public QObject {
    Q_OBJECT
private slots:
    void textsKeepTheirBytes_data();
    void textsKeepTheirBytes();
    void manyTextsAcrossBlocks();
    void cellsKeepTheirValues();
    void orderingAndDuplicates();
    void editsAndExtent();
    void rowLookup();
};

void TestWorkbook::textsKeepTheirBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("one letter") << QStringLiteral("a");
    // The length header grows a byte at 128 and at 16384 bytes.
    QTest::newRow("127 bytes") << QString(127, u'x');
    QTest::newRow("128 bytes") << QString(128, u'x');
    QTest::newRow("16384 bytes") << QString(16384, u'y');
    // Above 64 KiB a text takes a block of its own; above 1 MiB it is larger
    // than a shared block.
    QTest::newRow("64 KiB + 1") << QString(65537, u'z');
    QTest::newRow("3 MiB") << QString(3 << 20, u'w');
    QTest::newRow("Romanian and beyond") << QStringLiteral("Ștefănescu № \U0001F600");
    QTest::newRow("NUL inside") << QString::fromUtf16(u"a\0b", 3);
    // Not valid UTF-16 on its own: stored as U+FFFD, never as a '?'.
    QTest::newRow("lone surrogate") << QString(QChar(0xD800));
}

void TestWorkbook::textsKeepTheirBytes()
{
    QFETCH(QString, text);
    StringPool pool;
    const std::uint32_t before = pool.add(std::string_view("before"));
    const std::uint32_t index = pool.add(text);
    const std::uint32_t after = pool.add(std::string_view("after"));
    QCOMPARE(before, 0u);
    QCOMPARE(index, 1u);
    QCOMPARE(after, 2u);
    const QString expected = text.size() == 1 && text.at(0).isSurrogate() ? QString(QChar(0xFFFD)) : text;
    QCOMPARE(pool.text(index), expected);
    QCOMPARE(pool.text(before), QString("before"));
    QCOMPARE(pool.text(after), QString("after"));
}

void TestWorkbook::manyTextsAcrossBlocks()
{
    // About 5 MiB of short texts, mixed with large ones, fills several
    // shared blocks; every text must still read back by its index.
    StringPool pool;
    std::vector<std::string> added;
    for (int i = 0; i < 60000; ++i) {
        std::string t = "rand " + std::to_string(i) + std::string(size_t(i % 150), char('a' + i % 26));
        if (i % 5000 == 0)
            t += std::string(200000, '#');
        added.push_back(t);
        QCOMPARE(pool.add(t), std::uint32_t(i));
    }
    QCOMPARE(pool.size(), added.size());
    for (size_t i = 0; i < added.size(); ++i)
        QVERIFY2(pool.utf8(std::uint32_t(i)) == added[i], qPrintable(QString::number(i)));
}

void TestWorkbook::cellsKeepTheirValues()
{
    Sheet sheet;
    auto make = [](CellKind kind, ResultKind result, std::uint16_t format, std::uint32_t text, double number) {
        Cell c;
        c.kind = kind;
        c.result = result;
        c.format = format;
        c.text = text;
        c.number = number;
        return c;
    };
    const double values[] = {0.1, -0.0, 1e308, -5e-324, std::numeric_limits<double>::infinity(), 45866.5};
    std::uint32_t column = 0;
    for (double v : values)
        sheet.append(7, column++, make(CellKind::Number, ResultKind::None, 65535, 0, v));
    sheet.append(7, column++, make(CellKind::Text, ResultKind::None, 3, 4000000000u, 0));
    sheet.append(7, column++, make(CellKind::Formula, ResultKind::Error, 2, 17, 0));
    sheet.append(7, column++, make(CellKind::Formula, ResultKind::Number, 1, 0, -2.5));
    sheet.append(kSheetRows - 1, kSheetColumns - 1, make(CellKind::Logical, ResultKind::None, 0, 0, 1));
    sheet.finish();

    for (std::uint32_t c = 0; c < std::size(values); ++c) {
        const auto cell = sheet.cell(7, c);
        QVERIFY(cell);
        QCOMPARE(cell->kind, CellKind::Number);
        QCOMPARE(cell->format, std::uint16_t(65535));
        QCOMPARE(std::bit_cast<std::uint64_t>(cell->number), std::bit_cast<std::uint64_t>(values[c]));
    }
    const std::uint32_t first = std::uint32_t(std::size(values));
    QCOMPARE(sheet.cell(7, first)->text, 4000000000u);
    QCOMPARE(sheet.cell(7, first)->format, std::uint16_t(3));
    QCOMPARE(sheet.cell(7, first + 1)->result, ResultKind::Error);
    QCOMPARE(sheet.cell(7, first + 1)->text, 17u);
    QCOMPARE(sheet.cell(7, first + 2)->number, -2.5);
    const auto corner = sheet.cell(kSheetRows - 1, kSheetColumns - 1);
    QVERIFY(corner);
    QCOMPARE(corner->kind, CellKind::Logical);
    QCOMPARE(sheet.rowCount(), kSheetRows);
    QCOMPARE(sheet.columnCount(), kSheetColumns);
}

void TestWorkbook::orderingAndDuplicates()
{
    // Cells read out of order are put in order; of a cell given twice, the
    // last one read wins.
    Sheet sheet;
    Cell c;
    c.kind = CellKind::Number;
    for (auto [row, column, value] : {std::tuple{5u, 1u, 1.0}, {0u, 3u, 2.0}, {5u, 0u, 3.0}, {0u, 3u, 4.0},
                                      {2u, 2u, 5.0}, {5u, 1u, 6.0}, {5u, 1u, 7.0}}) {
        c.number = value;
        sheet.append(row, column, c);
    }
    sheet.finish();
    QCOMPARE(sheet.cellCount(), size_t(4));
    QCOMPARE(sheet.cell(0, 3)->number, 4.0);
    QCOMPARE(sheet.cell(2, 2)->number, 5.0);
    QCOMPARE(sheet.cell(5, 0)->number, 3.0);
    QCOMPARE(sheet.cell(5, 1)->number, 7.0);
    QCOMPARE(sheet.rowCount(), 6u);
    QCOMPARE(sheet.columnCount(), 4u);
}

void TestWorkbook::editsAndExtent()
{
    Sheet sheet;
    Cell c;
    c.kind = CellKind::Number;
    sheet.set(3, 9, c);
    sheet.set(1, 2, c);
    c.number = 8;
    sheet.set(3, 9, c);
    QCOMPARE(sheet.cellCount(), size_t(2));
    QCOMPARE(sheet.cell(3, 9)->number, 8.0);
    QCOMPARE(sheet.columnCount(), 10u);
    sheet.remove(3, 9);
    QVERIFY(!sheet.cell(3, 9));
    QCOMPARE(sheet.columnCount(), 3u); // the widest cell gone, the extent shrinks
    QCOMPARE(sheet.rowCount(), 2u);
    sheet.remove(1, 2);
    sheet.remove(1, 2); // nothing there any more
    QCOMPARE(sheet.columnCount(), 0u);
    QCOMPARE(sheet.rowCount(), 0u);
}

void TestWorkbook::rowLookup()
{
    Sheet sheet;
    Cell c;
    c.kind = CellKind::Number;
    for (std::uint32_t row : {0u, 2u, 3u})
        for (std::uint32_t column : {0u, 4u, 70u}) {
            c.number = row * 100 + column;
            sheet.append(row, column, c);
        }
    sheet.finish();
    QCOMPARE(sheet.row(2).cell(4)->number, 204.0);
    QCOMPARE(sheet.row(3).cell(70)->number, 370.0);
    QVERIFY(!sheet.row(2).cell(5));
    QVERIFY(!sheet.row(1).cell(0)); // an empty row between two full ones
    QVERIFY(!sheet.row(4).cell(0)); // past the last row
    QCOMPARE(sheet.row(0).cell(0)->number, 0.0);
}

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
