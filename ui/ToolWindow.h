#pragma once
// What the program's tool windows ("Historia", "Monitor transmisji", the walk
// test) have in common as windows.
#include <QSize>

class QWidget;

// Esc closes `window`, and it takes `wanted` or as much of it as the
// available area of its screen holds (never less than its minimum).
void setUpToolWindow(QWidget* window, QSize wanted);
