#include "workbookmodel.h"

#include "celltext.h"


namespace wifv {

namespace {
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
// An empty sheet still shows a grid to type into.
constexpr int kMinRows = 100;
constexpr int kMinColumns = 26;
} // namespace

WorkbookModel::WorkbookModel(QObject *parent)
    : QAbstractTableModel(parent), m_book(Workbook::initial()), m_regional(RegionalSettings::fromSystem())
{
    measure();
}

void WorkbookModel::measure()
{
    const Sheet *s = sheet();
    m_rows = s ? int(std::min<qint64>(kMaxRows, std::max<qint64>(kMinRows, qint64(s->rowCount()) + 1))) : 0;
    m_columns = s ? int(std::min<qint64>(kMaxColumns, std::max<qint64>(kMinColumns, qint64(s->columnCount()) + 1))) : 0;
}

void WorkbookModel::setRegionalSettings(const RegionalSettings &regional)
{
    beginResetModel();
    m_regional = regional;
    endResetModel();
}

void WorkbookModel::setWorkbook(Workbook book)
{
    beginResetModel();
    m_book = std::move(book);
    measure();
    endResetModel();
    emit workbookChanged();
}

void WorkbookModel::clear()
{
    setWorkbook(Workbook{});
}

void WorkbookModel::setActiveSheet(int index)
{
    if (index < 0 || size_t(index) >= m_book.sheets.size() || index == m_book.activeSheet)
        return;
    beginResetModel();
    m_book.activeSheet = index;
    measure();
    endResetModel();
}

const Sheet *WorkbookModel::sheet() const
{
    if (m_book.activeSheet < 0 || size_t(m_book.activeSheet) >= m_book.sheets.size())
        return nullptr;
    return &m_book.sheets[size_t(m_book.activeSheet)];
}

int WorkbookModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int WorkbookModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant WorkbookModel::data(const QModelIndex &index, int role) const
{
    const Sheet *s = sheet();
    // The tooltip shows a text too long for its column whole.
    if (!s || !index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole))
        return {};
    return cellText(m_book, s->cell(std::uint32_t(index.row()), std::uint32_t(index.column())), m_regional);
}

bool WorkbookModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !sheet())
        return false;
    Sheet &s = m_book.sheets[size_t(m_book.activeSheet)];
    const QString text = value.toString();
    const auto row = std::uint32_t(index.row()), column = std::uint32_t(index.column());
    if (text.isEmpty()) {
        s.remove(row, column);
    } else {
        Cell cell;
        if (const auto old = s.cell(row, column))
            cell.format = old->format;
        cell.kind = CellKind::Text;
        cell.text = m_book.addString(text);
        s.set(row, column, cell);
    }
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    // Typing into the last row or column grows the grid by one.
    if (index.row() == m_rows - 1 && m_rows < kMaxRows) {
        beginInsertRows({}, m_rows, m_rows);
        ++m_rows;
        endInsertRows();
    }
    if (index.column() == m_columns - 1 && m_columns < kMaxColumns) {
        beginInsertColumns({}, m_columns, m_columns);
        ++m_columns;
        endInsertColumns();
    }
    return true;
}

Qt::ItemFlags WorkbookModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant WorkbookModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    return orientation == Qt::Horizontal ? QVariant(columnLetters(std::uint32_t(section))) : QVariant(section + 1);
}

} // namespace wifv
