#include "dmcon.h"

#include "buildconfig.h"

namespace wifv {

TdmCon *dmCon = nullptr;

namespace {

void configure(PgConnection &c, const QString &server, const QString &database)
{
    c.setServer(server);
    c.setPort(5432);
    c.setDatabase(database);
    c.setUsername(QStringLiteral("tavo"));
    c.setPassword(QString::fromUtf8(config::kDatabasePassword));
    c.setSslMode(SslMode::Require);
}

} // namespace

TdmCon::TdmCon()
    : dsEmitent(QStringLiteral("dsEmitent"), conTavo,
                {QStringLiteral("select *"), QStringLiteral("from emitent"),
                 QStringLiteral("where emitent = :pEmitent"), QStringLiteral("  and operator_parola = :pP"),
                 QStringLiteral(";")},
                dsEmitentColumns()),
      dsAplicatieMob(QStringLiteral("dsAplicatieMob"), conTavo,
                     {QStringLiteral("select *"), QStringLiteral("from aplicatie_mob"),
                      QStringLiteral("where lower(aplicatie_mob) = lower(:pAplicatieMob)"),
                      QStringLiteral("  and activ"), QStringLiteral(";")},
                     dsAplicatieMobColumns()),
      dsAplicatieMobEmitent(QStringLiteral("dsAplicatieMobEmitent"), conTavo,
                            {QStringLiteral("select *"), QStringLiteral("from aplicatie_mob_emitent"),
                             QStringLiteral("where emitent = :pEmitent"),
                             QStringLiteral("  and lower(aplicatie_mob) = lower(:pAplicatieMob)"),
                             QStringLiteral(";")},
                            dsAplicatieMobEmitentColumns()),
      dsEu(QStringLiteral("dsEu"), conTavo,
           {QStringLiteral("select *"), QStringLiteral("from eu"), QStringLiteral(";")}, dsEuColumns())
{
    configure(conTavoMob, QString::fromUtf8(config::kDirectoryHost), QStringLiteral("tavo_mob"));
    // The company connection's server, port and database come from the
    // directory row at login.
    configure(conTavo, QString(), QString());
    conTavo.setDisconnectedMode(true);
}

std::unique_ptr<PgQuery> makeDsTavoMobil(PgConnection &conTavoMob)
{
    return std::make_unique<PgQuery>(
        QStringLiteral("dsTavoMobil"), conTavoMob,
        QStringList{QStringLiteral("select *"), QStringLiteral("from m_firma"),
                    QStringLiteral("where nume_firma = :pNumeFirma"), QStringLiteral(";")},
        dsTavoMobilColumns());
}

} // namespace wifv
