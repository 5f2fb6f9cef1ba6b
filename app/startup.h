#pragma once

namespace tessaly::app {

// Loads Qt's own Chinese texts (the message box's button, the boxes' context menus), so that
// they match the window's. Returns false when the translation is not installed; the window
// then shows Qt's English texts.
bool installQtTranslation();

}  // namespace tessaly::app
