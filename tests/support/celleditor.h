#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QTableView>

namespace wifv::test {

// Opens the editor of a cell in a grid, as a double click would; null when
// no line editor came up.
inline QLineEdit *openCellEditor(QTableView *table, int row, int column)
{
    const QModelIndex index = table->model()->index(row, column);
    table->setCurrentIndex(index);
    table->edit(index);
    return qobject_cast<QLineEdit *>(QApplication::focusWidget());
}

} // namespace wifv::test
