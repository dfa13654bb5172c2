#include "xlsxreader.h"

#include "errors.h"

#include <QDate>
#include <QHash>
#include <QStringList>

#include <expat.h>
#include <zip.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

namespace wifv {

namespace {

const QString kUnsupported = QStringLiteral("Unsupported document format");

[[noreturn]] void damaged(const QString &part, const QString &what)
{
    throw Error(QStringLiteral("The workbook is damaged: %1 (part %2)").arg(what, part));
}

// --- package ---------------------------------------------------------------

struct ZipArchiveDeleter {
    void operator()(zip_t *z) const noexcept { zip_discard(z); }
};
struct ZipFileDeleter {
    void operator()(zip_file_t *f) const noexcept { zip_fclose(f); }
};

class Package {
public:
    Package(const QByteArray &bytes, const ReadLimits &limits) : m_limits(limits)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t *source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
        if (!source) {
            zip_error_fini(&error);
            throw Error(kUnsupported);
        }
        m_zip.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
        zip_error_fini(&error);
        if (!m_zip) {
            zip_source_free(source);
            throw Error(kUnsupported);
        }
    }

    bool has(const QString &part) const
    {
        return zip_name_locate(m_zip.get(), part.toUtf8().constData(), ZIP_FL_ENC_GUESS) >= 0;
    }

    // The inflated size the package declares for a part (0 when unknown).
    std::uint64_t declaredSize(const QString &part) const
    {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat(m_zip.get(), part.toUtf8().constData(), ZIP_FL_ENC_GUESS, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
            return 0;
        return st.size;
    }

    // A part's inflated bytes, read in pieces. They are counted as they
    // come (a declared size may lie): a part larger than any workbook's is
    // refused before it is inflated further.
    class Reader {
    public:
        Reader(zip_t *zip, const QString &part, std::uint64_t &inflated, std::uint64_t limit)
            : m_part(part), m_inflated(inflated), m_limit(limit)
        {
            const zip_int64_t index = zip_name_locate(zip, part.toUtf8().constData(), ZIP_FL_ENC_GUESS);
            if (index < 0)
                damaged(part, QStringLiteral("the part is missing"));
            m_file.reset(zip_fopen_index(zip, zip_uint64_t(index), 0));
            if (!m_file) {
                const int code = zip_error_code_zip(zip_get_error(zip));
                if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_ENCRNOTSUPP || code == ZIP_ER_WRONGPASSWD)
                    throw Error(kUnsupported); // an encrypted package
                damaged(part, QString::fromUtf8(zip_strerror(zip)));
            }
        }
        // Fills `buffer` with up to `size` bytes; 0 at the end of the part.
        size_t read(void *buffer, size_t size)
        {
            const zip_int64_t n = zip_fread(m_file.get(), buffer, size);
            if (n < 0)
                damaged(m_part, QString::fromUtf8(zip_file_strerror(m_file.get())));
            m_inflated += std::uint64_t(n);
            if (m_inflated > m_limit)
                throw Error(QStringLiteral("The workbook is too large to load: its parts inflate to more than %1 MiB "
                                           "(part %2)")
                                .arg(m_limit >> 20)
                                .arg(m_part));
            return size_t(n);
        }

    private:
        QString m_part;
        std::unique_ptr<zip_file_t, ZipFileDeleter> m_file;
        std::uint64_t &m_inflated; // by every part read so far
        std::uint64_t m_limit;
    };
    Reader open(const QString &part) const { return Reader(m_zip.get(), part, m_inflated, m_limits.inflatedBytes); }

private:
    ReadLimits m_limits;
    mutable std::uint64_t m_inflated = 0;
    std::unique_ptr<zip_t, ZipArchiveDeleter> m_zip;
};

// --- XML -------------------------------------------------------------------

using Attributes = const XML_Char **;

// The local part of an element or attribute name (after any prefix).
std::string_view localName(const XML_Char *name)
{
    // One pass finds both the end and the last colon.
    const char *start = name, *p = name;
    for (; *p; ++p)
        if (*p == ':')
            start = p + 1;
    return {start, size_t(p - start)};
}

// An attribute by its local name, with a prefix (`prefixed`) or without one.
// Namespace declarations are never taken for attributes.
const char *attribute(Attributes attrs, std::string_view name, bool prefixed = false)
{
    for (int i = 0; attrs[i]; i += 2) {
        const char *colon = std::strchr(attrs[i], ':');
        if (colon && std::string_view(attrs[i], size_t(colon - attrs[i])) == "xmlns")
            continue;
        if ((colon != nullptr) == prefixed && localName(attrs[i]) == name)
            return attrs[i + 1];
    }
    return nullptr;
}

// A streaming parse of one part into a handler with start(name, attributes),
// end(name) and text(text): names come as local names (the prefix dropped,
// so transitional and strict files read alike). Namespaces are not resolved:
// every part of a workbook names its elements in one vocabulary, and
// resolving costs expat a good part of its time on big sheets. The part is
// inflated straight into expat's own buffer.
template <class Handler>
class XmlParse {
public:
    XmlParse(Handler &handler) : m_handler(handler) {}

    void run(const Package &package, const QString &part)
    {
        std::unique_ptr<std::remove_pointer_t<XML_Parser>, void (*)(XML_Parser)> parser(XML_ParserCreate(nullptr),
                                                                                         XML_ParserFree);
        m_parser = parser.get();
        XML_SetUserData(m_parser, this);
        XML_SetElementHandler(m_parser, &XmlParse::start, &XmlParse::end);
        XML_SetCharacterDataHandler(m_parser, &XmlParse::text);
        // Workbook parts never declare a document type: refuse any, so no
        // entity is ever expanded and nothing outside the package is read.
        XML_SetStartDoctypeDeclHandler(m_parser, &XmlParse::doctype);
        XML_SetParamEntityParsing(m_parser, XML_PARAM_ENTITY_PARSING_NEVER);
        Package::Reader reader = package.open(part);
        constexpr int kChunk = 1 << 16;
        for (;;) {
            void *buffer = XML_GetBuffer(m_parser, kChunk);
            if (!buffer)
                throw std::bad_alloc();
            const size_t n = reader.read(buffer, kChunk);
            const bool failed = XML_ParseBuffer(m_parser, int(n), n == 0) == XML_STATUS_ERROR;
            if (m_failure)
                std::rethrow_exception(m_failure);
            if (failed) {
                const QString reason = m_doctype ? QStringLiteral("a document type declaration is not allowed")
                                                 : QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(m_parser)));
                damaged(part, QStringLiteral("invalid XML at line %1: %2")
                                  .arg(XML_GetCurrentLineNumber(m_parser))
                                  .arg(reason));
            }
            if (n == 0)
                return;
        }
    }

private:
    // An exception must not unwind through expat: it is kept and the parse
    // stopped, then raised again once expat has returned.
    template <class F>
    static void guard(void *self, F &&f)
    {
        auto *p = static_cast<XmlParse *>(self);
        if (p->m_failure)
            return;
        try {
            f(p->m_handler);
        } catch (...) {
            p->m_failure = std::current_exception();
            XML_StopParser(p->m_parser, XML_FALSE);
        }
    }
    static void start(void *self, const XML_Char *name, const XML_Char **attrs)
    {
        guard(self, [&](Handler &h) { h.start(localName(name), attrs); });
    }
    static void end(void *self, const XML_Char *name)
    {
        guard(self, [&](Handler &h) { h.end(localName(name)); });
    }
    static void text(void *self, const XML_Char *s, int len)
    {
        guard(self, [&](Handler &h) { h.text(std::string_view(s, size_t(len))); });
    }
    static void doctype(void *self, const XML_Char *, const XML_Char *, const XML_Char *, int)
    {
        auto *p = static_cast<XmlParse *>(self);
        p->m_doctype = true;
        XML_StopParser(p->m_parser, XML_FALSE);
    }

    Handler &m_handler;
    XML_Parser m_parser = nullptr;
    std::exception_ptr m_failure;
    bool m_doctype = false;
};

// Handlers as functions, for the small parts.
struct XmlPart {
    std::function<void(std::string_view name, Attributes attrs)> onStart;
    std::function<void(std::string_view name)> onEnd;
    std::function<void(std::string_view text)> onText;

    void start(std::string_view name, Attributes attrs)
    {
        if (onStart)
            onStart(name, attrs);
    }
    void end(std::string_view name)
    {
        if (onEnd)
            onEnd(name);
    }
    void text(std::string_view t)
    {
        if (onText)
            onText(t);
    }
    void parse(const Package &package, const QString &part) { XmlParse<XmlPart>(*this).run(package, part); }
};

// --- paths and relationships ------------------------------------------------

QString folderOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash + 1);
}

// A relationship target resolved against the part that names it.
QString resolveTarget(const QString &fromPart, const QString &target)
{
    QString path = target.startsWith(u'/') ? target.mid(1) : folderOf(fromPart) + target;
    QStringList out;
    for (const QString &piece : path.split(u'/')) {
        if (piece == u"..") {
            if (!out.isEmpty())
                out.removeLast();
        } else if (!piece.isEmpty() && piece != u".") {
            out << piece;
        }
    }
    return out.join(u'/');
}

struct Relationship {
    QString type;
    QString target; // resolved part name
};

QHash<QString, Relationship> readRelationships(const Package &package, const QString &part)
{
    const QString rels = folderOf(part) + QStringLiteral("_rels/") + part.mid(folderOf(part).size()) +
                         QStringLiteral(".rels");
    QHash<QString, Relationship> out;
    if (!package.has(rels))
        return out;
    XmlPart xml;
    xml.onStart = [&](std::string_view name, Attributes a) {
        if (name != "Relationship")
            return;
        const char *id = attribute(a, "Id");
        const char *type = attribute(a, "Type");
        const char *target = attribute(a, "Target");
        const char *mode = attribute(a, "TargetMode");
        if (!id || !target || (mode && std::string_view(mode) == "External"))
            return;
        out.insert(QString::fromUtf8(id), {QString::fromUtf8(type ? type : ""),
                                           resolveTarget(part, QString::fromUtf8(target))});
    };
    xml.parse(package, rels);
    return out;
}

bool typeIs(const QString &type, const char *suffix)
{
    return type.endsWith(QLatin1String(suffix));
}

// --- values ------------------------------------------------------------------

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The hex value of the _xHHHH_ escape at `i`, if one stands there.
std::optional<char16_t> escapeAt(std::string_view s, size_t i)
{
    if (i + 7 > s.size() || s[i] != '_' || s[i + 1] != 'x' || s[i + 6] != '_')
        return std::nullopt;
    unsigned code = 0;
    const auto [end, ec] = std::from_chars(s.data() + i + 2, s.data() + i + 6, code, 16);
    if (ec != std::errc() || end != s.data() + i + 6)
        return std::nullopt;
    return char16_t(code);
}

// Decodes, in place, the _xHHHH_ escapes that workbooks use for characters
// XML cannot carry (UTF-16 code units: a pair makes one character, and a
// unit left alone becomes U+FFFD, as it has no UTF-8 form).
void unescape(std::string &s)
{
    if (s.find("_x") == std::string::npos)
        return;
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const auto code = escapeAt(s, i);
        if (!code) {
            out += s[i++];
            continue;
        }
        i += 7;
        char32_t c = *code;
        if (c >= 0xD800 && c <= 0xDBFF) {
            const auto low = escapeAt(s, i);
            if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (*low - 0xDC00);
                i += 7;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    s = std::move(out);
}

std::optional<double> parseNumber(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// A whole number such as an index or row number; a number with a zero
// fraction ("3.0") counts too. None for anything else or beyond 2^32 - 1.
std::optional<std::uint32_t> parseIndex(std::string_view text)
{
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc() && end == text.data() + text.size() && !text.empty())
        return value;
    const auto v = parseNumber(text);
    if (!v || *v < 0 || *v > 4294967295.0 || *v != std::floor(*v))
        return std::nullopt;
    return std::uint32_t(*v);
}

// An ISO 8601 date, date-time or time as the serial number it stands for.
std::optional<double> isoToSerial(const QString &text, bool date1904)
{
    const QString s = text.trimmed();
    double days = 0;
    QString timePart;
    if (s.size() >= 10 && s.at(4) == u'-') {
        const QDate date = QDate::fromString(s.left(10), Qt::ISODate);
        if (!date.isValid())
            return std::nullopt;
        days = double(QDate(1899, 12, 30).daysTo(date)) - (date1904 ? 1462 : 0);
        if (s.size() > 10) {
            if (s.at(10) != u'T' && s.at(10) != u' ')
                return std::nullopt;
            timePart = s.mid(11);
        }
    } else {
        timePart = s;
    }
    if (!timePart.isEmpty()) {
        if (timePart.endsWith(u'Z'))
            timePart.chop(1);
        const QStringList hms = timePart.split(u':');
        if (hms.size() < 2 || hms.size() > 3)
            return std::nullopt;
        bool okH = false, okM = false, okS = true;
        const double h = hms[0].toDouble(&okH), m = hms[1].toDouble(&okM);
        const double sec = hms.size() == 3 ? hms[2].toDouble(&okS) : 0;
        if (!okH || !okM || !okS)
            return std::nullopt;
        days += (h * 3600 + m * 60 + sec) / 86400.0;
    }
    return days;
}

// "A1" to 0-based row and column.
bool parseReference(const char *ref, std::uint32_t &row, std::uint32_t &column)
{
    std::uint64_t c = 0, r = 0;
    const char *p = ref;
    while (*p >= 'A' && *p <= 'Z') {
        c = c * 26 + std::uint64_t(*p - 'A' + 1);
        if (c > 16384)
            return false;
        ++p;
    }
    const char *digits = p;
    while (*p >= '0' && *p <= '9') {
        r = r * 10 + std::uint64_t(*p - '0');
        if (r > 1048576)
            return false;
        ++p;
    }
    if (c == 0 || p == digits || r == 0 || *p)
        return false;
    row = std::uint32_t(r - 1);
    column = std::uint32_t(c - 1);
    return true;
}

// --- parts -------------------------------------------------------------------

void readSharedStrings(const Package &package, const QString &part, StringPool &pool)
{
    std::string current;
    int phonetic = 0;
    bool inText = false;
    XmlPart xml;
    xml.onStart = [&](std::string_view name, Attributes) {
        if (name == "si")
            current.clear();
        else if (name == "rPh")
            ++phonetic;
        else if (name == "t" && phonetic == 0)
            inText = true;
    };
    xml.onEnd = [&](std::string_view name) {
        if (name == "si") {
            unescape(current);
            pool.add(current);
        } else if (name == "rPh") {
            --phonetic;
        } else if (name == "t") {
            inText = false;
        }
    };
    xml.onText = [&](std::string_view text) {
        if (inText)
            current.append(text);
    };
    xml.parse(package, part);
}

// Number-format code of every cell style, by style index.
std::vector<QString> readStyles(const Package &package, const QString &part)
{
    QHash<int, QString> custom;
    std::vector<int> xfFormats;
    bool inCellXfs = false;
    XmlPart xml;
    xml.onStart = [&](std::string_view name, Attributes a) {
        if (name == "numFmt") {
            const char *id = attribute(a, "numFmtId");
            const char *code = attribute(a, "formatCode");
            if (id && code)
                custom.insert(std::atoi(id), QString::fromUtf8(code));
        } else if (name == "cellXfs") {
            inCellXfs = true;
        } else if (name == "xf" && inCellXfs) {
            const char *id = attribute(a, "numFmtId");
            xfFormats.push_back(id ? std::atoi(id) : 0);
        }
    };
    xml.onEnd = [&](std::string_view name) {
        if (name == "cellXfs")
            inCellXfs = false;
    };
    xml.parse(package, part);
    std::vector<QString> codes;
    codes.reserve(xfFormats.size());
    for (int id : xfFormats)
        codes.push_back(custom.contains(id) ? custom.value(id) : builtinNumberFormat(id));
    return codes;
}

// The texts a sheet holds in its cells (inline strings, formula results),
// stored once where they repeat: writers that put texts inline repeat the
// same names on line after line. A small table remembers the last text of
// each hash bucket; it stays in the processor's cache, where a table of every
// text would cost a cache miss per cell, and a miss only means a text is
// stored again.
class TextTable {
public:
    explicit TextTable(StringPool &pool) : m_pool(pool), m_slots(kSlots) {}

    std::uint32_t add(std::string_view text)
    {
        if (text.size() > kLongest)
            return m_pool.add(text); // long texts seldom repeat
        const size_t hash = std::hash<std::string_view>{}(text);
        Slot &slot = m_slots[hash & (kSlots - 1)];
        if (slot.index != kFree && slot.hash == std::uint32_t(hash) && m_pool.utf8(slot.index) == text)
            return slot.index;
        slot = {std::uint32_t(hash), m_pool.add(text)};
        return slot.index;
    }

private:
    static constexpr size_t kLongest = 256;
    static constexpr size_t kSlots = 4096;
    static constexpr std::uint32_t kFree = 0xFFFFFFFF;
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t index = kFree;
    };

    StringPool &m_pool;
    std::vector<Slot> m_slots;
};

// The value type a cell declares with its t attribute.
enum class ValueType { Number, Shared, Inline, Text, Logical, Error, Date };

ValueType valueType(const char *t)
{
    const std::string_view v = t ? t : "n";
    if (v == "s")
        return ValueType::Shared;
    if (v == "inlineStr")
        return ValueType::Inline;
    if (v == "str")
        return ValueType::Text;
    if (v == "b")
        return ValueType::Logical;
    if (v == "e")
        return ValueType::Error;
    if (v == "d")
        return ValueType::Date;
    return ValueType::Number;
}

bool blank(std::string_view s)
{
    return s.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

class SheetReader {
public:
    // `cellsBefore`: the cells the sheets read before this one hold.
    SheetReader(Workbook &book, Sheet &sheet, size_t sharedCount, const std::vector<std::uint16_t> &styleFormats,
                const QString &part, size_t cells, size_t cellsBefore)
        : m_book(book), m_sheet(sheet), m_sharedCount(sharedCount), m_cells(cells),
          m_cellLimit(cells - std::min(cells, cellsBefore)), m_styles(styleFormats), m_part(part)
    {
    }

    void parse(const Package &package)
    {
        // The smallest cell that holds a value, <c><v>0</v></c>, takes 15
        // bytes: room for that many cells is reserved up front, so the cells
        // are never moved while the sheet grows. Pages never written to are
        // never given memory.
        m_sheet.reserve(size_t(std::min<std::uint64_t>(package.declaredSize(m_part) / 15, m_cellLimit)));
        XmlParse<SheetReader>(*this).run(package, m_part);
        m_sheet.finish();
    }

    // The parse's handlers.
    void text(std::string_view text)
    {
        if (m_collect)
            m_text.append(text);
    }
    void start(std::string_view name, Attributes a)
    {
        // The names of the elements met once per cell are tried first.
        if (name.size() == 1 && name[0] == 'c') {
            startCell(a);
        } else if (name.size() == 1 && name[0] == 'v') {
            m_collect = true;
            m_text.clear();
        } else if (name == "row") {
            const char *r = attribute(a, "r");
            if (r) {
                const auto n = parseIndex(r);
                if (!n || *n < 1 || *n > kSheetRows)
                    damaged(m_part, QStringLiteral("invalid row number \"%1\"").arg(QString::fromUtf8(r)));
                m_row = *n - 1;
            } else {
                m_row = m_rowSeen ? m_row + 1 : 0;
                if (m_row >= kSheetRows)
                    damaged(m_part, QStringLiteral("more than %1 rows").arg(kSheetRows));
            }
            m_nextColumn = 0;
            m_rowSeen = true;
        } else if (name == "f") {
            m_hasFormula = true;
        } else if (name == "is") {
            m_hasInline = true;
            m_value.clear();
            m_inInline = true;
        } else if (name == "rPh") {
            ++m_phonetic;
        } else if (name == "t" && m_inInline && m_phonetic == 0) {
            m_collect = true;
            m_text.clear();
        }
    }

    void end(std::string_view name)
    {
        if (name.size() == 1 && name[0] == 'v') {
            m_collect = false;
            m_hasValue = true;
            m_value.swap(m_text);
        } else if (name.size() == 1 && name[0] == 'c') {
            storeCell();
        } else if (name == "t" && m_inInline && m_collect) {
            m_collect = false;
            m_value += m_text;
        } else if (name == "is") {
            m_inInline = false;
        } else if (name == "rPh") {
            --m_phonetic;
        }
    }

private:
    void startCell(Attributes a)
    {
        const char *ref = nullptr, *type = nullptr, *style = nullptr;
        for (int i = 0; a[i]; i += 2) {
            const char *n = a[i];
            if (n[0] && !n[1]) {
                if (n[0] == 'r')
                    ref = a[i + 1];
                else if (n[0] == 't')
                    type = a[i + 1];
                else if (n[0] == 's')
                    style = a[i + 1];
            }
        }
        if (ref) {
            if (!parseReference(ref, m_cellRow, m_cellColumn))
                damaged(m_part, QStringLiteral("invalid cell reference \"%1\"").arg(QString::fromUtf8(ref)));
        } else {
            if (m_nextColumn >= kSheetColumns)
                damaged(m_part, QStringLiteral("more than %1 cells in row %2").arg(kSheetColumns).arg(m_row + 1));
            m_cellRow = m_rowSeen ? m_row : 0;
            m_cellColumn = m_nextColumn;
        }
        m_nextColumn = m_cellColumn + 1;
        m_type = valueType(type);
        m_format = 0;
        if (style) {
            const auto s = parseIndex(style);
            if (!s)
                damaged(m_part, QStringLiteral("cell style \"%1\" is not an index").arg(QString::fromUtf8(style)));
            if (*s >= m_styles.size()) {
                if (*s != 0)
                    damaged(m_part, QStringLiteral("cell style %1 does not exist").arg(QString::fromUtf8(style)));
            } else {
                m_format = m_styles[size_t(*s)];
            }
        }
        m_hasValue = m_hasFormula = m_hasInline = false;
        m_value.clear();
    }

    std::uint32_t addText()
    {
        unescape(m_value);
        return m_texts.add(m_value);
    }

    double number()
    {
        const auto v = parseNumber(m_value);
        if (!v)
            damaged(m_part, QStringLiteral("cell %1 holds \"%2\", which is not a number")
                                .arg(reference(), QString::fromUtf8(m_value)));
        return *v;
    }

    void storeCell()
    {
        Cell cell;
        cell.format = m_format;
        const ValueType t = m_type;
        // An empty <v/> (as some writers leave for a formula never calculated)
        // holds no value, except as the empty text result of a text formula.
        if (m_hasValue && t != ValueType::Text && t != ValueType::Inline && blank(m_value))
            m_hasValue = false;

        if (t == ValueType::Inline || m_hasInline) {
            if (!m_hasInline && !m_hasValue)
                return;
            cell.kind = CellKind::Text;
            cell.text = addText();
        } else if (t == ValueType::Shared) {
            if (!m_hasValue)
                return;
            const auto index = parseIndex(m_value);
            if (!index || *index >= m_sharedCount)
                damaged(m_part, QStringLiteral("cell %1 refers to shared string %2, which does not exist")
                                    .arg(reference(), QString::fromUtf8(m_value)));
            cell.kind = CellKind::Text;
            cell.text = *index; // shared strings open the pool, stored once
        } else {
            ResultKind kind = ResultKind::None;
            if (m_hasValue || (t == ValueType::Text && m_hasFormula)) {
                switch (t) {
                case ValueType::Text:
                    kind = ResultKind::Text;
                    cell.text = addText();
                    break;
                case ValueType::Logical:
                    kind = ResultKind::Logical;
                    cell.number = number() != 0 ? 1 : 0;
                    break;
                case ValueType::Error:
                    kind = ResultKind::Error;
                    cell.text = addText();
                    break;
                case ValueType::Date: {
                    const auto serial = isoToSerial(QString::fromUtf8(m_value), m_book.date1904);
                    if (!serial)
                        damaged(m_part, QStringLiteral("cell %1 holds \"%2\", which is not a date")
                                            .arg(reference(), QString::fromUtf8(m_value)));
                    kind = ResultKind::Number;
                    cell.number = *serial;
                    break;
                }
                default:
                    kind = ResultKind::Number;
                    cell.number = number();
                }
            }
            if (m_hasFormula) {
                cell.kind = CellKind::Formula;
                cell.result = kind;
            } else if (kind == ResultKind::None) {
                return; // a cell with a style only
            } else {
                cell.kind = kind == ResultKind::Text     ? CellKind::Text
                            : kind == ResultKind::Logical ? CellKind::Logical
                            : kind == ResultKind::Error   ? CellKind::Error
                                                          : CellKind::Number;
            }
        }
        if (m_sheet.cellCount() >= m_cellLimit)
            throw Error(QStringLiteral("The workbook is too large to load: it holds more than %1 cells").arg(m_cells));
        m_sheet.append(m_cellRow, m_cellColumn, cell);
    }

    QString reference() const { return columnLetters(m_cellColumn) + QString::number(m_cellRow + 1); }

    Workbook &m_book;
    Sheet &m_sheet;
    size_t m_sharedCount;
    size_t m_cells;     // the workbook's limit
    size_t m_cellLimit; // what this sheet may still hold
    TextTable m_texts{m_book.strings};
    const std::vector<std::uint16_t> &m_styles;
    QString m_part;

    std::uint32_t m_row = 0;
    bool m_rowSeen = false;
    std::uint32_t m_nextColumn = 0;
    std::uint32_t m_cellRow = 0, m_cellColumn = 0;
    ValueType m_type = ValueType::Number;
    std::uint16_t m_format = 0;
    bool m_hasValue = false, m_hasFormula = false, m_hasInline = false, m_inInline = false, m_collect = false;
    int m_phonetic = 0;
    std::string m_text, m_value;
};

QString findWorkbookPart(const Package &package)
{
    const auto root = readRelationships(package, QString()); // _rels/.rels
    for (const Relationship &r : root)
        if (typeIs(r.type, "/officeDocument") && package.has(r.target))
            return r.target;
    // Without package relationships, the content types name the workbook.
    QString found;
    if (package.has(QStringLiteral("[Content_Types].xml"))) {
        XmlPart xml;
        xml.onStart = [&](std::string_view name, Attributes a) {
            const char *type = attribute(a, "ContentType");
            const char *partName = attribute(a, "PartName");
            if (name == "Override" && type && partName && found.isEmpty() &&
                (std::strstr(type, "spreadsheetml.sheet.main+xml") || std::strstr(type, "spreadsheetml.template.main+xml")))
                found = resolveTarget(QString(), QString::fromUtf8(partName));
        };
        try {
            xml.parse(package, QStringLiteral("[Content_Types].xml"));
        } catch (const Error &) {
            return {};
        }
    }
    return package.has(found) ? found : QString();
}

} // namespace

QString builtinNumberFormat(int id)
{
    static const QHash<int, QString> codes = {
        {0, "General"}, {1, "0"}, {2, "0.00"}, {3, "#,##0"}, {4, "#,##0.00"},
        {5, "\"$\"#,##0_);(\"$\"#,##0)"}, {6, "\"$\"#,##0_);[Red](\"$\"#,##0)"},
        {7, "\"$\"#,##0.00_);(\"$\"#,##0.00)"}, {8, "\"$\"#,##0.00_);[Red](\"$\"#,##0.00)"},
        {9, "0%"}, {10, "0.00%"}, {11, "0.00E+00"}, {12, "# ?/?"}, {13, "# ?\?/??"},
        {14, "mm-dd-yy"}, {15, "d-mmm-yy"}, {16, "d-mmm"}, {17, "mmm-yy"}, {18, "h:mm AM/PM"},
        {19, "h:mm:ss AM/PM"}, {20, "h:mm"}, {21, "h:mm:ss"}, {22, "m/d/yy h:mm"},
        {37, "#,##0 ;(#,##0)"}, {38, "#,##0 ;[Red](#,##0)"}, {39, "#,##0.00;(#,##0.00)"},
        {40, "#,##0.00;[Red](#,##0.00)"},
        {41, "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)"},
        {42, "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)"},
        {43, "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)"},
        {44, "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)"},
        {45, "mm:ss"}, {46, "[h]:mm:ss"}, {47, "mmss.0"}, {48, "##0.0E+0"}, {49, "@"},
    };
    return codes.value(id, QStringLiteral("General"));
}

Workbook readXlsx(const QByteArray &bytes, const ReadLimits &limits)
{
    const Package package(bytes, limits);
    const QString workbookPart = findWorkbookPart(package);
    if (workbookPart.isEmpty())
        throw Error(kUnsupported);

    Workbook book;
    struct SheetEntry {
        QString name;
        QString relId;
    };
    std::vector<SheetEntry> entries;
    int activeTab = 0;
    XmlPart xml;
    xml.onStart = [&](std::string_view name, Attributes a) {
        if (name == "sheet") {
            const char *n = attribute(a, "name");
            const char *id = attribute(a, "id", true); // r:id
            entries.push_back({QString::fromUtf8(n ? n : ""), QString::fromUtf8(id ? id : "")});
        } else if (name == "workbookPr") {
            const char *d = attribute(a, "date1904");
            book.date1904 = d && (std::string_view(d) == "1" || std::string_view(d) == "true");
        } else if (name == "workbookView") {
            if (const char *t = attribute(a, "activeTab"))
                activeTab = std::atoi(t);
        }
    };
    xml.parse(package, workbookPart);

    const auto rels = readRelationships(package, workbookPart);
    std::vector<std::uint16_t> styleFormats;
    for (const Relationship &r : rels) {
        if (typeIs(r.type, "/sharedStrings") && package.has(r.target))
            readSharedStrings(package, r.target, book.strings);
        else if (typeIs(r.type, "/styles") && package.has(r.target))
            for (const QString &code : readStyles(package, r.target))
                styleFormats.push_back(book.addFormat(code));
    }

    const size_t sharedCount = book.strings.size();
    size_t cellsRead = 0;
    book.sheets.resize(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        Sheet &sheet = book.sheets[i];
        sheet.name = entries[i].name;
        const auto rel = rels.find(entries[i].relId);
        if (rel == rels.end() || !typeIs(rel->type, "/worksheet")) {
            sheet.chart = true; // chart and dialog sheets hold no cells
            continue;
        }
        if (!package.has(rel->target))
            damaged(rel->target, QStringLiteral("the sheet \"%1\" is missing").arg(sheet.name));
        SheetReader(book, sheet, sharedCount, styleFormats, rel->target, limits.cells, cellsRead).parse(package);
        cellsRead += sheet.cellCount();
    }
    if (book.sheets.empty()) {
        book.sheets.emplace_back();
        book.sheets.back().name = QStringLiteral("Sheet1");
    }
    book.activeSheet = activeTab >= 0 && size_t(activeTab) < book.sheets.size() ? activeTab : 0;
    return book;
}

} // namespace wifv
