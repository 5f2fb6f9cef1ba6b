#pragma once

// The one bridge between the core's UTF-16 texts and Qt's: both are UTF-16, so nothing is
// re-encoded on the way.

#include <QString>

#include "runtime/text.h"

namespace tessaly::app {

inline QString toQString(runtime::TextView text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline runtime::Text toText(const QString& text) {
    return text.toStdU16String();
}

}  // namespace tessaly::app
