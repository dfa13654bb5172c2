#include "testservers.h"

#include "pgresource.h"

#include <QFile>
#include <QHash>
#include <QUuid>

#include <stdexcept>

namespace wifv::test {

namespace {

QHash<QString, QString> readState()
{
    QFile file(QStringLiteral(WIFV_PG_STATE));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("the test servers are not running: no " WIFV_PG_STATE);
    QHash<QString, QString> values;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            values.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return values;
}

const QHash<QString, QString> &state()
{
    static const QHash<QString, QString> s = readState();
    return s;
}

Server server(const char *portKey, const char *logKey)
{
    const auto &s = state();
    return {s.value(QStringLiteral("WIFV_PG_HOST")), s.value(QString::fromLatin1(portKey)).toInt(),
            s.value(QString::fromLatin1(logKey))};
}

pg::Conn adminConnect(const Server &server, const QString &database)
{
    const QByteArray host = server.host.toUtf8(), port = QByteArray::number(server.port),
                     db = database.toUtf8(), pw = password().toUtf8();
    const char *keys[] = {"host", "port", "dbname", "user", "password", "sslmode", nullptr};
    const char *values[] = {host.constData(), port.constData(), db.constData(), "tavo", pw.constData(),
                            "prefer", nullptr};
    pg::Conn conn(PQconnectdbParams(keys, values, 0));
    if (PQstatus(conn.get()) != CONNECTION_OK)
        throw std::runtime_error(std::string("admin connection failed: ") + PQerrorMessage(conn.get()));
    return conn;
}

} // namespace

Server tlsServer() { return server("WIFV_PG_TLS_PORT", "WIFV_PG_TLS_LOG"); }
Server plainServer() { return server("WIFV_PG_PLAIN_PORT", "WIFV_PG_PLAIN_LOG"); }
QString password() { return QStringLiteral(WIFV_DB_PASSWORD); }
QString sourceDir() { return QStringLiteral(WIFV_SOURCE_DIR); }

QStringList adminQuery(const Server &server, const QString &database, const QString &sql)
{
    pg::Conn conn = adminConnect(server, database);
    pg::Result result(PQexec(conn.get(), sql.toUtf8().constData()));
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        throw std::runtime_error(std::string("admin SQL failed: ") + PQresultErrorMessage(result.get()));
    QStringList rows;
    for (int r = 0; r < PQntuples(result.get()); ++r)
        rows << QString::fromUtf8(PQgetvalue(result.get(), r, 0));
    return rows;
}

void adminExec(const Server &server, const QString &database, const QString &sql)
{
    adminQuery(server, database, sql);
}

void recreateDatabase(const Server &server, const QString &name)
{
    adminExec(server, QStringLiteral("postgres"), QStringLiteral("drop database if exists \"%1\"").arg(name));
    adminExec(server, QStringLiteral("postgres"), QStringLiteral("create database \"%1\"").arg(name));
}

void runSqlFile(const Server &server, const QString &database, const QString &relativePath)
{
    QFile file(sourceDir() + u'/' + relativePath);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + relativePath.toStdString());
    adminExec(server, database, QString::fromUtf8(file.readAll()));
}

qint64 logSize(const Server &server)
{
    return QFile(server.logPath).size();
}

QString logSince(const Server &server, qint64 offset)
{
    QFile file(server.logPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    file.seek(offset);
    return QString::fromUtf8(file.readAll());
}

void pointAt(PgConnection &connection, const Server &server, SslMode mode)
{
    connection.setServer(server.host);
    connection.setPort(server.port);
    connection.setDatabase(QStringLiteral("postgres"));
    connection.setUsername(QStringLiteral("tavo"));
    connection.setPassword(password());
    connection.setSslMode(mode);
}

namespace {
const char *kEuColumns =
    "cod_cci, data_incep_activitate, tara, localit, adresa, metoda_stoc, da_nu_scadere_stoc_in_viitor,"
    " da_nu_impozit_profit, da_nu_nevoi_firma, prez_of_stoc_fact_cl, da_nu_postcalcul, prez_of_stoc_av_exp,"
    " prez_of_stoc_bte, prez_of_stoc_bc, pret_fact_cl_cu_tva, pret_nir_cu_tva, pret_cmd_client_cu_tva,"
    " da_nu_tva_neexigibil, da_nu_list_fact_pr_ctl, da_nu_list_fact_neop_stoc, da_nu_bon_pe_calc,"
    " da_nu_cmd_pe_extrasb, da_nu_fact_pe_calc, da_nu_fact_autocopy, da_nu_aviz_autocopy, da_nu_nir_in_mag_dest,"
    " tip_contabilitate, da_nu_politica_pret_punct_lucru, da_nu_nota_c_fara_restrictie, da_nu_mon_cont_tip_doc,"
    " data_denominare, da_nu_balanta_pe_obiective, da_nu_rezervare_stoc, da_nu_contare_avz_c, da_nu_contare_nirad,"
    " norma, da_nu_autoinchidere_cmd_client, da_nu_autoinchidere_cmd_furn, da_nu_institutie_publica,"
    " da_nu_balanta_pe_subunitati, da_nu_b_casa_stoc, da_nu_b_casa_articol, da_nu_salarii_in_postcalcul,"
    " da_nu_turism_in_comision, da_nu_confirmare_comanda, da_nu_micro_intreprindere,"
    " da_nu_tva_nededus_cont_separat, jas_ip";
const char *kEuValues =
    "'RO1', current_date, 'RO', 'Iasi', 'Str. 1', 'FIFO', false, false, false, false, false, false, false, false,"
    " false, false, false, false, false, false, false, false, false, false, false, false, 'partida dubla', false,"
    " false, false, current_date, false, false, false, false, 8, false, false, false, false, false, false, false,"
    " false, false, false, false, ";

} // namespace

QString operatorRowSql(const QString &name, const QString &storedPassword, const QString &point)
{
    return QStringLiteral(
               "insert into emitent (emitent, operator_parola, este_emitent, este_operator, este_comisionar,"
               " este_sofer, eu_punct_lucru, da_nu_schimbare_pl, da_nu_adaugare_partener, da_nu_adaugare_articol,"
               " da_nu_acces_la_politica_pret, da_nu_modif_data_listare, da_nu_acces_limita_creditare,"
               " prez_of_stoc_fact_cl, prez_of_stoc_av_exp, prez_of_stoc_bte, prez_of_stoc_bc, pret_fact_cl_cu_tva,"
               " da_nu_fact_pe_calc, da_nu_modif_nr_fact_pe_calc, da_nu_fact_autocopy, da_nu_aviz_autocopy,"
               " da_nu_modif_data_livrare, data_ins, em_outgoing_email_secure, em_outlook, discontinued,"
               " da_nu_generare_op) values ('%1', '%2', true, true, false, false, '%3', false, false, false, false,"
               " false, false, false, false, false, false, false, false, false, false, false, false, current_date,"
               " false, false, false, false);")
        .arg(name, storedPassword, point);
}

QString euRowSql(const QString &jasIp)
{
    return QStringLiteral("insert into eu (%1) values (%2'%3')").arg(kEuColumns, kEuValues, jasIp);
}

QString uniqueName(const QString &prefix)
{
    return prefix + u'_' + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

} // namespace wifv::test
