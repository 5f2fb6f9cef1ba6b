#pragma once

// A single-line text box whose typed characters pass a key handler before they reach the text,
// however they arrive: as the text of a key press, or committed by an input method.

#include <cstdint>
#include <functional>

#include <QLineEdit>

#include "app/eventboundary.h"

namespace tessaly::app {

class EntryBox : public QLineEdit {
    Q_OBJECT
public:
    // Gets the character's UTF-16 code (an input method's full-width digit or full stop as the
    // ASCII one); leaves it to let the character in, sets it to 0 to discard it.
    using KeyHandler = std::function<void(std::int16_t& keyCode)>;
    using MouseHandler = std::function<void()>;

    EntryBox(EventBoundary& boundary, QWidget* parent);

    void setKeyHandler(KeyHandler handler) { keyHandler_ = std::move(handler); }
    // Runs at every mouse press in the box, before the box handles the press itself.
    void setMouseHandler(MouseHandler handler) { mouseHandler_ = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The code the key handler leaves for `code`; 0 when it discards it or fails.
    std::int16_t filter(std::int16_t code);
    void mousePressed();

    EventBoundary& boundary_;
    KeyHandler keyHandler_;
    MouseHandler mouseHandler_;
};

}  // namespace tessaly::app
