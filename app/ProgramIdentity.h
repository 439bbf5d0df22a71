#pragma once
// What the desktop knows the program by.
#include <QIcon>
#include <QString>

// The name of the desktop entry without ".desktop"; also the Wayland app id,
// the AppStream id and the icon's name in the hicolor theme.
inline const QString DesktopFileName = QStringLiteral("pl.dravel.Orvita");

// The program's icon at every size drawn for it.
QIcon programIcon();
