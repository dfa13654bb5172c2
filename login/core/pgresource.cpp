#include "pgresource.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef _WIN32
extern char **environ;
#endif

namespace wifv::pg {

void clearEnvironment()
{
    std::vector<std::string> names;
    for (char **entry = environ; entry && *entry; ++entry) {
        const char *text = *entry;
        if (std::strncmp(text, "PG", 2) != 0)
            continue;
        const char *equals = std::strchr(text, '=');
        names.emplace_back(text, equals ? static_cast<size_t>(equals - text) : std::strlen(text));
    }
    for (const auto &name : names) {
#ifdef _WIN32
        _putenv_s(name.c_str(), "");
#else
        unsetenv(name.c_str());
#endif
    }
}

} // namespace wifv::pg
