#include "apptitle.h"
#include "celleditor.h"
#include "dmcon.h"
#include "errordisplay.h"
#include "spreadsheetview.h"
#include "tfimportfactvintra.h"
#include "xlsxfixtures.h"
#include "xlsxreader.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QDropEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <xlsxwriter.h>

using namespace wifv;
using namespace wifv::test;

namespace {

QByteArray threeSheets()
{
    return buildWorkbook([](lxw_workbook *wb) {
        worksheet_write_string(workbook_add_worksheet(wb, "Unu"), 0, 0, "primul", nullptr);
        workbook_add_worksheet(wb, "Doi");
        lxw_worksheet *third = workbook_add_worksheet(wb, "Trei");
        worksheet_write_string(third, 24, 0, "Reservation \xE2\x84\x96", nullptr);
        worksheet_write_number(third, 25, 4, 1234.5, nullptr);
        worksheet_activate(third);
    });
}

} // namespace

class TestImportWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void startsWithOneEmptySheet();
    void cancelKeepsTheWorkbook();
    void extensionRule_data();
    void extensionRule();
    void loadShowsTheSavedActiveSheet();
    void failedLoadsKeepThePreviousWorkbook_data();
    void failedLoadsKeepThePreviousWorkbook();
    void clearThenLoadAgain();
    void editTypedIntoACell();
    void modelContract();
    void viewGrowsWithTheWindow();
    void droppedFileLoads();

private:
    QString write(const QString &name, const QByteArray &bytes);
    int sheetCount() const { return int(m_window->dxSpreadSheet1->workbook().sheets.size()); }
    QString cellText(int row, int column) const
    {
        auto &model = m_window->dxSpreadSheet1->model();
        return model.data(model.index(row, column)).toString();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TdmCon> m_dm;
    std::unique_ptr<TfImportFactVintra> m_window;
    QStringList m_shown;
    std::optional<QString> m_answer;
};

void TestImportWindow::initTestCase()
{
    setApplicationTitle(QStringLiteral("wimportfactvintra"));
    QVERIFY(m_dir.isValid());
}

void TestImportWindow::init()
{
    m_dm = std::make_unique<TdmCon>();
    dmCon = m_dm.get();
    m_window = std::make_unique<TfImportFactVintra>(nullptr);
    m_window->dxSpreadSheet1->model().setRegionalSettings({u',', QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss")});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_shown.clear();
    setMessageBoxHook([this](QWidget *, const QString &, const QString &text) { m_shown << text; });
    setOpenFileDialog([this](QWidget *) { return m_answer; });
}

void TestImportWindow::cleanup()
{
    setMessageBoxHook({});
    setOpenFileDialog({});
    m_window.reset();
    dmCon = nullptr;
    m_dm.reset();
}

QString TestImportWindow::write(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(bytes);
    return path;
}

void TestImportWindow::startsWithOneEmptySheet()
{
    QCOMPARE(m_window->windowTitle(), QString("fImportFactVintra"));
    QCOMPARE(m_window->size(), QSize(1094, 730));
    QCOMPARE(m_window->ButtonAlegeFisier->text(), QString("Alege fisier factura"));
    QCOMPARE(m_window->ButtonImporta->geometry(), QRect(144, 27, 99, 25));
    QCOMPARE(m_window->ButtonClear->geometry(), QRect(305, 27, 75, 25));
    QCOMPARE(m_window->dxSpreadSheet1->geometry(), QRect(8, 58, 1074, 514));
    QCOMPARE(m_window->Memo1->geometry(), QRect(8, 591, 1074, 131));
    QVERIFY(!m_window->Memo1->isReadOnly());
    QCOMPARE(sheetCount(), 1);
    QCOMPARE(m_window->dxSpreadSheet1->workbook().sheets[0].name, QString("Sheet1"));
    QCOMPARE(m_window->dxSpreadSheet1->tabs()->count(), 1);
    QCOMPARE(m_window->dxSpreadSheet1->tabs()->tabText(0), QString("Sheet1"));
}

void TestImportWindow::cancelKeepsTheWorkbook()
{
    m_answer = write("three.xlsx", threeSheets());
    QTest::mouseClick(m_window->ButtonAlegeFisier, Qt::LeftButton);
    QCOMPARE(sheetCount(), 3);
    m_answer.reset();
    QTest::mouseClick(m_window->ButtonAlegeFisier, Qt::LeftButton);
    QCOMPARE(m_shown, QStringList{"Nu s-a ales nici un fisier..."});
    QCOMPARE(sheetCount(), 3);
}

void TestImportWindow::extensionRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow(".xlsx") << "a.xlsx" << true;
    QTest::newRow(".XLSX") << "b.XLSX" << true;
    QTest::newRow(".xlsm") << "c.xlsm" << false;
    QTest::newRow(".xls") << "d.xls" << false;
    QTest::newRow(".xlsx.bak") << "e.xlsx.bak" << false;
    QTest::newRow("no extension") << "factura" << false;
}

void TestImportWindow::extensionRule()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    m_answer = write(name, threeSheets());
    QTest::mouseClick(m_window->ButtonAlegeFisier, Qt::LeftButton);
    if (accepted) {
        QCOMPARE(m_shown, QStringList());
        QCOMPARE(sheetCount(), 3);
    } else {
        QCOMPARE(m_shown, QStringList{"Extensia fisier trebuie sa fie \"xlsx\""});
        QCOMPARE(sheetCount(), 1);
    }
}

void TestImportWindow::loadShowsTheSavedActiveSheet()
{
    m_window->LoadWorkbook(write("three.xlsx", threeSheets()));
    auto *tabs = m_window->dxSpreadSheet1->tabs();
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->currentIndex(), 2);
    QCOMPARE(m_window->dxSpreadSheet1->workbook().activeSheet, 2);
    QCOMPARE(cellText(24, 0), QString("Reservation №"));
    QCOMPARE(cellText(25, 4), QString("1234,5"));
    // The operator's choice of tab is the active sheet.
    tabs->setCurrentIndex(0);
    QCOMPARE(m_window->dxSpreadSheet1->workbook().activeSheet, 0);
    QCOMPARE(cellText(0, 0), QString("primul"));
}

void TestImportWindow::failedLoadsKeepThePreviousWorkbook_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shownStart");
    const QByteArray good = threeSheets();
    QTest::newRow("plain text") << "text.xlsx" << QByteArray("not a workbook") << "Unsupported document format.";
    QTest::newRow("damaged sheet") << "damaged.xlsx"
                                   << derive(good, [](auto &p) { p["xl/worksheets/sheet3.xml"].chop(30); })
                                   << "The workbook is damaged: invalid XML";
    QTest::newRow("missing file") << "" << QByteArray() << "Cannot open file";
    QTest::newRow("encrypted package") << "secret.xlsx" << zipParts(unzipParts(good), "parola")
                                       << "Unsupported document format.";
    QTest::newRow("entity expansion") << "laughs.xlsx"
                                      << derive(good, [](auto &p) {
                                             p["xl/worksheets/sheet2.xml"].replace(
                                                 "<worksheet ", "<!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                                                                "\"&a;&a;&a;&a;&a;&a;&a;&a;\">]><worksheet ");
                                         })
                                      << "The workbook is damaged: invalid XML at line";
    QTest::newRow("reference past the sheet") << "xfe.xlsx"
                                              << derive(good, [](auto &p) {
                                                     p["xl/worksheets/sheet1.xml"].replace("r=\"A1\"", "r=\"XFE1\"");
                                                 })
                                              << "The workbook is damaged: invalid cell reference \"XFE1\"";
}

void TestImportWindow::failedLoadsKeepThePreviousWorkbook()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shownStart);
    m_window->LoadWorkbook(write("three.xlsx", threeSheets()));
    m_answer = name.isEmpty() ? m_dir.filePath("gone.xlsx") : write(name, bytes);
    QTest::mouseClick(m_window->ButtonAlegeFisier, Qt::LeftButton);
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown.front().startsWith(shownStart), qPrintable(m_shown.front()));
    QCOMPARE(sheetCount(), 3);
    QCOMPARE(cellText(24, 0), QString("Reservation №"));
}

void TestImportWindow::clearThenLoadAgain()
{
    m_window->LoadWorkbook(write("three.xlsx", threeSheets()));
    m_window->Memo1->appendPlainText(QStringLiteral("Factura s-a importat"));
    QTest::mouseClick(m_window->ButtonClear, Qt::LeftButton);
    QCOMPARE(sheetCount(), 0);
    QCOMPARE(m_window->dxSpreadSheet1->workbook().activeSheet, -1);
    QCOMPARE(m_window->dxSpreadSheet1->tabs()->count(), 0);
    QCOMPARE(m_window->dxSpreadSheet1->model().rowCount(), 0);
    QVERIFY(m_window->Memo1->toPlainText().isEmpty());
    QCOMPARE(cellText(0, 0), QString());

    m_answer = m_dir.filePath("three.xlsx");
    QTest::mouseClick(m_window->ButtonAlegeFisier, Qt::LeftButton);
    QCOMPARE(m_shown, QStringList());
    QCOMPARE(sheetCount(), 3);
}

void TestImportWindow::editTypedIntoACell()
{
    QTableView *table = m_window->dxSpreadSheet1->table();
    QLineEdit *editor = openCellEditor(table, 21, 1); // B22
    QVERIFY(editor);
    QTest::keyClicks(editor, "F-2025/07");
    QTest::keyClick(editor, Qt::Key_Return);
    const Workbook &book = m_window->dxSpreadSheet1->workbook();
    QTRY_VERIFY(book.sheets[0].cell(21, 1)); // the view commits the edit from its event loop
    const auto cell = book.sheets[0].cell(21, 1);
    QCOMPARE(cell->kind, CellKind::Text);
    QCOMPARE(book.text(*cell), QString("F-2025/07"));

    // An emptied edit removes the value.
    editor = openCellEditor(table, 21, 1);
    QVERIFY(editor);
    editor->clear();
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!book.sheets[0].cell(21, 1));
}

void TestImportWindow::modelContract()
{
    WorkbookModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setData(model.index(99, 25), QStringLiteral("colt")); // grows the grid by a row and a column
    QCOMPARE(model.rowCount(), 101);
    QCOMPARE(model.columnCount(), 27);
    QCOMPARE(model.headerData(26, Qt::Horizontal).toString(), QString("AA"));
    QCOMPARE(model.headerData(0, Qt::Vertical).toInt(), 1);
    QCOMPARE(model.data(model.index(99, 25), Qt::ToolTipRole).toString(), QString("colt"));
    model.setWorkbook(readXlsx(threeSheets()));
    model.setActiveSheet(1);
    model.clear();
    QCOMPARE(model.rowCount(), 0);
}

void TestImportWindow::viewGrowsWithTheWindow()
{
    m_window->resize(1194, 830);
    QTRY_COMPARE(m_window->dxSpreadSheet1->geometry(), QRect(8, 58, 1174, 614));
    QCOMPARE(m_window->Memo1->geometry(), QRect(8, 691, 1174, 131));
    QCOMPARE(m_window->ButtonClear->geometry(), QRect(305, 27, 75, 25));
}

void TestImportWindow::droppedFileLoads()
{
    auto drop = [this](const QString &path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(500, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent event(QPointF(500, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &event);
    };
    drop(write("dropped.xlsx", threeSheets()));
    QCOMPARE(sheetCount(), 3);
    drop(write("dropped.xls", threeSheets()));
    QCOMPARE(m_shown, QStringList{"Extensia fisier trebuie sa fie \"xlsx\""});
    QCOMPARE(sheetCount(), 3);
}

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
