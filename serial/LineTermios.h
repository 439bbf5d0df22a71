#pragma once
// The line parameters as termios fields. Each function changes only its own
// field(s); SerialPort applies each one as its own read-modify-write.
#include <termios.h>

#include "serial/LineTypes.h"

// Raw bytes both ways: no echo, no line editing, no signals, no translation,
// no flow control, software or hardware; receiver on, modem control lines
// ignored. A line keeps what the previous program left on it, and the
// barrier's three-wire cable never raises CTS: with CRTSCTS left on, no
// request would ever leave.
void makeRawLine(termios& t);
void setLineSpeed(termios& t, BaudRate rate);
// Mark and space use stick parity (CMSPAR).
void setLineParity(termios& t, Parity parity);
// 1.5 stop bits has no Linux form and is set as 2.
void setLineStopBits(termios& t, StopBits stopbits);
// da4 has no Linux form: false, and `t` is left alone.
bool setLineDataBits(termios& t, DataBits databits);
