#pragma once

#include <QApplication>
#include <QInputMethodEvent>
#include <QWidget>

// What an input method sends for `text`: the composition shown first, then committed.
inline void commitText(QWidget* target, const QString& text) {
    QInputMethodEvent preedit(text, {});
    QApplication::sendEvent(target, &preedit);
    QInputMethodEvent done;
    done.setCommitString(text);
    QApplication::sendEvent(target, &done);
}
