#include "loginsequence.h"

#include "dmcon.h"
#include "errors.h"

#include <QCryptographicHash>

namespace wifv {

QString passwordValue(const QString &password, const QString &hashType)
{
    if (hashType != u"HashSHA2")
        return password;
    return QString::fromLatin1(QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString jasProtocol(const QString &jasIp)
{
    return jasIp.contains(u"8080") ? QStringLiteral("http") : QStringLiteral("https");
}

namespace {

void closeIfOpen(PgQuery &q)
{
    if (q.isOpen())
        q.close();
}

void checks(TdmCon &dm, PgQuery &dsTavoMobil, const QString &app, const LoginInput &in)
{
    if (dsTavoMobil.rowCount() == 0)
        throw Error(QStringLiteral("Companie inexistenta"));

    dm.conTavo.setServer(dsTavoMobil.field(QStringLiteral("ip")).asText());
    dm.conTavo.setPort(dsTavoMobil.field(QStringLiteral("port")).asInteger());
    dm.conTavo.setDatabase(dsTavoMobil.field(QStringLiteral("db_name")).asText());
    dm.conTavo.setSslMode(SslMode::Prefer);

    dm.dsEmitent.close();
    dm.dsEmitent.setParam(QStringLiteral("pEmitent"), in.user);
    dm.dsEmitent.setParam(QStringLiteral("pP"),
                          passwordValue(in.password, dsTavoMobil.field(QStringLiteral("pw_hash_type")).asText()));
    dm.dsEmitent.open();
    if (dm.dsEmitent.rowCount() == 0)
        throw Error(QStringLiteral("User, Password eronate"));

    dm.dsAplicatieMob.close();
    dm.dsAplicatieMob.setParam(QStringLiteral("pAplicatieMob"), app);
    dm.dsAplicatieMob.open();
    if (dm.dsAplicatieMob.rowCount() == 0)
        throw Error(QStringLiteral("Aplicatia ") + app + QStringLiteral(" nu este disponibila"));

    dm.dsAplicatieMobEmitent.close();
    dm.dsAplicatieMobEmitent.setParam(QStringLiteral("pEmitent"), in.user);
    dm.dsAplicatieMobEmitent.setParam(QStringLiteral("pAplicatieMob"), app);
    dm.dsAplicatieMobEmitent.open();
    if (dm.dsAplicatieMobEmitent.rowCount() == 0)
        throw Error(QStringLiteral("Aplicatia ") + app + QStringLiteral(" nu este disponibila pentru user-ul ") +
                    in.user);

    dm.glUser = in.user;
    dm.glUserPass = in.password;
    dm.glDataBase = dsTavoMobil.field(QStringLiteral("db_name")).asText();
    dm.glUserRol = dm.dsAplicatieMobEmitent.field(QStringLiteral("rol")).asText();
    dm.glEuPL = dm.dsEmitent.field(QStringLiteral("eu_punct_lucru")).asText();

    if (dm.dsEu.isOpen())
        dm.dsEu.refresh();
    else
        dm.dsEu.open();
    dm.glJasIP = dm.dsEu.field(QStringLiteral("jas_ip")).asText();
    dm.glJasProtocol = jasProtocol(dm.glJasIP);
}

} // namespace

void runLoginAttempt(TdmCon &dm, PgQuery &dsTavoMobil, const QString &app, const LoginInput &in)
{
    dm.glNumeFirma = in.company;
    dm.conTavoMob.setSslMode(SslMode::Require);
    dsTavoMobil.close();
    dsTavoMobil.setParam(QStringLiteral("pNumeFirma"), in.company);
    dsTavoMobil.open();
    try {
        checks(dm, dsTavoMobil, app, in);
    } catch (...) {
        closeIfOpen(dm.dsAplicatieMob);
        closeIfOpen(dm.dsEmitent);
        dsTavoMobil.close();
        throw;
    }
    closeIfOpen(dm.dsAplicatieMob);
    closeIfOpen(dm.dsEmitent);
    dsTavoMobil.close();
}

} // namespace wifv
