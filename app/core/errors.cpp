#include "errors.h"

namespace wifv {

Error::Error(QString message)
    : m_message(std::move(message)), m_utf8(m_message.toStdString())
{
}

QString exceptionMessage(const std::exception &e)
{
    if (auto *own = dynamic_cast<const Error *>(&e))
        return own->message();
    return QString::fromUtf8(e.what());
}

QString withFullStop(const QString &text)
{
    if (!text.isEmpty() && text.back().unicode() > u'.')
        return text + u'.';
    return text;
}

std::optional<QString> errorDisplayText(std::exception_ptr error)
{
    QString chosen;
    bool outermost = true;
    while (error) {
        std::exception_ptr inner;
        try {
            std::rethrow_exception(error);
        } catch (const Abort &) {
            if (outermost)
                return std::nullopt;
        } catch (const std::exception &e) {
            const QString message = exceptionMessage(e);
            if (!message.isEmpty())
                chosen = message;
            try {
                std::rethrow_if_nested(e);
            } catch (...) {
                inner = std::current_exception();
            }
        } catch (...) {
            if (outermost)
                chosen = QStringLiteral("Unknown error");
        }
        error = inner;
        outermost = false;
    }
    return withFullStop(chosen);
}

} // namespace wifv
