#include "tfimportfactvintra.h"

#include "anchors.h"

namespace wifv {

TfImportFactVintra *fImportFactVintra = nullptr;

TfImportFactVintra::TfImportFactVintra(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("fImportFactVintra"));
    setWindowTitle(QStringLiteral("fImportFactVintra"));
    setFont(designFont(9));
    setAutoFillBackground(true);
    resize(1094, 730);
}

} // namespace wifv
