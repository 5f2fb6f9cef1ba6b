#include "app/entrybox.h"

#include <optional>

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace tessaly::app {

namespace {

constexpr std::int16_t kBackspace = 8;
constexpr std::int16_t kCarriageReturn = 13;

std::int16_t codeOf(QChar c) {
    return static_cast<std::int16_t>(c.unicode());
}

// A Chinese input method in full-width mode types "１２。５" for 12.5: its digits and full stops
// stand for the ASCII ones, and then pass the key handler as those would.
std::int16_t asciiCode(std::int16_t code) {
    const auto c = static_cast<char16_t>(code);
    if (c >= u'０' && c <= u'９')
        return static_cast<std::int16_t>(u'0' + (c - u'０'));
    if (c == u'。' || c == u'．')
        return '.';
    return code;
}

// The control character that Ctrl+letter types (Ctrl+A is 1 ... Ctrl+Z is 26), whatever text
// the platform attached to the event.
std::optional<std::int16_t> controlCode(const QKeyEvent& event) {
    const auto mods = event.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods != Qt::ControlModifier)
        return std::nullopt;
    if (event.key() < Qt::Key_A || event.key() > Qt::Key_Z)
        return std::nullopt;
    return static_cast<std::int16_t>(event.key() - Qt::Key_A + 1);
}

}  // namespace

EntryBox::EntryBox(EventBoundary& boundary, QWidget* parent)
    : QLineEdit(parent), boundary_(boundary) {}

std::int16_t EntryBox::filter(std::int16_t code) {
    if (!keyHandler_)
        return code;
    std::int16_t keyCode = asciiCode(code);
    if (!boundary_.run([&] { keyHandler_(keyCode); }))
        return 0;
    return keyCode;
}

void EntryBox::keyPressEvent(QKeyEvent* event) {
    QString typed;
    if (event->key() == Qt::Key_Backspace) {
        typed = QChar(kBackspace);
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        typed = QChar(kCarriageReturn);
    } else if (const auto control = controlCode(*event)) {
        typed = QChar(static_cast<char16_t>(*control));
    } else {
        typed = event->text();
        // Delete comes with DEL as its text on some platforms; it edits, it types nothing.
        if (typed == QChar(0x7f))
            typed.clear();
    }
    if (typed.isEmpty()) {
        // Arrows, Home, End, Delete, Shift+arrows...: ordinary editing.
        QLineEdit::keyPressEvent(event);
        return;
    }

    event->accept();
    for (const QChar c : typed) {
        const std::int16_t code = filter(codeOf(c));
        if (code == 0)
            continue;
        if (typed.size() == 1 && code == codeOf(c) && c.isPrint()) {
            QLineEdit::keyPressEvent(event);
        } else {
            insert(QString(QChar(static_cast<char16_t>(code))));
        }
    }
}

void EntryBox::inputMethodEvent(QInputMethodEvent* event) {
    const QString committed = event->commitString();
    if (committed.isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }

    // The characters go in one at a time, each after the handler has seen the text as the
    // characters before it left it, just as if they had been typed in turn.
    bool replaced = false;
    for (const QChar c : committed) {
        const std::int16_t code = filter(codeOf(c));
        if (code == 0)
            continue;
        QInputMethodEvent commit;
        if (replaced) {
            commit.setCommitString(QString(QChar(static_cast<char16_t>(code))));
        } else {
            commit.setCommitString(QString(QChar(static_cast<char16_t>(code))),
                                   event->replacementStart(), event->replacementLength());
            replaced = true;
        }
        QLineEdit::inputMethodEvent(&commit);
    }

    QInputMethodEvent rest(event->preeditString(), event->attributes());
    if (!replaced)
        rest.setCommitString({}, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&rest);
    event->accept();
}

void EntryBox::mousePressed() {
    if (mouseHandler_)
        boundary_.run(mouseHandler_);
}

void EntryBox::mousePressEvent(QMouseEvent* event) {
    mousePressed();
    QLineEdit::mousePressEvent(event);
}

void EntryBox::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a press too.
    mousePressed();
    QLineEdit::mouseDoubleClickEvent(event);
}

}  // namespace tessaly::app
