#pragma once
// The line parameters as termios fields. Each function changes only its own
// field(s); TComm64 applies each one as its own read-modify-write.
#include <termios.h>

#include "LineTypes.h"

// Raw bytes both ways: no echo, no line editing, no signals, no translation,
// no software flow control; receiver on, modem control lines ignored.
// Hardware flow control (CRTSCTS) stays as it is.
void MakeRawLine(termios& t);
void SetLineSpeed(termios& t, TBaudRate rate);
// Mark and space use stick parity (CMSPAR).
void SetLineParity(termios& t, TParity parity);
// 1.5 stop bits has no Linux form and is set as 2.
void SetLineStopbits(termios& t, TStopbits stopbits);
// da4 has no Linux form: false, and `t` is left alone.
bool SetLineDatabits(termios& t, TDatabits databits);
