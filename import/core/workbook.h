#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace wifv {

enum class CellKind : std::uint8_t { Empty, Text, Number, Logical, Error, Formula };
// The cached result of a formula cell; None when the file holds no result.
enum class ResultKind : std::uint8_t { None, Text, Number, Logical, Error };

// One cell value as the sheet stores it. Texts live once in the workbook's
// string pool; number formats in its format table.
struct Cell {
    CellKind kind = CellKind::Empty;
    ResultKind result = ResultKind::None; // formulas only
    std::uint16_t format = 0;             // index into Workbook::formats (0: "General")
    double number = 0;                    // number; logical as 0 or 1
    std::uint32_t text = 0;               // index into Workbook::strings (text, error)
};

// A sheet's cells, sparse: only cells present are stored, ordered by row
// then column.
class Sheet {
public:
    struct Entry {
        std::uint32_t row; // 0-based
        std::uint32_t column;
        Cell cell;
    };

    QString name;
    bool chart = false; // a chart sheet: never holds cells

    const Cell *cell(std::uint32_t row, std::uint32_t column) const;
    void set(std::uint32_t row, std::uint32_t column, const Cell &cell);
    void remove(std::uint32_t row, std::uint32_t column);
    // Appends while reading; finish() orders the cells (the last of a duplicate wins).
    void append(std::uint32_t row, std::uint32_t column, const Cell &cell) { m_entries.push_back({row, column, cell}); }
    void finish();

    const std::vector<Entry> &entries() const { return m_entries; }
    std::uint32_t rowCount() const;    // one past the last row holding a cell
    std::uint32_t columnCount() const; // one past the last column holding a cell

private:
    std::vector<Entry> m_entries;
};

// The letters of a 0-based column: 0 is "A", 26 is "AA".
QString columnLetters(std::uint32_t column);

struct Workbook {
    std::vector<Sheet> sheets;
    int activeSheet = -1; // none
    bool date1904 = false;
    std::vector<QString> strings;
    std::vector<QString> formats{QStringLiteral("General")};

    std::uint32_t addString(const QString &text);
    std::uint16_t addFormat(const QString &code);
    const QString &text(const Cell &cell) const { return strings[cell.text]; }
    const QString &format(const Cell &cell) const { return formats[cell.format]; }

    // One empty active sheet named "Sheet1", as the view starts.
    static Workbook initial();
};

} // namespace wifv
