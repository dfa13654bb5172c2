#pragma once

#include <QDialog>

namespace wifv {

// The modal login dialog. It is created once at start, hidden, with the main
// window as its parent, and shown by the main window's Login button.
class TfrmLogin : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLogin(QWidget *parent);
};

extern TfrmLogin *frmLogin;

} // namespace wifv
