#pragma once
// Log lines leave the program in Windows-1250 with CR LF line ends.
#include <QString>

// Appends `line` and CR LF to `fileName` in Windows-1250, opening and closing
// the file for this one line. A missing file is created when `create` is set;
// an existing file is never truncated. Every failure is silent.
void appendLogLine(const QString& fileName, const QString& line, bool create);
