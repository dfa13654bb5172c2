#include "tfmenuimportfactvintra.h"

#include "anchors.h"
#include "dmcon.h"
#include "errordisplay.h"
#include "tfimportfactvintra.h"
#include "tfrmlogin.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace wifv {

TfMenuImportFactVintra *fMenuImportFactVintra = nullptr;

namespace {

constexpr QSize kClientSize(359, 262);
constexpr int kLoginPanelHeight = 41;
const QString kVersionCaption = QStringLiteral("wImportFactVintra v. 2025.07.28");

QFrame *makePanel(QWidget *parent, const QString &name)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return panel;
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption, QPoint at)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setFont(designFont(9, true));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 128)); // navy
    label->setPalette(palette);
    label->move(at);
    label->adjustSize();
    return label;
}

QLabel *makeVersionLabel(QWidget *parent, const QString &name, QSize parentDesign)
{
    QLabel *label = makeLabel(parent, name, kVersionCaption, QPoint(161, 2));
    // Designed 190 wide; a substitute font a little wider must not clip it.
    label->resize(std::max(190, label->sizeHint().width()), label->height());
    anchorTo(label, AnchorTop | AnchorRight, parentDesign);
    return label;
}

constexpr int kDataBaseLabelWidth = 81;

// The word-wrapping database label keeps its design width unless one word is
// wider, which widens it rather than cut the word; its height follows the text.
void fitWrapped(QLabel *label)
{
    int width = kDataBaseLabelWidth;
    const QFontMetrics metrics(label->font());
    for (const QString &word : label->text().split(u' ', Qt::SkipEmptyParts))
        width = std::max(width, metrics.horizontalAdvance(word) + 1);
    label->resize(width, label->heightForWidth(width));
}

} // namespace

TfMenuImportFactVintra::TfMenuImportFactVintra()
{
    setObjectName(QStringLiteral("fMenuImportFactVintra"));
    setWindowTitle(QStringLiteral("fMenuImportFactVintra"));
    setFont(designFont(9));
    useButtonFace(this);

    const QSize menuDesign(kClientSize.width(), kClientSize.height() - kLoginPanelHeight);
    const QSize loginDesign(kClientSize.width(), kLoginPanelHeight);

    PanelLogin = makePanel(this, QStringLiteral("PanelLogin"));
    PanelLogin->resize(loginDesign);
    PanelMenu = makePanel(this, QStringLiteral("PanelMenu"));
    PanelMenu->resize(menuDesign);

    Shape1 = new QFrame(PanelMenu);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setAutoFillBackground(true);
    QPalette silver = Shape1->palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    Shape1->setPalette(silver);
    Shape1->setGeometry(-196, 40, 600, 2);
    anchorTo(Shape1, AnchorLeft | AnchorTop | AnchorRight, menuDesign);

    LabelUser = makeLabel(PanelMenu, QStringLiteral("LabelUser"), QStringLiteral("LabelUser"), QPoint(6, 23));
    LabelDataBase = makeLabel(PanelMenu, QStringLiteral("LabelDataBase"), QStringLiteral("LabelDataBase"),
                              QPoint(6, 2));
    LabelDataBase->setWordWrap(true);
    fitWrapped(LabelDataBase);
    Label2 = makeVersionLabel(PanelMenu, QStringLiteral("Label2"), menuDesign);
    ButtonLogin = makeButton(PanelLogin, QStringLiteral("ButtonLogin"), QStringLiteral("Login"),
                             QRect(12, 5, 75, 30));
    Label1 = makeVersionLabel(PanelLogin, QStringLiteral("Label1"), loginDesign);
    Button1 = makeButton(PanelMenu, QStringLiteral("Button1"), QStringLiteral("Import facturi furnizor Vintra"),
                         QRect(12, 64, 197, 25));
    ButtonLogin->setFocus();

    resize(kClientSize);

    connect(ButtonLogin, &QPushButton::clicked, this, [this] { guarded([this] { ButtonLoginClick(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });

    FormCreate();
}

void TfMenuImportFactVintra::alignPanels()
{
    // The login panel is aligned to the top; the menu panel fills the rest of
    // the client area, all of it once the login panel is hidden.
    const int top = PanelLogin->isVisibleTo(this) ? kLoginPanelHeight : 0;
    PanelLogin->setGeometry(0, 0, width(), kLoginPanelHeight);
    PanelMenu->setGeometry(0, top, width(), std::max(0, height() - top));
}

void TfMenuImportFactVintra::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    alignPanels();
}

void TfMenuImportFactVintra::FormCreate()
{
    PanelMenu->hide();
}

void TfMenuImportFactVintra::ButtonLoginClick()
{
    if (frmLogin->exec() != QDialog::Accepted)
        return;
    PanelLogin->hide();
    PanelMenu->show();
    alignPanels();
    LabelDataBase->setText(dmCon->glDataBase);
    fitWrapped(LabelDataBase);
    LabelUser->setText(QStringLiteral("User ") + dmCon->glUser);
    LabelUser->adjustSize();
}

void TfMenuImportFactVintra::Button1Click()
{
    // A minimised window stays minimised; either way it comes to the front.
    if (!fImportFactVintra->isVisible())
        fImportFactVintra->show();
    fImportFactVintra->raise();
    if (!fImportFactVintra->isMinimized())
        fImportFactVintra->activateWindow();
}

void TfMenuImportFactVintra::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program, even with the import window open.
    event->accept();
    QCoreApplication::exit(0);
}

} // namespace wifv
