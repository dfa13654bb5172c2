#pragma once

#include "logintable.h"

#include <QByteArray>
#include <QString>

namespace wifv {

// The remembered-login file: the table dsLogin in the JSON dataset-storage
// layout (version 16), UTF-8 with a byte-order mark and no whitespace.
QByteArray writeLoginStorage(const LoginTable &table);

// Reads a file of that layout (with or without the byte-order mark, with any
// whitespace between tokens, keys in any letter case) into the table, which
// is left open on success and closed on failure.
void readLoginStorage(const QByteArray &bytes, LoginTable &table);

} // namespace wifv
