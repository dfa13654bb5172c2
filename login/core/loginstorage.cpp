#include "loginstorage.h"

#include "errors.h"

#include <QStringList>

#include <climits>
#include <string_view>

namespace wifv {

namespace {

const char kBom[] = "\xEF\xBB\xBF";

const char *stateName(RowState s)
{
    switch (s) {
    case RowState::Detached: return "Detached";
    case RowState::Inserted: return "Inserted";
    case RowState::Deleted: return "Deleted";
    case RowState::Modified: return "Modified";
    case RowState::Unchanged: return "Unchanged";
    case RowState::Editing: return "Editing";
    }
    return "Detached";
}

void appendText(QByteArray &out, const QString &text)
{
    static const char hex[] = "0123456789ABCDEF";
    out += '"';
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == 0)
            break;
        switch (c) {
        case 8: out += "\\b"; continue;
        case 9: out += "\\t"; continue;
        case 10: out += "\\n"; continue;
        case 12: out += "\\f"; continue;
        case 13: out += "\\r"; continue;
        case '"': out += "\\\""; continue;
        case '\\': out += "\\\\"; continue;
        case '/': out += "\\/"; continue;
        default: break;
        }
        if (c < 32) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else if (c < 128) {
            out += char(c);
        } else if (c < 2048) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {
            // Each UTF-16 unit on its own, a surrogate included.
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    out += '"';
}

void appendColumn(QByteArray &out, const char *name, int sourceId)
{
    out += "{\"class\":\"Column\",\"Name\":\"";
    out += name;
    out += "\",\"SourceID\":";
    out += QByteArray::number(sourceId);
    out += ",\"DataType\":\"WideString\",\"Size\":200,\"Searchable\":true,\"AllowNull\":true,\"Base\":true,"
           "\"OAllowNull\":true,\"OInUpdate\":true,\"OInWhere\":true,\"SourceSize\":200}";
}

} // namespace

QByteArray writeLoginStorage(const LoginTable &table)
{
    QByteArray out(kBom);
    out += "{\"FDBS\":{\"Version\":16,\"Manager\":{\"UpdatesRegistry\":true,\"TableList\":[{\"class\":\"Table\","
           "\"Name\":\"dsLogin\",\"TabID\":0,\"EnforceConstraints\":false,\"MinimumCapacity\":50,"
           "\"CheckNotNull\":false,\"ColumnList\":[";
    appendColumn(out, "company", 1);
    out += ',';
    appendColumn(out, "username", 2);
    out += "],\"ConstraintList\":[],\"ViewList\":[],\"RowList\":[";
    bool first = true;
    for (const LoginRow &row : table.rows()) {
        if (!first)
            out += ',';
        first = false;
        out += "{\"RowID\":";
        out += QByteArray::number(row.rowId);
        if (row.priorState != RowState::Detached) {
            out += ",\"RowPriorState\":\"";
            out += stateName(row.priorState);
            out += '"';
        }
        out += ",\"Original\":{";
        bool firstValue = true;
        for (const auto &[key, value] : {std::pair{"company", row.company}, std::pair{"username", row.username}}) {
            if (!value)
                continue;
            if (!firstValue)
                out += ',';
            firstValue = false;
            out += '"';
            out += key;
            out += "\":";
            appendText(out, *value);
        }
        out += "}}";
    }
    out += "]}],\"RelationList\":[],\"UpdatesJournal\":{";
    if (table.changeCounter() != 0) {
        out += "\"SavePoint\":";
        out += QByteArray::number(table.changeCounter());
        out += ',';
    }
    out += "\"Changes\":[]}}}}";
    return out;
}

} // namespace wifv

namespace wifv {

namespace {

struct Token {
    enum Kind { End, Punct, True, False, Null, String, Number } kind = End;
    char punct = 0;
    QString text;
    qint64 end = 0; // offset just past the token
};

[[noreturn]] void formatError(qint64 position)
{
    throw Error(QStringLiteral("[FireDAC][Stan]-719. Invalid JSON storage format. Position [%1]").arg(position));
}

class Lexer {
public:
    Lexer(const QByteArray &bytes, qint64 from) : m_b(bytes), m_pos(from) {}

    Token next()
    {
        while (m_pos < m_b.size() && (m_b[m_pos] == ' ' || m_b[m_pos] == '\t' || m_b[m_pos] == '\r' || m_b[m_pos] == '\n'))
            ++m_pos;
        Token t;
        if (m_pos >= m_b.size()) {
            t.end = m_pos;
            return t;
        }
        const char c = m_b[m_pos];
        if (QByteArrayView(",:{}[]").contains(c)) {
            t.kind = Token::Punct;
            t.punct = c;
            t.text = QChar(c);
            t.end = ++m_pos;
        } else if (c == 't' || c == 'f' || c == 'n') {
            const char *word = c == 't' ? "true" : c == 'f' ? "false" : "null";
            for (const char *w = word; *w; ++w, ++m_pos)
                if (m_pos >= m_b.size() || m_b[m_pos] != *w)
                    formatError(std::min<qint64>(m_pos + 1, m_b.size()));
            t.kind = c == 't' ? Token::True : c == 'f' ? Token::False : Token::Null;
            t.text = QString::fromLatin1(word);
            t.end = m_pos;
        } else if (c == '"') {
            t.kind = Token::String;
            t.text = readString();
            t.end = m_pos;
        } else if (QByteArrayView("+-.0123456789Ee").contains(c)) {
            const qsizetype start = m_pos;
            while (m_pos < m_b.size() && QByteArrayView("+-.0123456789Ee").contains(m_b[m_pos]))
                ++m_pos;
            t.kind = Token::Number;
            t.text = QString::fromLatin1(m_b.mid(start, m_pos - start));
            t.end = m_pos;
        } else {
            formatError(m_pos + 1);
        }
        return t;
    }

private:
    unsigned char byteAt(qint64 i) const
    {
        if (i >= m_b.size())
            formatError(m_b.size());
        return static_cast<unsigned char>(m_b[i]);
    }

    int hexDigit(qint64 i) const
    {
        const unsigned char c = byteAt(i);
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        formatError(i + 1);
    }

    unsigned continuation(qint64 i) const
    {
        const unsigned char c = byteAt(i);
        if ((c & 0xC0) != 0x80)
            formatError(i + 1);
        return c & 0x3F;
    }

    QString readString()
    {
        QString out;
        ++m_pos; // opening quote
        for (;;) {
            const unsigned char c = byteAt(m_pos);
            if (c == '"') {
                ++m_pos;
                return out;
            }
            if (c == '\\') {
                const unsigned char e = byteAt(m_pos + 1);
                m_pos += 2;
                switch (e) {
                case '"': out += u'"'; break;
                case '\\': out += u'\\'; break;
                case '/': out += u'/'; break;
                case 'b': out += QChar(8); break;
                case 'f': out += QChar(12); break;
                case 'n': out += QChar(10); break;
                case 'r': out += QChar(13); break;
                case 't': out += QChar(9); break;
                case 'u': {
                    int code = 0;
                    for (int k = 0; k < 4; ++k)
                        code = code * 16 + hexDigit(m_pos + k);
                    out += QChar(char16_t(code));
                    m_pos += 4;
                    break;
                }
                default: formatError(m_pos);
                }
            } else if (c < 0x80) {
                out += QChar(c); // raw control characters are taken unchanged
                ++m_pos;
            } else if (c >= 0xC0 && c < 0xE0) {
                out += QChar(char16_t(((c & 0x1F) << 6) | continuation(m_pos + 1)));
                m_pos += 2;
            } else if (c >= 0xE0 && c < 0xF0) {
                const unsigned second = continuation(m_pos + 1);
                out += QChar(char16_t(((c & 0x0F) << 12) | (second << 6) | continuation(m_pos + 2)));
                m_pos += 3;
            } else {
                formatError(m_pos + 1);
            }
        }
    }

    const QByteArray &m_b;
    qint64 m_pos;
};

struct FileTable {
    QString name;
    std::vector<QString> columns;
    std::vector<std::pair<std::optional<quint32>, std::vector<std::optional<QString>>>> rows;
    std::vector<RowState> priorStates;
};

bool sameKey(const QString &a, const char *b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

// Reads properties in their fixed order: each read looks at the next member
// only, takes it when its name is the expected key and otherwise uses the
// default. A member left over fails where its object should have ended.
class Reader {
public:
    Reader(const QByteArray &bytes, qint64 from) : m_lexer(bytes, from) {}

    const Token &peek(size_t k = 0)
    {
        // Commas only separate members and items; the order of the reads
        // gives the structure.
        while (m_ahead.size() <= k) {
            Token t = m_lexer.next();
            if (t.kind != Token::Punct || t.punct != ',')
                m_ahead.push_back(std::move(t));
        }
        return m_ahead[k];
    }

    Token take()
    {
        peek();
        Token t = std::move(m_ahead.front());
        m_ahead.erase(m_ahead.begin());
        return t;
    }

    bool isPunct(size_t k, char p) { return peek(k).kind == Token::Punct && peek(k).punct == p; }

    bool atKey(const char *name) { return peek().kind == Token::String && sameKey(peek().text, name) && isPunct(1, ':'); }

    std::optional<Token> member(const char *name)
    {
        if (!atKey(name))
            return std::nullopt;
        take();
        take();
        Token value = take();
        if (value.kind == Token::End || value.kind == Token::Punct)
            formatError(value.end);
        return value;
    }

    bool readBool(const char *name, bool fallback)
    {
        const auto t = member(name);
        if (!t || t->kind == Token::Null)
            return fallback;
        if (t->kind != Token::True && t->kind != Token::False)
            formatError(t->end);
        return t->kind == Token::True;
    }

    qint64 readInt(const char *name, qint64 fallback)
    {
        const auto t = member(name);
        if (!t || t->kind == Token::Null)
            return fallback;
        if (t->kind != Token::Number)
            formatError(t->end);
        bool ok = false;
        const qint64 v = t->text.toLongLong(&ok);
        if (!ok)
            throw Error(QStringLiteral("'%1' is not a valid integer value").arg(t->text));
        return v;
    }

    QString readText(const char *name, const QString &fallback = {})
    {
        const auto t = member(name);
        if (!t || t->kind == Token::Null)
            return fallback;
        if (t->kind != Token::String)
            formatError(t->end);
        return t->text;
    }

    void enter(const char *name, char open)
    {
        if (!atKey(name) || !isPunct(2, open))
            throw Error(QStringLiteral("[FireDAC][Stan]-712. Cannot read [%1] object").arg(QLatin1String(name)));
        take();
        take();
        take();
    }

    void leave(char close)
    {
        const Token t = take();
        if (t.kind != Token::Punct || t.punct != close)
            formatError(t.end);
    }

    // The next item of a list, when one starts here; its kind from "class".
    bool nextItem(const char *kind)
    {
        if (!isPunct(0, '{'))
            return false;
        take();
        if (!kind)
            return true;
        if (!atKey("class"))
            throw Error(QStringLiteral("[FireDAC][Stan]-712. Cannot read [<unknown>] object"));
        const Token t = *member("class");
        static const QStringList registered = {"Table", "Column", "View", "Relation", "UniqueConstraint",
                                               "ForeignKeyConstraint", "CheckConstraint"};
        if (t.kind != Token::String)
            formatError(t.end);
        if (!registered.contains(t.text, Qt::CaseInsensitive))
            throw Error(QStringLiteral("[FireDAC][Stan]-715. Class [%1] is not registered").arg(t.text));
        // Constraints, views and relations do not occur in this table's files.
        if (!sameKey(t.text, kind))
            formatError(t.end);
        return true;
    }

    qint64 position() { return peek().end; }

private:
    Lexer m_lexer;
    std::vector<Token> m_ahead;
};

std::optional<RowState> stateFromName(const QString &name)
{
    for (RowState s : {RowState::Detached, RowState::Inserted, RowState::Deleted, RowState::Modified,
                       RowState::Unchanged, RowState::Editing})
        if (sameKey(name, stateName(s)))
            return s;
    return std::nullopt;
}

void readFlags(Reader &r, std::initializer_list<const char *> keys)
{
    for (const char *k : keys)
        r.readBool(k, false);
}

void readColumn(Reader &r, FileTable &table)
{
    QString name = r.readText("Name");
    r.readText("SourceName");
    r.readInt("SourceID", 0);
    r.readText("DataType", QStringLiteral("Unknown"));
    r.readInt("Precision", 0);
    r.readInt("Scale", 0);
    r.readInt("Size", 0);
    readFlags(r, {"Searchable", "AllowNull", "FixedLen", "BlobData", "ReadOnly", "AutoInc", "ROWID", "Default",
                  "RowVersion", "Internal", "Calculated", "Volatile", "Unnamed", "Virtual", "Base", "Expr",
                  "AutoIncrement"});
    r.readInt("AutoIncrementSeed", 1);
    r.readInt("AutoIncrementStep", 1);
    r.readText("Caption");
    r.readText("Expression");
    readFlags(r, {"OAllowNull", "OUnique", "OReadOnly", "OInUpdate", "OInWhere", "OInKey", "OAfterInsChanged",
                  "OAfterUpdChanged"});
    for (const char *k : {"OriginTabName", "OriginColName", "SourceDataType"})
        r.readText(k);
    r.readInt("SourcePrecision", 0);
    r.readInt("SourceScale", 0);
    r.readInt("SourceSize", 0);
    for (const char *k : {"SourceDataTypeName", "SourceDirectory", "SourceGenerator"})
        r.readText(k);
    r.leave('}');
    table.columns.push_back(name);
}

void readRow(Reader &r, FileTable &table)
{
    std::optional<quint32> rowId;
    if (const auto id = r.readInt("RowID", -1); id >= 0) {
        if (id > 0xFFFFFFFFLL)
            throw Error(QStringLiteral("'%1' is not a valid integer value").arg(id));
        rowId = quint32(id);
    }
    const qint64 statePos = r.position();
    const auto state = stateFromName(r.readText("RowState", QStringLiteral("Unchanged")));
    const qint64 priorPos = r.position();
    const auto prior = stateFromName(r.readText("RowPriorState", QStringLiteral("Detached")));
    if (!state)
        formatError(statePos);
    if (!prior)
        formatError(priorPos);
    std::vector<std::optional<QString>> values(table.columns.size());
    if (r.atKey("Original")) {
        r.enter("Original", '{');
        for (size_t i = 0; i < table.columns.size(); ++i) {
            const QByteArray key = table.columns[i].toUtf8();
            if (const auto t = r.member(key.constData()); t && t->kind != Token::Null)
                values[i] = t->text;
        }
        r.leave('}');
    }
    // Rows with an error, or with current or proposed versions, never occur
    // in this table's files; such a row is refused rather than guessed at.
    r.leave('}');
    table.rows.emplace_back(rowId, std::move(values));
    table.priorStates.push_back(*prior);
}

FileTable readTable(Reader &r)
{
    FileTable table;
    table.name = r.readText("Name", QStringLiteral("Table"));
    r.readText("SourceName");
    r.readInt("SourceID", 0);
    r.readInt("TabID", -1);
    r.readBool("CaseSensitive", true);
    r.readBool("EnforceConstraints", true);
    r.readInt("Locale", 1024);
    r.readInt("MinimumCapacity", 0);
    readFlags(r, {"Nested", "Round2Scale", "CheckPrecision", "StrsTrim2Len", "CheckNotNull", "CheckReadOnly"});
    r.readInt("InlineDataSize", 1000);
    r.enter("ColumnList", '[');
    while (r.nextItem("Column"))
        readColumn(r, table);
    r.leave(']');
    for (const char *list : {"ConstraintList", "ViewList"}) {
        r.enter(list, '[');
        while (r.nextItem(list == std::string_view("ViewList") ? "View" : "UniqueConstraint"))
            formatError(r.position());
        r.leave(']');
    }
    r.enter("RowList", '[');
    while (r.nextItem(nullptr))
        readRow(r, table);
    r.leave(']');
    r.leave('}');
    return table;
}

} // namespace

void readLoginStorage(const QByteArray &bytes, LoginTable &table)
{
    table.close();
    const qint64 from = bytes.startsWith(kBom) ? 3 : 0;
    Reader r(bytes, from);
    const Token first = r.take();
    if (first.kind != Token::Punct || first.punct != '{')
        formatError(first.end);
    const bool wrapped = r.atKey("FDBS") && r.isPunct(2, '{');
    if (wrapped)
        r.enter("FDBS", '{');
    r.readInt("Version", 16);
    r.enter("Manager", '{');
    r.readText("Name");
    r.readBool("CaseSensitive", true);
    r.readBool("EnforceConstraints", true);
    r.readInt("Locale", 1024);
    const bool journal = r.readBool("UpdatesRegistry", false);
    readFlags(r, {"Round2Scale", "CheckPrecision", "StrsTrim2Len", "CheckNotNull", "CheckReadOnly"});
    r.enter("TableList", '[');
    std::vector<FileTable> tables;
    while (r.nextItem("Table"))
        tables.push_back(readTable(r));
    r.leave(']');
    r.enter("RelationList", '[');
    while (r.nextItem("Relation"))
        formatError(r.position());
    r.leave(']');
    qint64 savePoint = 0;
    if (journal) {
        r.enter("UpdatesJournal", '{');
        savePoint = r.readInt("SavePoint", 0);
        r.enter("Changes", '[');
        while (r.nextItem(nullptr)) {
            r.readInt("TabID", 0);
            r.readInt("RowID", 0);
            r.readInt("ChangeNumber", 0);
            r.leave('}');
        }
        r.leave(']');
        r.leave('}');
    }
    r.leave('}');
    if (wrapped)
        r.leave('}');
    r.leave('}');

    const FileTable *chosen = nullptr;
    for (const auto &t : tables)
        if (sameKey(t.name, "dsLogin")) {
            chosen = &t;
            break;
        }
    if (!chosen && !tables.empty())
        chosen = &tables.front();

    std::vector<LoginRow> rows;
    if (chosen) {
        auto indexOf = [&](const char *name) -> int {
            for (size_t i = 0; i < chosen->columns.size(); ++i)
                if (sameKey(chosen->columns[i], name))
                    return int(i);
            return -1;
        };
        const int company = indexOf("company"), username = indexOf("username");
        quint32 next = 0;
        for (const auto &[id, values] : chosen->rows)
            if (id)
                next = std::max(next, *id + 1);
        for (size_t i = 0; i < chosen->rows.size(); ++i) {
            const auto &[id, values] = chosen->rows[i];
            LoginRow row;
            row.rowId = id ? *id : next++;
            row.priorState = chosen->priorStates[i];
            if (company >= 0)
                row.company = values[size_t(company)];
            if (username >= 0)
                row.username = values[size_t(username)];
            rows.push_back(std::move(row));
        }
    }
    if (savePoint < INT_MIN || savePoint > INT_MAX)
        throw Error(QStringLiteral("'%1' is not a valid integer value").arg(savePoint));
    table.assign(std::move(rows), int(savePoint));
    table.open();
}

} // namespace wifv
