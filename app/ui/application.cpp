#include "application.h"

#include "dmcon.h"
#include "tfimportfactvintra.h"
#include "tfmenuimportfactvintra.h"
#include "tfrmlogin.h"

namespace wifv {

Application::Application()
{
    m_main = std::make_unique<TfMenuImportFactVintra>();
    fMenuImportFactVintra = m_main.get();
    m_dmCon = std::make_unique<TdmCon>();
    dmCon = m_dmCon.get();
    m_login = std::make_unique<TfrmLogin>(m_main.get());
    frmLogin = m_login.get();
    m_import = std::make_unique<TfImportFactVintra>(m_main.get());
    fImportFactVintra = m_import.get();
}

Application::~Application()
{
    // Reverse order of creation: the windows that the main window parents go
    // first, so Qt's parent ownership never deletes them a second time.
    fImportFactVintra = nullptr;
    m_import.reset();
    frmLogin = nullptr;
    m_login.reset();
    dmCon = nullptr;
    m_dmCon.reset();
    fMenuImportFactVintra = nullptr;
    m_main.reset();
}

} // namespace wifv
