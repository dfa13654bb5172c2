#pragma once

#include <memory>

namespace wifv {

class TfMenuImportFactVintra;
class TdmCon;
class TfrmLogin;
class TfImportFactVintra;

// The long-lived objects of a run, created in this order at start and kept
// until the end; each is reachable through its global instance pointer.
// The login dialog and the import window have the main window as parent.
class Application {
public:
    Application();
    ~Application();
    Application(const Application &) = delete;
    Application &operator=(const Application &) = delete;

    TfMenuImportFactVintra &mainWindow() const { return *m_main; }

private:
    std::unique_ptr<TfMenuImportFactVintra> m_main;
    std::unique_ptr<TdmCon> m_dmCon;
    std::unique_ptr<TfrmLogin> m_login;
    std::unique_ptr<TfImportFactVintra> m_import;
};

} // namespace wifv
