#pragma once

#include <QString>

class QWidget;

// How the window shows its modal messages. The real service shows a QMessageBox; tests pass
// one that records what it was asked to show, so no modal box ever blocks them.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // A modal box with one OK button and no icon; returns when the user has closed it.
    virtual void show(QWidget* parent, const QString& title, const QString& text) = 0;
};
