#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

namespace wifv {

// The main window. Logged out it shows only the Login panel; after a
// successful login it shows the company database, the operator and the
// button that opens the import window.
class TfMenuImportFactVintra : public QWidget {
    Q_OBJECT
public:
    TfMenuImportFactVintra();

    QFrame *PanelLogin;
    QFrame *PanelMenu;
    QFrame *Shape1;
    QLabel *LabelUser;
    QLabel *LabelDataBase;
    QLabel *Label2;
    QPushButton *ButtonLogin;
    QLabel *Label1;
    QPushButton *Button1;

    void FormCreate();
    void ButtonLoginClick();
    void Button1Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void alignPanels();
};

extern TfMenuImportFactVintra *fMenuImportFactVintra;

} // namespace wifv
