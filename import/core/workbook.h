#pragma once

#include "numberformat.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace wifv {

enum class CellKind : std::uint8_t { Empty, Text, Number, Logical, Error, Formula };
// The cached result of a formula cell; None when the file holds no result.
enum class ResultKind : std::uint8_t { None, Text, Number, Logical, Error };

// One cell value. Texts live once in the workbook's string pool; number
// formats in its format table.
struct Cell {
    CellKind kind = CellKind::Empty;
    ResultKind result = ResultKind::None; // formulas only
    std::uint16_t format = 0;             // the workbook's number-format index (0: "General")
    std::uint32_t text = 0;               // index into Workbook::strings (text, error)
    double number = 0;                    // number; logical as 0 or 1
};

// The largest sheet a workbook can have.
constexpr std::uint32_t kSheetRows = 1048576;
constexpr std::uint32_t kSheetColumns = 16384;

// A sheet's cells, sparse: only cells present are stored, ordered by row
// then column, 16 bytes each.
class Sheet {
public:
    QString name;
    bool chart = false; // a chart sheet: never holds cells

    // The cell at a 0-based row and column; none when nothing is stored there.
    std::optional<Cell> cell(std::uint32_t row, std::uint32_t column) const;

    class Row;
    // The cells of one row, found once, to read the row column by column.
    Row row(std::uint32_t row) const;
    void set(std::uint32_t row, std::uint32_t column, const Cell &cell);
    void remove(std::uint32_t row, std::uint32_t column);
    // Appends while reading (row and column within the sheet limits); finish()
    // orders the cells, the last of a cell given twice winning.
    void append(std::uint32_t row, std::uint32_t column, const Cell &cell);
    void reserve(size_t cells) { m_slots.reserve(cells); }
    void finish();

    size_t cellCount() const { return m_slots.size(); }
    std::uint32_t rowCount() const;                          // one past the last row holding a cell
    std::uint32_t columnCount() const { return m_columns; } // one past the last column holding a cell

private:
    // A cell with its position: the text index or the number's bits share
    // the payload, as a cell holds one or the other.
    struct Slot {
        std::uint32_t row : 20;
        std::uint32_t kind : 4;
        std::uint32_t result : 4;
        std::uint16_t column;
        std::uint16_t format;
        std::uint64_t payload;

        std::uint64_t key() const { return std::uint64_t(row) << 16 | column; }
    };
    static_assert(sizeof(Slot) == 16);
    static Slot pack(std::uint32_t row, std::uint32_t column, const Cell &cell);
    static Cell unpack(const Slot &slot);
    std::vector<Slot>::const_iterator find(std::uint32_t row, std::uint32_t column) const;

    std::vector<Slot> m_slots;
    std::uint32_t m_columns = 0;
};

class Sheet::Row {
public:
    std::optional<Cell> cell(std::uint32_t column) const;

private:
    friend class Sheet;
    Row(const Slot *begin, const Slot *end) : m_begin(begin), m_end(end) {}
    const Slot *m_begin, *m_end;
};

// The letters of a 0-based column: 0 is "A", 26 is "AA".
QString columnLetters(std::uint32_t column);

// A workbook's texts, each kept as UTF-8 in large shared blocks, so storing
// one costs no allocation of its own. Indexes count up from 0 in the order
// texts are added.
class StringPool {
public:
    std::uint32_t add(std::string_view utf8);
    // A text typed in; a lone surrogate, having no UTF-8 form, is kept as U+FFFD.
    std::uint32_t add(const QString &text);
    std::string_view utf8(std::uint32_t index) const;
    QString text(std::uint32_t index) const;
    size_t size() const { return m_index.size(); }

private:
    static constexpr unsigned kOffsetBits = 20;
    static constexpr size_t kBlockSize = size_t(1) << kOffsetBits;
    static constexpr size_t kMaxBlocks = size_t(1) << (32 - kOffsetBits);
    char *room(size_t bytes, std::uint32_t &location);

    std::vector<std::unique_ptr<char[]>> m_blocks;
    size_t m_used = kBlockSize; // bytes taken in the last shared block
    size_t m_shared = kMaxBlocks; // index of the block being filled
    std::vector<std::uint32_t> m_index; // per text: block << kOffsetBits | offset
};

struct Workbook {
    std::vector<Sheet> sheets;
    int activeSheet = -1; // none
    bool date1904 = false;
    StringPool strings;

    std::uint32_t addString(const QString &text) { return strings.add(text); }
    std::uint16_t addFormat(const QString &code);
    QString text(const Cell &cell) const { return strings.text(cell.text); }
    const QString &format(const Cell &cell) const { return m_formats[cell.format]; }
    FormatClass formatClass(const Cell &cell) const { return m_classes[cell.format]; }

    // One empty active sheet named "Sheet1", as the view starts.
    static Workbook initial();

private:
    // The number-format codes (0: "General"), and the class of each, worked out once.
    std::vector<QString> m_formats{QStringLiteral("General")};
    std::vector<FormatClass> m_classes{FormatClass::Other};
};

} // namespace wifv
