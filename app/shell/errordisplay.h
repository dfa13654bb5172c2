#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <utility>

class QWidget;

namespace wifv {

// Shows a message box; tests replace it to read what would have been shown.
using MessageBoxHook = std::function<void(QWidget *owner, const QString &caption, const QString &text)>;
// An empty hook restores the real message box.
void setMessageBoxHook(MessageBoxHook hook);

// Shows an escaping exception: a critical message box with the application
// title as caption and one OK button, owned by the active window. An Abort
// shows nothing.
void showError(std::exception_ptr error);

// Runs a widget handler; an exception that escapes it is shown and ends the
// handler there, so no exception ever travels through Qt's event loop.
template <class Handler>
void guarded(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        showError(std::current_exception());
    }
}

} // namespace wifv
