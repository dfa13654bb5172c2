#pragma once

#include "regional.h"
#include "workbook.h"

#include <QAbstractTableModel>

namespace wifv {

// The table model of the spreadsheet view over one sheet of the workbook it
// holds: column letters and row numbers as headers, cells as their display
// text. Rows and columns are virtual: nothing is built per row.
class WorkbookModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit WorkbookModel(QObject *parent = nullptr);

    // The settings the cell texts are written with (the platform's by default).
    void setRegionalSettings(const RegionalSettings &regional);
    const RegionalSettings &regionalSettings() const { return m_regional; }

    const Workbook &workbook() const { return m_book; }
    // Swaps in a whole workbook; its active sheet is shown.
    void setWorkbook(Workbook book);
    // Removes every sheet: no sheet remains and none is active.
    void clear();
    void setActiveSheet(int index);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    void workbookChanged();

private:
    const Sheet *sheet() const;
    void measure();
    Workbook m_book;
    int m_rows = 0;    // the grid shown: the sheet's extent and a margin,
    int m_columns = 0; // grown by edits, set anew when the sheet changes
    RegionalSettings m_regional;
};

} // namespace wifv
