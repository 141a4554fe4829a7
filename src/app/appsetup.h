#pragma once
// What the editor sets up in its application object before the first window:
// its name and version, its desktop entry and icon, and Qt's own texts (file
// dialogs, standard buttons, context menus) in Russian. The widget tests set up
// theirs the same way.

class QApplication;

namespace rastrova::app {

void setUpApplication(QApplication& app);

} // namespace rastrova::app
