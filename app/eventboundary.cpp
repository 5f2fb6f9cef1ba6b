#include "app/eventboundary.h"

#include "convert/amount.h"

namespace tessaly::app {

void EventBoundary::report(const QString& text) noexcept {
    try {
        messages_.show(parent_, toQString(convert::kFailureTitle), text);
    } catch (...) {
        // Nothing is left to tell the user with; carrying on is all that remains.
    }
}

}  // namespace tessaly::app
