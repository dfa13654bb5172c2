#pragma once

#include <QString>

namespace wifv {

// The text with every unpaired surrogate replaced by U+FFFD, so that it has
// a UTF-8 form (Qt's encoder would write '?' for one). A text without any
// comes back as it is, shared, not copied.
QString withoutLoneSurrogates(const QString &text);

} // namespace wifv
