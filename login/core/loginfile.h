#pragma once

#include "logintable.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;

namespace wifv {

// The current user's application-data folder: on Windows the roaming folder,
// elsewhere $XDG_CONFIG_HOME or ~/.config, created (mode 0700) when missing.
// Empty when it cannot be found.
QString appDataFolder();
// Tests point the folder elsewhere; no value restores the real one.
void setAppDataFolderOverride(std::optional<QString> folder);

// The remembered-login file in that folder ("TavoLorun.json"); the bare
// name when the folder is unknown.
QString loginFilePath();
QString joinPath(const QString &folder, const QString &name);

// Saves the table, posting a pending change first. The new content goes to
// a temporary file beside the old one, which replaces it only once fully
// written and flushed, so a failed save leaves the old file whole. `write`
// replaces the final write of the bytes (tests make it fail midway).
using WriteBytes = std::function<void(QIODevice &file, const QByteArray &bytes)>;
void saveLoginFile(LoginTable &table, const QString &path, const WriteBytes &write = {});

// Loads the file into the table, replacing its content; the table is closed
// when loading fails.
void loadLoginFile(LoginTable &table, const QString &path);

} // namespace wifv
