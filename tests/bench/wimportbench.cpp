// Load benchmark of the workbook reader.
//
//   wimport-bench FILE [--runs N] [--tsv]
//                                   the table: floor, load, reading + JSON;
//                                   --tsv prints one line of figures instead:
//                                   cells, the three medians (s), the three
//                                   peaks (MiB)
//   wimport-bench --load FILE       loads once and exits (to time the whole
//                                   process beside other readers)
//   wimport-bench --floor FILE      runs the floor once and exits (to profile)
//   wimport-bench --generate LINES OUT.xlsx [--inline]
//                                   writes an invoice workbook of LINES lines,
//                                   texts as shared strings or inline
//
// The floor is what any reader on libzip and expat must spend: the file read
// whole, every part inflated and every XML part tokenized by expat, set up as
// the reader sets it up (no namespace processing, bytes inflated into expat's
// own buffer), with handlers that do nothing. Load is the file read
// whole, the workbook read and the view's model built over it. Peak memory is
// the process's resident high-water mark, reset before each phase.
#include "invoice.h"
#include "regional.h"
#include "workbookmodel.h"
#include "xlsxreader.h"
#include "errors.h"

#include <QCoreApplication>
#include <QFile>

#include <expat.h>
#include <malloc.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

QByteArray readFile(const char *path)
{
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly))
        throw wifv::Error(QStringLiteral("cannot read %1").arg(file.fileName()));
    return file.readAll();
}

// --- the floor -------------------------------------------------------------

void noStart(void *, const XML_Char *, const XML_Char **) {}
void noEnd(void *, const XML_Char *) {}
void noText(void *, const XML_Char *, int) {}

size_t floorPass(const char *path)
{
    const QByteArray bytes = readFile(path);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    zip_t *zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    zip_error_fini(&error);
    if (!zip)
        throw wifv::Error(QStringLiteral("not a zip package"));
    size_t inflated = 0;
    static char buffer[1 << 16];
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(zip, zip_uint64_t(i), 0);
        const size_t len = std::strlen(name);
        const bool xml = (len > 4 && std::strcmp(name + len - 4, ".xml") == 0) ||
                         (len > 5 && std::strcmp(name + len - 5, ".rels") == 0);
        zip_file_t *file = zip_fopen_index(zip, zip_uint64_t(i), 0);
        if (!file)
            continue;
        XML_Parser parser = xml ? XML_ParserCreate(nullptr) : nullptr;
        if (parser) {
            XML_SetElementHandler(parser, noStart, noEnd);
            XML_SetCharacterDataHandler(parser, noText);
        }
        // Inflated straight into expat's buffer, the cheapest way to feed it.
        for (;;) {
            void *into = parser ? XML_GetBuffer(parser, sizeof buffer) : buffer;
            const zip_int64_t n = zip_fread(file, into, sizeof buffer);
            if (n < 0)
                break;
            inflated += size_t(n);
            if (parser)
                XML_ParseBuffer(parser, int(n), n == 0);
            if (n == 0)
                break;
        }
        if (parser)
            XML_ParserFree(parser);
        zip_fclose(file);
    }
    zip_discard(zip);
    return inflated;
}

// --- load and reading --------------------------------------------------------

size_t loadPass(const char *path, wifv::WorkbookModel &model)
{
    model.setWorkbook(wifv::readXlsx(readFile(path)));
    return size_t(model.rowCount());
}

size_t readPass(const wifv::WorkbookModel &model, const wifv::RegionalSettings &regional)
{
    const wifv::Invoice invoice = wifv::readInvoice(model.workbook(), regional);
    return size_t(wifv::invoiceJson(invoice).size());
}

// --- measuring ------------------------------------------------------------------

long statusKiB(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, n, field) == 0)
            return std::atol(line.c_str() + n + 1);
    return 0;
}

// Hands freed heap memory back to the system, then lowers the high-water
// mark to what is resident now (Linux 4.0 and later), so each stage's peak is
// its own.
void resetPeak()
{
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Figures {
    std::vector<double> seconds;
    double peakMiB = 0;
    double median() const
    {
        std::vector<double> s = seconds;
        std::sort(s.begin(), s.end());
        return s.empty() ? 0 : s[s.size() / 2];
    }
    double spread() const
    {
        if (seconds.empty())
            return 0;
        const auto [lo, hi] = std::minmax_element(seconds.begin(), seconds.end());
        return *hi - *lo;
    }
};

// Times one pass and records the peak memory it reached.
void measureOnce(Figures &f, const std::function<void()> &pass)
{
    resetPeak();
    const auto start = Clock::now();
    pass();
    f.seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    f.peakMiB = std::max(f.peakMiB, double(statusKiB("VmHWM:")) / 1024.0);
}

// --- generating --------------------------------------------------------------------

bool generate(long lines, const char *out, bool inlineStrings)
{
    static const char *first[] = {"Ioana", "Mihai", "Ana", "Radu", "Elena", "Andrei", "Maria", "George",
                                  "Cristina", "Ștefan", "Irina", "Dan", "Oana", "Vlad", "Bianca", "Tudor"};
    static const char *last[] = {"Ștefănescu", "Țăranu", "Pop", "Ionescu", "Dumitrașcu", "Vlad", "Șerban",
                                 "Enache", "Munteanu", "Lungu", "Bălan", "Preda", "Stan", "Marin"};
    static const char *tours[] = {"Istanbul / Cappadocia", "Antalya - Side", "Istanbul / Bursa", "Izmir & Efes",
                                  "Bodrum", "Cappadocia (balon)", "Pamukkale", "Antalya - Kemer", "Trabzon",
                                  "Istanbul 3 nopți", "Marmaris"};
    lxw_workbook_options options = {};
    options.constant_memory = inlineStrings ? LXW_TRUE : LXW_FALSE;
    lxw_workbook *wb = workbook_new_opt(out, &options);
    if (!wb)
        return false;
    lxw_worksheet *ws = workbook_add_worksheet(wb, "Invoice");
    lxw_format *date = workbook_add_format(wb);
    format_set_num_format(date, "dd.mm.yyyy");
    lxw_format *money = workbook_add_format(wb);
    format_set_num_format(money, "#,##0.00");
    worksheet_write_string(ws, 7, 0, "VKN: 4417209583", nullptr);
    worksheet_write_string(ws, 16, 0, "VKN: RO12345678", nullptr);
    worksheet_write_string(ws, 21, 1, "VNT-2026-1211", nullptr);
    lxw_datetime invoiceDate = {2026, 12, 11, 0, 0, 0};
    worksheet_write_datetime(ws, 22, 1, &invoiceDate, date);
    worksheet_write_string(ws, 24, 0, "Reservation №", nullptr);
    char reservation[32];
    std::string client;
    for (long i = 0; i < lines; ++i) {
        const lxw_row_t row = lxw_row_t(25 + i);
        std::snprintf(reservation, sizeof reservation, "R-%07ld", i + 1);
        client = std::string(first[i % 16]) + ' ' + last[(i / 16) % 14];
        worksheet_write_string(ws, row, 0, reservation, nullptr);
        worksheet_write_string(ws, row, 1, client.c_str(), nullptr);
        worksheet_write_string(ws, row, 2, tours[i % 11], nullptr);
        lxw_datetime day = {2026, int(1 + i % 12), int(1 + i % 28), 0, 0, 0};
        worksheet_write_datetime(ws, row, 3, &day, date);
        worksheet_write_number(ws, row, 4, double((i * 7919) % 200000) / 100.0 + 10, money);
    }
    worksheet_write_string(ws, lxw_row_t(25 + lines), 0, "Grand TOTAL", nullptr);
    return workbook_close(wb) == LXW_NO_ERROR;
}

int usage()
{
    std::fprintf(stderr, "usage: wimport-bench FILE [--runs N] [--tsv]\n"
                         "       wimport-bench --load FILE\n"
                         "       wimport-bench --floor FILE\n"
                         "       wimport-bench --generate LINES OUT.xlsx [--inline]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() >= 3 && args[1] == u"--generate") {
            bool ok = false;
            const long lines = args[2].toLong(&ok);
            if (!ok || lines < 0 || lines > 1048000 || args.size() < 4)
                return usage();
            const QByteArray out = args[3].toLocal8Bit();
            return generate(lines, out.constData(), args.contains(QStringLiteral("--inline"))) ? 0 : 1;
        }
        if (args.size() == 3 && args[1] == u"--load") {
            const QByteArray path = args[2].toLocal8Bit();
            wifv::WorkbookModel model;
            loadPass(path.constData(), model);
            return 0;
        }
        if (args.size() == 3 && args[1] == u"--floor") {
            floorPass(args[2].toLocal8Bit().constData());
            return 0;
        }
        if (args.size() < 2 || args[1].startsWith(u'-'))
            return usage();
        int runs = 9;
        if (const qsizetype at = args.indexOf(QStringLiteral("--runs")); at > 0 && at + 1 < args.size())
            runs = std::max(1, args[at + 1].toInt());
        const QByteArray path = args[1].toLocal8Bit();

        const long baseKiB = statusKiB("VmRSS:");
        wifv::WorkbookModel model;
        // The text rules are fixed, so runs on different machines compare.
        model.setRegionalSettings({});
        size_t inflated = 0, cells = 0, jsonChars = 0;
        long loadedKiB = 0;
        bool invoice = true;
        Figures floor, load, read;
        // The stages take turns, so a change in the machine's load touches
        // them all alike.
        for (int run = 0; run < runs; ++run) {
            model.clear();
            measureOnce(floor, [&] { inflated = floorPass(path.constData()); });
            measureOnce(load, [&] {
                loadPass(path.constData(), model);
                cells = 0;
                for (const wifv::Sheet &s : model.workbook().sheets)
                    cells += s.cellCount();
            });
            loadedKiB = statusKiB("VmRSS:");
            if (!invoice)
                continue;
            try {
                measureOnce(read, [&] { jsonChars = readPass(model, model.regionalSettings()); });
            } catch (const wifv::Error &e) {
                invoice = false;
                std::fprintf(stderr, "reading: %s\n", qPrintable(e.message()));
            }
        }

        if (args.contains(QStringLiteral("--tsv"))) {
            std::printf("%zu\t%.4f\t%.4f\t%.4f\t%.1f\t%.1f\t%.1f\n", cells, floor.median(), load.median(),
                        invoice ? read.median() : 0.0, floor.peakMiB, load.peakMiB, invoice ? read.peakMiB : 0.0);
            return 0;
        }
        std::printf("workbook   %s\n", path.constData());
        std::printf("inflated   %.1f MB of parts, %zu cells; process at start %.1f MiB, with the workbook held %.1f MiB\n",
                    double(inflated) / 1e6, cells, double(baseKiB) / 1024, double(loadedKiB) / 1024);
        std::printf("runs       %d (median, max - min)\n\n", runs);
        std::printf("| stage | median | spread | ratio to floor | peak memory |\n|---|---|---|---|---|\n");
        const auto row = [&](const char *name, const Figures &f) {
            std::printf("| %s | %.3f s | %.3f s | %.2f | %.1f MiB |\n", name, f.median(), f.spread(),
                        f.median() / floor.median(), f.peakMiB);
        };
        row("floor (read, inflate, tokenize)", floor);
        row("load (read, parse, model)", load);
        if (invoice)
            row("reading + JSON", read);
        if (invoice)
            std::printf("\nJSON text  %zu characters\n", jsonChars);
        return 0;
    } catch (const wifv::Error &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
}
