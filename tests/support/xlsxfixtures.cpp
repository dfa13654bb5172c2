#include "xlsxfixtures.h"

#include <QFile>
#include <QTemporaryDir>

#include <stdexcept>
#include <xlsxwriter.h>
#include <zip.h>

namespace wifv::test {

QByteArray buildWorkbook(const std::function<void(lxw_workbook *)> &build, bool inlineStrings)
{
    QTemporaryDir dir;
    const QByteArray path = dir.filePath(QStringLiteral("fixture.xlsx")).toUtf8();
    lxw_workbook_options options{};
    options.constant_memory = inlineStrings ? LXW_TRUE : LXW_FALSE;
    options.tmpdir = nullptr;
    lxw_workbook *workbook = workbook_new_opt(path.constData(), &options);
    if (!workbook)
        throw std::runtime_error("libxlsxwriter could not create the fixture");
    build(workbook);
    if (workbook_close(workbook) != LXW_NO_ERROR)
        throw std::runtime_error("libxlsxwriter could not write the fixture");
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the fixture back");
    return file.readAll();
}

QMap<QString, QByteArray> unzipParts(const QByteArray &package)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(package.constData(), zip_uint64_t(package.size()), 0, &error);
    zip_t *archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (!archive)
        throw std::runtime_error("not a zip package");
    QMap<QString, QByteArray> parts;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(archive, zip_uint64_t(i), 0, &st);
        QByteArray data(qsizetype(st.size), Qt::Uninitialized);
        zip_file_t *f = zip_fopen_index(archive, zip_uint64_t(i), 0);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        parts.insert(QString::fromUtf8(st.name), data);
    }
    zip_discard(archive);
    return parts;
}

QByteArray zipParts(const QMap<QString, QByteArray> &parts, const char *password)
{
    QTemporaryDir dir;
    const QByteArray path = dir.filePath(QStringLiteral("derived.xlsx")).toUtf8();
    int error = 0;
    zip_t *archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        throw std::runtime_error("cannot create a zip package");
    for (auto it = parts.begin(); it != parts.end(); ++it) {
        zip_source_t *source = zip_source_buffer(archive, it.value().constData(), zip_uint64_t(it.value().size()), 0);
        const zip_int64_t index = zip_file_add(archive, it.key().toUtf8().constData(), source, ZIP_FL_OVERWRITE);
        if (password)
            zip_file_set_encryption(archive, zip_uint64_t(index), ZIP_EM_AES_256, password);
    }
    if (zip_close(archive) != 0)
        throw std::runtime_error("cannot write a zip package");
    QFile file(QString::fromUtf8(path));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QByteArray derive(const QByteArray &package, const std::function<void(QMap<QString, QByteArray> &)> &edit)
{
    QMap<QString, QByteArray> parts = unzipParts(package);
    edit(parts);
    return zipParts(parts);
}

} // namespace wifv::test
