#include "errors.h"
#include "failure.h"
#include "loginstorage.h"
#include "logintable.h"

#include <QTest>

using namespace wifv;
using wifv::test::failureOf;

Q_DECLARE_METATYPE(wifv::LoginTable)

namespace {

const QByteArray kColumns =
    R"({"class":"Column","Name":"company","SourceID":1,"DataType":"WideString","Size":200,"Searchable":true,)"
    R"("AllowNull":true,"Base":true,"OAllowNull":true,"OInUpdate":true,"OInWhere":true,"SourceSize":200},)"
    R"({"class":"Column","Name":"username","SourceID":2,"DataType":"WideString","Size":200,"Searchable":true,)"
    R"("AllowNull":true,"Base":true,"OAllowNull":true,"OInUpdate":true,"OInWhere":true,"SourceSize":200})";

// A whole file as the format fixes it, around the given rows and journal.
QByteArray file(const QByteArray &rows, const QByteArray &journal)
{
    return "\xEF\xBB\xBF"
           R"({"FDBS":{"Version":16,"Manager":{"UpdatesRegistry":true,"TableList":[{"class":"Table",)"
           R"("Name":"dsLogin","TabID":0,"EnforceConstraints":false,"MinimumCapacity":50,"CheckNotNull":false,)"
           R"("ColumnList":[)" + kColumns + R"(],"ConstraintList":[],"ViewList":[],"RowList":[)" + rows +
           R"(]}],"RelationList":[],"UpdatesJournal":{)" + journal + R"(}}}})";
}

LoginTable typed(const std::optional<QString> &company, const std::optional<QString> &username)
{
    LoginTable t;
    t.open();
    t.setValue(LoginTable::Company, company);
    t.setValue(LoginTable::Username, username);
    t.finishEdit();
    return t;
}


// The same document with whitespace between tokens, without the byte-order
// mark, and optionally with every key in upper case.
QByteArray reformat(const QByteArray &in, bool upperKeys)
{
    QByteArray out;
    qsizetype i = in.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < in.size()) {
        const char c = in[i];
        if (c == '"') {
            qsizetype j = i + 1;
            while (in[j] != '"')
                j += in[j] == '\\' ? 2 : 1;
            QByteArray text = in.mid(i, j - i + 1);
            if (upperKeys && j + 1 < in.size() && in[j + 1] == ':')
                text = text.toUpper();
            out += text;
            i = j + 1;
        } else {
            out += c;
            if (c == ',' || c == '{' || c == '[')
                out += "\r\n\t ";
            else if (c == ':')
                out += ' ';
            ++i;
        }
    }
    return out + "\n";
}

} // namespace

class TestLoginStorage : public QObject {
    Q_OBJECT
private slots:
    void golden_data();
    void golden();
    void editingALoadedRow();
    void unchangedEditIsDropped();
    void rowValuesTakeTheTokenText();
    void tableChoice();
    void errors_data();
    void errors();
};

void TestLoginStorage::golden_data()
{
    QTest::addColumn<LoginTable>("table");
    QTest::addColumn<QByteArray>("bytes");

    LoginTable empty;
    empty.open();
    QTest::newRow("first save, nothing typed") << empty << file("", R"("Changes":[])");
    QTest::newRow("one new row") << typed(QStringLiteral("Firma Demo"), QStringLiteral("ana"))
                                 << file(R"({"RowID":0,"Original":{"company":"Firma Demo","username":"ana"}})",
                                         R"("SavePoint":1,"Changes":[])");
    QTest::newRow("null left out, empty kept") << typed(std::nullopt, QString(""))
                                               << file(R"({"RowID":0,"Original":{"username":""}})",
                                                       R"("SavePoint":1,"Changes":[])");
    const QString escapes = QStringLiteral("a/b\"c\\d\ne\x01\x1F\x7F\t\b\f\r ăș😀") + QChar(0) + QStringLiteral("cut");
    QTest::newRow("escapes") << typed(escapes, QStringLiteral("x"))
                             << file("{\"RowID\":0,\"Original\":{\"company\":\"a\\/b\\\"c\\\\d\\ne\\u0001\\u001F\x7F"
                                     "\\t\\b\\f\\r \xC4\x83\xC8\x99\xED\xA0\xBD\xED\xB8\x80\",\"username\":\"x\"}}",
                                     R"("SavePoint":1,"Changes":[])");
}

void TestLoginStorage::golden()
{
    QFETCH(LoginTable, table);
    QFETCH(QByteArray, bytes);
    QCOMPARE(writeLoginStorage(table), bytes);

    // Every golden file reads back to the same table, however it is laid out.
    for (const QByteArray &variant : {bytes, bytes.mid(3), reformat(bytes, false), reformat(bytes, true)}) {
        LoginTable read;
        readLoginStorage(variant, read);
        QVERIFY(read.isOpen());
        QCOMPARE(read.changeCounter(), table.changeCounter());
        QCOMPARE(read.rows().size(), table.rows().size());
        if (!table.rows().empty()) {
            LoginRow expected = table.rows().front();
            if (expected.company)
                expected.company = expected.company->left(expected.company->indexOf(QChar(0)));
            QCOMPARE(read.rows().front(), expected);
        }
        QCOMPARE(writeLoginStorage(read), bytes);
    }
}

void TestLoginStorage::editingALoadedRow()
{
    LoginTable t;
    readLoginStorage(file(R"({"RowID":0,"Original":{"company":"Firma Demo","username":"ana"}})",
                          R"("SavePoint":1,"Changes":[])"),
                     t);
    QCOMPARE(t.value(LoginTable::Company), std::optional<QString>("Firma Demo"));
    t.setValue(LoginTable::Company, QStringLiteral("Alta"));
    QCOMPARE(t.value(LoginTable::Company), std::optional<QString>("Alta"));
    t.finishEdit();
    const QByteArray edited = file(R"({"RowID":0,"RowPriorState":"Unchanged","Original":{"company":"Alta","username":"ana"}})",
                                   R"("SavePoint":2,"Changes":[])");
    QCOMPARE(writeLoginStorage(t), edited);

    // A later run keeps the prior state and counts on.
    LoginTable later;
    readLoginStorage(edited, later);
    QCOMPARE(writeLoginStorage(later), edited);
    later.setValue(LoginTable::Username, QStringLiteral("ion"));
    later.finishEdit();
    QCOMPARE(later.changeCounter(), 3);
    QCOMPARE(later.rows().front().priorState, RowState::Unchanged);
}

void TestLoginStorage::unchangedEditIsDropped()
{
    LoginTable t = typed(QStringLiteral("Firma"), QStringLiteral("ana"));
    const QByteArray before = writeLoginStorage(t);
    t.setValue(LoginTable::Company, QStringLiteral("Firma"));
    t.finishEdit();
    QCOMPARE(writeLoginStorage(t), before);
    QCOMPARE(t.changeCounter(), 1);

    LoginTable empty;
    empty.setValue(LoginTable::Company, std::nullopt);
    empty.finishEdit();
    QVERIFY(empty.rows().empty());
    QCOMPARE(empty.changeCounter(), 0);
}

void TestLoginStorage::rowValuesTakeTheTokenText()
{
    LoginTable t;
    readLoginStorage(file(R"({"RowID":7,"Original":{"company":1.50,"username":true}},{"Original":{"company":null}})",
                          R"("Changes":[])"),
                     t);
    QCOMPARE(t.rows().size(), size_t(2));
    QCOMPARE(t.rows()[0].company, std::optional<QString>("1.50"));
    QCOMPARE(t.rows()[0].username, std::optional<QString>("true"));
    QCOMPARE(t.rows()[1].company, std::nullopt);
    QCOMPARE(t.rows()[1].rowId, 8u); // a row without an identifier gets the next one
    QCOMPARE(t.nextRowId(), 9u);
}

void TestLoginStorage::tableChoice()
{
    const QByteArray other = R"({"class":"Table","Name":"other","ColumnList":[{"class":"Column","Name":"company"}],)"
                             R"("ConstraintList":[],"ViewList":[],"RowList":[{"Original":{"company":"O"}}]})";
    const QByteArray mine = R"({"class":"Table","Name":"dsLogin","ColumnList":[{"class":"Column","Name":"company"}],)"
                            R"("ConstraintList":[],"ViewList":[],"RowList":[{"Original":{"company":"M"}}]})";
    auto load = [](const QByteArray &tables) {
        LoginTable t;
        readLoginStorage(R"({"FDBS":{"Manager":{"TableList":[)" + tables + R"(],"RelationList":[]}}})", t);
        return t.rows().front().company.value_or(QString());
    };
    QCOMPARE(load(other + "," + mine), QString("M"));
    QCOMPARE(load(other), QString("O"));
}

void TestLoginStorage::errors_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    const QString format = QStringLiteral("[FireDAC][Stan]-719. Invalid JSON storage format. Position [%1]");
    const QByteArray head = "\xEF\xBB\xBF{\"FDBS\":{\"Version\":16,\"Manager\":{";

    QTest::newRow("empty file") << QByteArray() << format.arg(0);
    QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF") << format.arg(3);
    QTest::newRow("not an object") << QByteArray("\xEF\xBB\xBF[]") << format.arg(4);
    const QByteArray badEscape = head + R"("Name":"a\q")";
    QTest::newRow("bad escape") << badEscape << format.arg(badEscape.indexOf("\\q") + 2);
    const QByteArray misspelt = head + R"("UpdatesRegistry":tru})";
    QTest::newRow("misspelt true") << misspelt << format.arg(misspelt.indexOf("tru}") + 4);
    const QByteArray unclosed = head + R"("Name":"abc)";
    QTest::newRow("unclosed text") << unclosed << format.arg(unclosed.size());
    const QByteArray badUtf8 = head + "\"Name\":\"a\xC4\x41\"";
    QTest::newRow("invalid UTF-8") << badUtf8 << format.arg(badUtf8.indexOf("\x41") + 1);
    const QByteArray textForInt = "\xEF\xBB\xBF{\"FDBS\":{\"Version\":\"16\",";
    QTest::newRow("text where an integer is expected") << textForInt << format.arg(textForInt.indexOf("\"16\"") + 4);
    const QByteArray numberForBool = head + R"("UpdatesRegistry":1,)";
    QTest::newRow("number where a boolean is expected") << numberForBool << format.arg(numberForBool.size() - 1);
    QTest::newRow("non-integer number") << QByteArray("{\"FDBS\":{\"Version\":16.5,") << "'16.5' is not a valid integer value";
    QTest::newRow("missing object") << QByteArray(R"({"FDBS":{"Version":16,"Managr":{}}})")
                                    << "[FireDAC][Stan]-712. Cannot read [Manager] object";
    QTest::newRow("missing list") << QByteArray(head + R"("UpdatesRegistry":true,"Tables":[]}}})")
                                  << "[FireDAC][Stan]-712. Cannot read [TableList] object";
    QTest::newRow("item without class") << QByteArray(head + R"("TableList":[{"Name":"dsLogin"}]}}})")
                                        << "[FireDAC][Stan]-712. Cannot read [<unknown>] object";
    QTest::newRow("unknown class") << QByteArray(head + R"("TableList":[{"class":"Tabel"}]}}})")
                                   << "[FireDAC][Stan]-715. Class [Tabel] is not registered";
    const QByteArray unexpected = head + R"("Surprise":1,"TableList":[],"RelationList":[]}}})";
    QTest::newRow("unexpected member is not skipped")
        << unexpected << "[FireDAC][Stan]-712. Cannot read [TableList] object";
}

void TestLoginStorage::errors()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    LoginTable t = typed(QStringLiteral("kept?"), QStringLiteral("no"));
    QCOMPARE(failureOf([&] { readLoginStorage(bytes, t); }), expected);
    QVERIFY(!t.isOpen());
}

QTEST_APPLESS_MAIN(TestLoginStorage)
#include "tst_loginstorage.moc"
