#pragma once
// Why the port could not be opened, in the user's words: the status bar's
// tooltip in the window, the error line of the command line tool.
#include <QString>

class SerialPort;

// Where the advice is read: the window points to its RS-232 menu, a shell
// to the --port option.
enum class PortAdviceFor { Window, Shell };

// Empty while the last open() succeeded (or none was tried). For a missing
// permission the device is examined again, to name its group.
QString portFailureText(const SerialPort& port, PortAdviceFor where = PortAdviceFor::Window);
