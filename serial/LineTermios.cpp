#include "serial/LineTermios.h"

void makeRawLine(termios& t) {
  t.c_iflag &= ~(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXON | IXANY |
                 IXOFF | IMAXBEL);
  t.c_oflag &= ~(OPOST | OLCUC | ONLCR | OCRNL | ONOCR | ONLRET);
  t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~CRTSCTS;
  t.c_cflag |= CLOCAL | CREAD;
  // VMIN 1 makes a non-blocking read say EAGAIN when empty, so that a read
  // of 0 bytes can only mean a hang-up.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
}

void setLineSpeed(termios& t, BaudRate rate) {
  constexpr speed_t speeds[] = {B110,   B300,   B1200,   B2400,   B4800,   B9600,  B19200,
                                B38400, B57600, B115200, B230400, B460800, B921600};
  if (rate > cbr921600) return;
  ::cfsetispeed(&t, speeds[rate]);
  ::cfsetospeed(&t, speeds[rate]);
}

void setLineParity(termios& t, Parity parity) {
  t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
  switch (parity) {
    case paNone:
      break;
    case paOdd:
      t.c_cflag |= PARENB | PARODD;
      break;
    case paEven:
      t.c_cflag |= PARENB;
      break;
    case paMark:
      t.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case paSpace:
      t.c_cflag |= PARENB | CMSPAR;
      break;
  }
}

void setLineStopBits(termios& t, StopBits stopbits) {
  if (stopbits == sb1_0)
    t.c_cflag &= ~CSTOPB;
  else
    t.c_cflag |= CSTOPB;
}

bool setLineDataBits(termios& t, DataBits databits) {
  constexpr tcflag_t sizes[] = {0, CS5, CS6, CS7, CS8};
  if (databits == da4 || databits > da8) return false;
  t.c_cflag = (t.c_cflag & ~CSIZE) | sizes[databits];
  return true;
}
