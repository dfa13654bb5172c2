#pragma once

#include "logintable.h"
#include "pgquery.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace wifv {

// The modal login dialog. It is created once at start, hidden, with the main
// window as its parent, and shown by the main window's Login button. It
// remembers the company and user name last typed in dsLogin, saved to the
// remembered-login file at every press of Login.
class TfrmLogin : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLogin(QWidget *parent);
    ~TfrmLogin() override;

    QLabel *Label1;
    QLineEdit *Edit1;
    QLabel *Label2;
    QLineEdit *Edit2;
    QLabel *Label3;
    QLineEdit *Edit3;
    QPushButton *Button1;

    LoginTable dsLogin;
    std::unique_ptr<PgQuery> dsTavoMobil;

    void FormShow();
    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showRecord();
};

extern TfrmLogin *frmLogin;

} // namespace wifv
