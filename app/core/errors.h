#pragma once

#include <QString>

#include <exception>
#include <optional>
#include <string>

namespace wifv {

// A failure with the text shown to the user. Inner failures are attached with
// std::throw_with_nested; the display walks them (see errorDisplayText).
class Error : public std::exception {
public:
    explicit Error(QString message);
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};

// Ends the current user action without showing anything.
class Abort : public std::exception {
public:
    const char *what() const noexcept override { return "Operation aborted"; }
};

// The message of one exception: Error's text, or what() read as UTF-8.
QString exceptionMessage(const std::exception &e);

// Appends a full stop when the text is not empty and its last character's
// code is greater than that of the full stop (46).
QString withFullStop(const QString &text);

// The text the error display shows for an escaping exception: the message of
// the last exception with a non-empty message on the walk from the outermost
// to the innermost nested one, with the full-stop rule applied. No value for
// an Abort, which is shown as nothing.
std::optional<QString> errorDisplayText(std::exception_ptr error);

} // namespace wifv
