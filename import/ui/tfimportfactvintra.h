#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace wifv {

class TdxSpreadSheet;
class PgQuery;

// The open-file dialog's answer: the chosen path, or nothing when cancelled.
using OpenFileDialog = std::function<std::optional<QString>(QWidget *parent)>;
// Tests replace the dialog; an empty function restores the real one.
void setOpenFileDialog(OpenFileDialog dialog);

// The import window: created once at start, hidden, owned by the main
// window; closing it only hides it, so its contents stay for the next show.
class TfImportFactVintra : public QWidget {
    Q_OBJECT
public:
    explicit TfImportFactVintra(QWidget *parent);
    ~TfImportFactVintra() override;

    QLabel *Label2;
    QPushButton *ButtonAlegeFisier;
    TdxSpreadSheet *dxSpreadSheet1;
    QPlainTextEdit *Memo1;
    QPushButton *ButtonImporta;
    QPushButton *ButtonClear;
    std::unique_ptr<PgQuery> o_import_factFI_Vintra; // the stored-function call on conTavo

    void ButtonAlegeFisierClick();
    void ButtonClearClick();
    void ButtonImportaClick();
    // Checks the extension and loads the file into the view.
    void LoadWorkbook(const QString &path);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

extern TfImportFactVintra *fImportFactVintra;

} // namespace wifv
