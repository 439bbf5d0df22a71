#pragma once
// Log lines leave the program in Windows-1250 with CR LF line ends.
#include <QString>

// What appendLogLine gives when the name is taken by something other than a
// regular file (a folder, a pipe, a device, a symbolic link).
inline constexpr int NotARegularFile = -1;

// Appends `line` and CR LF to `fileName` in Windows-1250, opening and closing
// the file for this one line, as appendToOwnFile (util/OutputFile.h) does: a
// missing file is created (the user's alone) when `create` is set, an existing
// one is never truncated, a symbolic link is never followed and only a
// regular file is written. Returns 0 when the whole line is written, else
// errno of the failing call or NotARegularFile.
int appendLogLine(const QString& fileName, const QString& line, bool create);
