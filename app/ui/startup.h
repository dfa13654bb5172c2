#pragma once

namespace wifv {

// Sets up a constructed QApplication as the program runs: the application
// title from the executable's path, the design fonts' fallbacks and the
// window icon.
void prepareApplication();

} // namespace wifv
