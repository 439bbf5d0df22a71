#pragma once
// Qt's own texts (standard buttons, file dialogs, the command-line parser's
// messages) in Polish like the rest of the program, whatever the user's locale.

// Loads qtbase_pl from Qt's translations folder into the running
// application. False when that translation is not installed: Qt's texts then
// stay English. Call after the application object exists.
bool installQtTranslation();
