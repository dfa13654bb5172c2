#pragma once

#include "workbookmodel.h"

#include <QWidget>

class QTabBar;
class QTableView;

namespace wifv {

// The spreadsheet view: the active sheet as an editable grid, with the sheet
// tabs along the bottom to switch the active sheet.
class TdxSpreadSheet : public QWidget {
    Q_OBJECT
public:
    explicit TdxSpreadSheet(QWidget *parent);

    WorkbookModel &model() { return m_model; }
    const Workbook &workbook() const { return m_model.workbook(); }
    QTableView *table() const { return m_table; }
    QTabBar *tabs() const { return m_tabs; }

    // Reads the file whole, then parses it with the wait cursor on; the
    // workbook on display is replaced only when all of that succeeds.
    void loadFromFile(const QString &path);
    // Removes every sheet.
    void clear();
    // Stores the text of a cell editor still open, so it is what gets read.
    void commitOpenEdit();

private:
    void showTabs();
    WorkbookModel m_model;
    QTableView *m_table;
    QTabBar *m_tabs;
};

} // namespace wifv
