#include "spreadsheetview.h"

#include "errors.h"
#include "xlsxreader.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

namespace wifv {

namespace {
// The grid, with its editor commit reachable from the view.
class SheetTable : public QTableView {
public:
    using QTableView::QTableView;
    void commitOpenEdit()
    {
        if (state() != EditingState)
            return;
        QWidget *editor = indexWidget(currentIndex());
        if (!editor)
            editor = QApplication::focusWidget();
        if (editor && isAncestorOf(editor)) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
};

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};
} // namespace

TdxSpreadSheet::TdxSpreadSheet(QWidget *parent) : QWidget(parent)
{
    m_table = new SheetTable(this);
    m_table->setObjectName(QStringLiteral("dxSpreadSheet1Grid"));
    m_table->setModel(&m_model);
    // Fixed row heights keep a sheet of a million rows cheap to show and scroll.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(20);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setDefaultSectionSize(80);
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("dxSpreadSheet1Tabs"));
    m_tabs->setShape(QTabBar::RoundedSouth);
    m_tabs->setExpanding(false);
    m_tabs->setDrawBase(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_tabs);

    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) { m_model.setActiveSheet(index); });
    connect(&m_model, &WorkbookModel::workbookChanged, this, &TdxSpreadSheet::showTabs);
    showTabs();
}

void TdxSpreadSheet::showTabs()
{
    const QSignalBlocker blocker(m_tabs);
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    for (const Sheet &sheet : m_model.workbook().sheets)
        m_tabs->addTab(sheet.name);
    m_tabs->setCurrentIndex(m_model.workbook().activeSheet);
}

void TdxSpreadSheet::loadFromFile(const QString &path)
{
    QByteArray bytes;
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path),
                                                                          file.errorString()));
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw Error(QStringLiteral("Cannot read file \"%1\". %2").arg(QDir::toNativeSeparators(path),
                                                                          file.errorString()));
    }
    Workbook book;
    {
        const WaitCursor wait;
        book = readXlsx(bytes);
    }
    m_model.setWorkbook(std::move(book));
    m_table->scrollToTop();
}

void TdxSpreadSheet::commitOpenEdit()
{
    static_cast<SheetTable *>(m_table)->commitOpenEdit();
}

void TdxSpreadSheet::clear()
{
    m_model.clear();
}

} // namespace wifv
