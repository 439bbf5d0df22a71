#pragma once
// A port as a user names it on a command line: a kernel name ("ttyUSB0"), a
// stable name under /dev/serial/by-id, or any other path to a terminal.
#include <QString>
#include <optional>

// The device name to give the port for `given`:
// - a name without a slash as it stands (a kernel name: the port opens
//   /dev/ + name, never a file of that name in the current folder);
// - "/dev/NAME" as the kernel name NAME, the form the port list offers;
// - any other path made absolute against `workingFolder` and cleaned, so
//   that it names the same file at a later start from another folder.
// No value for an empty name or one that names a folder: ".", ".." or a
// trailing slash at its end (":/..", "x/..", "/dev/."), or an existing
// folder. Existence is not checked otherwise: an adapter may be plugged in later.
std::optional<QString> resolvePortName(const QString& given, const QString& workingFolder);
