#include "errordisplay.h"

#include "apptitle.h"
#include "errors.h"

#include <QApplication>
#include <QMessageBox>

namespace wifv {

namespace {
MessageBoxHook &hook()
{
    static MessageBoxHook h;
    return h;
}
} // namespace

void setMessageBoxHook(MessageBoxHook h) { hook() = std::move(h); }

void showError(std::exception_ptr error)
{
    std::optional<QString> text;
    try {
        text = errorDisplayText(error);
    } catch (...) {
        text = QStringLiteral("Unknown error");
    }
    if (!text)
        return;
    QWidget *owner = QApplication::activeWindow();
    if (hook()) {
        hook()(owner, applicationTitle(), *text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, applicationTitle(), *text, QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace wifv
