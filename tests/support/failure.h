#pragma once

#include "errors.h"

#include <QString>

#include <functional>

namespace wifv::test {

// The message of the Error that f raises; empty when it raises none.
inline QString failureOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Error &e) {
        return e.message();
    }
    return {};
}

} // namespace wifv::test
