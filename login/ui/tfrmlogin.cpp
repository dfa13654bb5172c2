#include "tfrmlogin.h"

#include "apptitle.h"
#include "dmcon.h"
#include "errordisplay.h"
#include "loginfile.h"
#include "loginsequence.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace wifv {

TfrmLogin *frmLogin = nullptr;

namespace {

QFont tahoma(int pixelSize)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption, QPoint at)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setFont(tahoma(12));
    label->move(at);
    label->adjustSize();
    return label;
}

QLineEdit *makeEdit(QWidget *parent, const QString &name, QPoint at)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(at.x(), at.y(), 268, 21);
    return edit;
}

} // namespace

TfrmLogin::TfrmLogin(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("frmLogin"));
    setFont(tahoma(11));
    resize(362, 158);

    // Created in tab order: password, Login, company, user name.
    Label1 = makeLabel(this, QStringLiteral("Label1"), QStringLiteral("Company"), QPoint(16, 24));
    Label2 = makeLabel(this, QStringLiteral("Label2"), QStringLiteral("UserName"), QPoint(16, 56));
    Label3 = makeLabel(this, QStringLiteral("Label3"), QStringLiteral("Password"), QPoint(16, 88));
    Edit3 = makeEdit(this, QStringLiteral("Edit3"), QPoint(77, 86));
    Edit3->setEchoMode(QLineEdit::Password);
    Button1 = new QPushButton(QStringLiteral("Login"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(77, 120, 75, 30);
    Button1->setDefault(true);
    Edit1 = makeEdit(this, QStringLiteral("Edit1"), QPoint(77, 22));
    Edit2 = makeEdit(this, QStringLiteral("Edit2"), QPoint(77, 54));
    Edit3->setFocus();

    dsTavoMobil = makeDsTavoMobil(dmCon->conTavoMob);

    // The two edits write into the remembered record as the operator types.
    connect(Edit1, &QLineEdit::textEdited, this,
            [this](const QString &text) { dsLogin.setValue(LoginTable::Company, text); });
    connect(Edit2, &QLineEdit::textEdited, this,
            [this](const QString &text) { dsLogin.setValue(LoginTable::Username, text); });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
}

TfrmLogin::~TfrmLogin() = default;

void TfrmLogin::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        guarded([this] { FormShow(); });
}

void TfrmLogin::keyPressEvent(QKeyEvent *event)
{
    // There is no Cancel button: Esc does not close the dialog.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmLogin::showRecord()
{
    Edit1->setText(dsLogin.value(LoginTable::Company).value_or(QString()));
    Edit2->setText(dsLogin.value(LoginTable::Username).value_or(QString()));
}

void TfrmLogin::FormShow()
{
    const QString path = loginFilePath();
    if (QFileInfo::exists(path)) {
        try {
            loadLoginFile(dsLogin, path);
        } catch (...) {
            // The dialog opens with an empty table, as on a first run.
            dsLogin.assign({}, 0);
            dsLogin.open();
            showRecord();
            throw;
        }
        showRecord();
    }
    dsLogin.open();
}

void TfrmLogin::Button1Click()
{
    saveLoginFile(dsLogin, loginFilePath());
    runLoginAttempt(*dmCon, *dsTavoMobil, applicationTitle(), {Edit1->text(), Edit2->text(), Edit3->text()});
    Edit3->clear();
    accept();
}

} // namespace wifv
