#pragma once
// Keeping a window's position between runs in the settings store: the
// 16-byte record of files/WindowPlacement.h under the window's value name.
//
// Value name: the window's hint when its caption contains it (case ignored),
// else the caption. The hint is the dynamic property "placementHint" when
// set, else the window's tool tip. A window whose caption changes during the
// run (the main window shows its file's name) sets a hint that every caption
// contains, so the name it saves under is the one it loads from next time.
#include <QString>

class QWidget;

inline constexpr char PlacementHintProperty[] = "placementHint";

void setPlacementHint(QWidget* window, const QString& hint);
QString windowValueName(const QWidget* window);

// Neither function does anything on Wayland, where a program can neither
// place its windows nor learn where they are.
//
// Reads the window's record from `key` and places the window's frame: the
// stored place, else the current (designed) one, moved onto the nearest
// screen whole when it does not lie on one (files/WindowPlacement.h). A
// fixed-size or tool window gets only its position. `mainWindow`, when given
// and not `window` itself, must not lie right of the placed window's left
// edge. Call it before the window is first shown, once its size is set.
void loadWindowPlacement(QWidget* window, const QString& key, const QWidget* mainWindow = nullptr);
// Writes the window's outer rectangle under its value name; nothing while
// the window is maximized.
void saveWindowPlacement(const QWidget* window, const QString& key);
