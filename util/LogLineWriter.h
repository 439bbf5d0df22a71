#pragma once
// Log lines leave the program in Windows-1250 with CR LF line ends.
#include <QString>

// What appendLogLine gives when the name is taken by something other than a
// regular file (a folder, a pipe, a device, a symbolic link).
inline constexpr int NotARegularFile = -1;

// Appends `line` and CR LF to `fileName` in Windows-1250, opening and closing
// the file for this one line. A missing file is created when `create` is set,
// with at most what the umask allows; an existing file is never truncated.
// A symbolic link is never followed and only a regular file is written, so a
// link planted in a shared folder cannot redirect the line. Returns 0 when
// the whole line is written, else errno of the failing call or NotARegularFile.
int appendLogLine(const QString& fileName, const QString& line, bool create);
