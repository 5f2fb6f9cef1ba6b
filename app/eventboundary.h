#pragma once

// Every event handler of the window runs inside EventBoundary::run, so that an error raised
// anywhere below it is shown to the user and the program goes on; no exception may unwind
// through Qt's event dispatch.

#include <exception>
#include <utility>

#include <QString>

#include "app/messagebox.h"
#include "app/qtext.h"
#include "runtime/error.h"

class QWidget;

namespace tessaly::app {

class EventBoundary {
public:
    EventBoundary(MessageBoxService& messages, QWidget* parent) noexcept
        : messages_(messages), parent_(parent) {}

    // Runs `body`; returns false when it failed (after the failure has been reported).
    template <class Body>
    bool run(Body&& body) noexcept {
        try {
            std::forward<Body>(body)();
            return true;
        } catch (const runtime::Error& error) {
            report(toQString(error.message()));
        } catch (const std::exception& error) {
            // Not raised by our own code in ordinary use (out of memory, say); still better
            // reported than allowed to take the user's work with it.
            report(QString::fromUtf8(error.what()));
        }
        return false;
    }

private:
    void report(const QString& text) noexcept;

    MessageBoxService& messages_;
    QWidget* parent_;
};

}  // namespace tessaly::app
