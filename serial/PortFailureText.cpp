#include "serial/PortFailureText.h"

#include <cstring>

#include "serial/PortAccess.h"
#include "serial/SerialPort.h"
#include "texts/UiTexts.h"

QString portFailureText(const SerialPort& port, PortAdviceFor where) {
  const bool shell = where == PortAdviceFor::Shell;
  switch (port.lastOpenFailure()) {
    case OpenFailure::None:
      return {};
    case OpenFailure::NoDevice:
      return uiText(shell ? UiTexts::txtPortNoDeviceShell : UiTexts::txtPortNoDevice);
    case OpenFailure::NoPermission: {
      const PortAccess access = checkPortAccess(port.lastOpenPath().toStdString());
      if (!access.known) break;
      if (access.advice == PortAdvice::ChangePermissions)
        return uiText(UiTexts::txtPortChangePermissions)
            .arg(port.lastOpenPath(), QString::fromStdString(access.permissions));
      const QString group = QString::fromStdString(access.groupName);
      QString text = uiText(UiTexts::txtPortNoPermission).arg(port.lastOpenPath(), group);
      if (access.advice == PortAdvice::LogInAgain)
        text += QLatin1Char(' ') + uiText(UiTexts::txtPortRelogin).arg(group);
      else if (access.advice == PortAdvice::JoinGroup)
        text += QLatin1Char(' ') + uiText(UiTexts::txtPortAddToGroup).arg(group);
      return text;
    }
    case OpenFailure::InUse:
      return uiText(shell ? UiTexts::txtPortInUseShell : UiTexts::txtPortInUse);
    case OpenFailure::NotTerminal:
      return uiText(shell ? UiTexts::txtPortNotTerminalShell : UiTexts::txtPortNotTerminal);
    case OpenFailure::Other:
      break;
  }
  return uiText(UiTexts::txtPortOtherError).arg(QString::fromLocal8Bit(std::strerror(port.lastOpenErrno())));
}
