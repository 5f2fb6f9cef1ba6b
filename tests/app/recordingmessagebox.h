#pragma once

// A message-box service for tests: records what the window asked to show and returns at
// once, so no modal box ever blocks a test.

#include <QList>
#include <QString>

#include "app/messagebox.h"

class RecordingMessageBox final : public MessageBoxService {
public:
    struct Message {
        QString title;
        QString text;
        bool operator==(const Message&) const = default;
    };

    void show(QWidget*, const QString& title, const QString& text) override {
        messages_.append({title, text});
    }

    const QList<Message>& messages() const { return messages_; }
    // The texts shown, in order; what most tests compare.
    QStringList texts() const {
        QStringList result;
        for (const Message& m : messages_)
            result.append(m.text);
        return result;
    }
    void clear() { messages_.clear(); }

private:
    QList<Message> messages_;
};
