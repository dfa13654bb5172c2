#pragma once

#include <QString>

namespace wifv {

class TdmCon;
class PgQuery;

// The value sent for the operator's password: for a company whose
// pw_hash_type is exactly "HashSHA2", the SHA-256 digest of the password's
// UTF-8 bytes in 64 lower-case hexadecimal digits; otherwise the text as typed.
QString passwordValue(const QString &password, const QString &hashType);

// "http" when the web server address contains "8080" anywhere, else "https".
QString jasProtocol(const QString &jasIp);

struct LoginInput {
    QString company;
    QString user;
    QString password;
};

// One login attempt after the remembered names are saved: finds the company
// in the directory, points the company connection at it, checks operator and
// password, the application and the operator's grant, and fills the login
// context fields. A failed check raises its message. Once the directory
// lookup has opened, the attempt always ends by closing dsAplicatieMob,
// dsEmitent and dsTavoMobil; dsAplicatieMobEmitent and dsEu stay open.
void runLoginAttempt(TdmCon &dm, PgQuery &dsTavoMobil, const QString &applicationName, const LoginInput &input);

} // namespace wifv
