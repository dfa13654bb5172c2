#include "tfrmlogin.h"

#include "anchors.h"

namespace wifv {

TfrmLogin *frmLogin = nullptr;

TfrmLogin::TfrmLogin(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("frmLogin"));
    setFont(designFont(9));
    resize(362, 158);
}

} // namespace wifv
