#pragma once

#include "pgconnection.h"
#include "pgquery.h"

#include <QString>

#include <memory>
#include <vector>

namespace wifv {

// The connection data module: both database connections, the company
// queries a login runs and the login context fields. It does nothing by
// itself; the login dialog drives it.
class TdmCon {
public:
    TdmCon();
    TdmCon(const TdmCon &) = delete;
    TdmCon &operator=(const TdmCon &) = delete;

    PgConnection conTavoMob{QStringLiteral("conTavoMob")}; // directory, stays connected
    PgConnection conTavo{QStringLiteral("conTavo")};       // company, disconnected mode

    PgQuery dsEmitent;
    PgQuery dsAplicatieMob;
    PgQuery dsAplicatieMobEmitent;
    PgQuery dsEu;

    QString glNumeFirma;
    QString glUser;
    QString glUserPass;
    QString glDataBase;
    QString glUserRol;
    QString glEuPL;
    QString glJasIP;
    QString glJasProtocol;
};

// The one instance, set while it exists.
extern TdmCon *dmCon;

// The directory query of the login dialog, on `conTavoMob`.
std::unique_ptr<PgQuery> makeDsTavoMobil(PgConnection &conTavoMob);

// Declared columns of the five queries, in declared order.
const std::vector<DeclaredColumn> &dsTavoMobilColumns();
const std::vector<DeclaredColumn> &dsEmitentColumns();
const std::vector<DeclaredColumn> &dsAplicatieMobColumns();
const std::vector<DeclaredColumn> &dsAplicatieMobEmitentColumns();
const std::vector<DeclaredColumn> &dsEuColumns();

} // namespace wifv
