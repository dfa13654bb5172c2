#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <functional>

struct lxw_workbook;

namespace wifv::test {

// Writes a workbook with libxlsxwriter into a temporary file and returns its
// bytes; `build` fills the workbook. `inlineStrings` writes strings inline
// (the writer's constant-memory mode) instead of as shared strings.
QByteArray buildWorkbook(const std::function<void(lxw_workbook *)> &build, bool inlineStrings = false);

// The parts of a zip package, by name.
QMap<QString, QByteArray> unzipParts(const QByteArray &package);
// A zip package of these parts, each encrypted with `password` if one is given.
QByteArray zipParts(const QMap<QString, QByteArray> &parts, const char *password = nullptr);
// A good package with some of its parts changed, to make damaged files from.
QByteArray derive(const QByteArray &package, const std::function<void(QMap<QString, QByteArray> &)> &edit);

} // namespace wifv::test
