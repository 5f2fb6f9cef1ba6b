#pragma once

#include "app/messagebox.h"

namespace tessaly::app {

// The message box the user sees: modal, with the given title and text, one OK button and no
// icon.
class QtMessageBoxService final : public MessageBoxService {
public:
    void show(QWidget* parent, const QString& title, const QString& text) override;
};

}  // namespace tessaly::app
