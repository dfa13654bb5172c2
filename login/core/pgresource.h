#pragma once

#include <libpq-fe.h>

#include <memory>

namespace wifv::pg {

struct ConnDeleter {
    void operator()(PGconn *conn) const noexcept { PQfinish(conn); }
};
struct ResultDeleter {
    void operator()(PGresult *result) const noexcept { PQclear(result); }
};

// Owners of libpq handles: wrap each handle on the line that creates it.
using Conn = std::unique_ptr<PGconn, ConnDeleter>;
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// Removes every PG* variable from the process environment, so that nothing
// outside the program can change how its connections behave.
void clearEnvironment();

} // namespace wifv::pg
