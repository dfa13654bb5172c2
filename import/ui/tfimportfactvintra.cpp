#include "tfimportfactvintra.h"

#include "anchors.h"
#include "celltext.h"
#include "dmcon.h"
#include "invoice.h"
#include "submission.h"
#include "errordisplay.h"
#include "errors.h"
#include "spreadsheetview.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>

namespace wifv {

TfImportFactVintra *fImportFactVintra = nullptr;

namespace {

constexpr QSize kClientSize(1094, 730);

OpenFileDialog &dialogHook()
{
    static OpenFileDialog hook;
    return hook;
}

std::optional<QString> askForFile(QWidget *parent)
{
    if (dialogHook())
        return dialogHook()(parent);
    // No filter and no title of its own.
    const QString path = QFileDialog::getOpenFileName(parent);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace

void setOpenFileDialog(OpenFileDialog dialog) { dialogHook() = std::move(dialog); }

TfImportFactVintra::TfImportFactVintra(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("fImportFactVintra"));
    setWindowTitle(QStringLiteral("fImportFactVintra"));
    setFont(designFont(9));
    useButtonFace(this);
    setAcceptDrops(true);

    Label2 = new QLabel(QStringLiteral("Import facturi furnizor Vintra"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(designFont(12, true));
    QPalette red = Label2->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label2->setPalette(red);
    Label2->setGeometry(8, 0, 235, 21);

    // Created in tab order.
    ButtonAlegeFisier = makeButton(this, QStringLiteral("ButtonAlegeFisier"), QStringLiteral("Alege fisier factura"),
                                   QRect(8, 27, 113, 25));
    dxSpreadSheet1 = new TdxSpreadSheet(this);
    dxSpreadSheet1->setObjectName(QStringLiteral("dxSpreadSheet1"));
    dxSpreadSheet1->setGeometry(8, 58, 1074, 514);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(8, 591, 1074, 131);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    ButtonImporta = makeButton(this, QStringLiteral("ButtonImporta"), QStringLiteral("Importa"), QRect(144, 27, 99, 25));
    ButtonClear = makeButton(this, QStringLiteral("ButtonClear"), QStringLiteral("Clear"), QRect(305, 27, 75, 25));

    anchorTo(dxSpreadSheet1, AnchorLeft | AnchorTop | AnchorRight | AnchorBottom, kClientSize);
    anchorTo(Memo1, AnchorLeft | AnchorRight | AnchorBottom, kClientSize);
    resize(kClientSize);

    connect(ButtonAlegeFisier, &QPushButton::clicked, this, [this] { guarded([this] { ButtonAlegeFisierClick(); }); });
    o_import_factFI_Vintra = makeImportCall(dmCon->conTavo);

    connect(ButtonImporta, &QPushButton::clicked, this, [this] { guarded([this] { ButtonImportaClick(); }); });
    connect(ButtonClear, &QPushButton::clicked, this, [this] { guarded([this] { ButtonClearClick(); }); });
}

TfImportFactVintra::~TfImportFactVintra() = default;

void TfImportFactVintra::ButtonImportaClick()
{
    dxSpreadSheet1->commitOpenEdit();
    // A failed reading check ends the press here and is shown; nothing is logged.
    const QString json = invoiceJson(readInvoice(dxSpreadSheet1->workbook(), dxSpreadSheet1->model().regionalSettings()));
    Memo1->appendPlainText(submitInvoice(*o_import_factFI_Vintra, dmCon->glUser, json));
}

void TfImportFactVintra::ButtonAlegeFisierClick()
{
    const auto path = askForFile(this);
    if (!path)
        throw Error(QStringLiteral("Nu s-a ales nici un fisier..."));
    LoadWorkbook(*path);
}

void TfImportFactVintra::LoadWorkbook(const QString &path)
{
    if (fileExtension(path) != u".xlsx")
        throw Error(QStringLiteral("Extensia fisier trebuie sa fie \"xlsx\""));
    dxSpreadSheet1->loadFromFile(path);
}

void TfImportFactVintra::ButtonClearClick()
{
    dxSpreadSheet1->clear();
    Memo1->clear();
}

void TfImportFactVintra::dragEnterEvent(QDragEnterEvent *event)
{
    const auto urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile())
        event->acceptProposedAction();
}

void TfImportFactVintra::dropEvent(QDropEvent *event)
{
    const auto urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return;
    event->acceptProposedAction();
    const QString path = urls.front().toLocalFile();
    guarded([this, path] { LoadWorkbook(path); });
}

} // namespace wifv
