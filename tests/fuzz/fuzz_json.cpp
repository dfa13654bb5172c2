// The JSON writer: the bytes are UTF-16 code units of a text. The document
// written must parse with a strict JSON parser (nlohmann/json; Qt's own
// drops U+FEFF inside strings) and give back the text, where every unpaired
// surrogate has become U+FFFD.
#include "invoice.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

QString expectedBack(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else {
            out += c.isSurrogate() ? QChar(0xFFFD) : c;
        }
    }
    return out;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size / 2 * 2);
    const QString back = expectedBack(text);

    const std::string backUtf8 = back.toStdString();
    QString one;
    wifv::appendJsonString(one, text);
    const auto single = nlohmann::json::parse(one.toStdString()); // throws, and so fails, on invalid JSON
    check(single.is_string() && single.get<std::string>() == backUtf8);

    // The whole document, the text in every member of two lines.
    const QString half = text.left(text.size() / 2);
    const std::string halfBack = expectedBack(half).toStdString();
    wifv::Invoice invoice{text, half, text, half, {{text, half, text, half, text}, {half, text, half, text, half}}};
    const auto doc = nlohmann::json::parse(wifv::invoiceJson(invoice).toStdString());
    check(doc.is_object() && doc.size() == 5 && doc["cuiVintra"] == backUtf8 && doc["cuiEu"] == halfBack &&
          doc["nrFact"] == halfBack && doc["poz"].size() == 2 && doc["poz"][0]["pret"] == backUtf8 &&
          doc["poz"][1]["com_int"] == halfBack && doc["poz"][1]["data_sf_tour"] == backUtf8);
    return 0;
}
