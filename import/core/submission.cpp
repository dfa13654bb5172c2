#include "submission.h"

#include "errors.h"

namespace wifv {

std::unique_ptr<PgQuery> makeImportCall(PgConnection &conTavo)
{
    // The name stands unquoted, so the server looks it up in lower case.
    return std::make_unique<PgQuery>(QStringLiteral("o_import_factFI_Vintra"), conTavo,
                                     QStringList{QStringLiteral("SELECT * FROM o_import_factFI_Vintra(:pemitent, :pjson)")});
}

QString submitInvoice(PgQuery &call, const QString &user, const QString &json)
{
    try {
        call.close(); // the previous execution's result
        call.setParam(QStringLiteral("pEmitent"), user);
        call.setParam(QStringLiteral("pJson"), json);
        call.open(); // rows fetched and ignored
        call.close();
        return QStringLiteral("Factura s-a importat");
    } catch (const std::exception &e) {
        call.close();
        return QStringLiteral("Eroare = ") + exceptionMessage(e);
    } catch (...) {
        call.close();
        return QStringLiteral("Eroare = Unknown error");
    }
}

} // namespace wifv
