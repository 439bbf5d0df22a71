#include "app/OpenDisplay.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "app/CommandLine.h"
#include "texts/UiTexts.h"

namespace {

struct HeldMessage {
  QtMsgType type;
  QByteArray file;
  int line;
  QByteArray function;
  QByteArray category;
  QString text;
};

std::mutex heldLock;
std::vector<HeldMessage> held;
QByteArray failureText;

// Qt reports a platform plugin that cannot connect with warnings followed by
// a fatal message; the fatal one is the moment to give up.
void holdOrGiveUp(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    std::fputs(failureText.constData(), stderr);
    std::fflush(stderr);
    std::_Exit(ExitNoDisplay);  // Qt is half set up; no destructors
  }
  const std::lock_guard lock(heldLock);
  held.push_back({type, context.file, context.line, context.function, context.category, text});
}

// On X11 Qt hands window contents to the server in shared memory, and
// before it paints again over what it last sent it waits for the server to
// answer that it has read it. This window repaints its small activity gauge
// at every reply, 25 times a second: that round trip (two wake-ups and the
// server's turn) costs far more than passing a few hundred pixels through
// the socket, which is what Qt does without shared memory, and what it does
// on a remote display anyway. The choice is Qt's to read as the connection
// opens; it is not passed on to programs started from here, and a choice of
// the user's own in the environment stands.
constexpr char NoSharedMemory[] = "QT_XCB_NO_MITSHM";

// Qt's Wayland client plugins (wayland, wayland-egl, ...) come from the
// qt6-wayland package, apart from the plugins Qt itself installs.
bool waylandPluginInstalled() {
  QStringList folders;
  for (const QString& path : QCoreApplication::libraryPaths()) folders << path + QStringLiteral("/platforms");
  const QString own = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
  if (!own.isEmpty()) folders << own;
  for (const QString& folder : folders)
    if (!QDir(folder).entryList({QStringLiteral("libqwayland-*.so")}, QDir::Files).isEmpty()) return true;
  return false;
}

// Qt connects to "wayland-0" when WAYLAND_DISPLAY is not set.
QString waylandReason(const DisplaySetting& setting) {
  const QString display = setting.waylandDisplay.isEmpty() ? QStringLiteral("wayland-0") : setting.waylandDisplay;
  return uiText(setting.waylandPluginInstalled ? UiTexts::txtWaylandRefused : UiTexts::txtWaylandPluginMissing)
      .arg(display);
}

QString x11Reason(const DisplaySetting& setting) {
  return setting.x11Display.isEmpty() ? uiText(UiTexts::txtX11NotSet)
                                      : uiText(UiTexts::txtX11Refused).arg(setting.x11Display);
}

}  // namespace

DisplaySetting currentDisplaySetting(const QString& platformOption) {
  DisplaySetting setting;
  setting.platform = platformOption.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : platformOption;
  setting.x11Display = qEnvironmentVariable("DISPLAY");
  setting.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
  setting.waylandPluginInstalled = waylandPluginInstalled();
  return setting;
}

QString displayFailure(const DisplaySetting& setting) {
  QStringList reasons;
  if (setting.platform.isEmpty()) {
    // Qt tries Wayland where the session names a compositor, and X.
    if (setting.waylandDisplay.isEmpty() && setting.x11Display.isEmpty()) return uiText(UiTexts::txtNoDisplay);
    if (!setting.waylandDisplay.isEmpty()) reasons << waylandReason(setting);
    if (!setting.x11Display.isEmpty()) reasons << x11Reason(setting);
  } else {
    // A list such as "wayland;xcb" is tried in its order.
    for (const QString& entry : setting.platform.split(u';', Qt::SkipEmptyParts)) {
      const QString name = entry.section(u':', 0, 0);  // without the plugin's arguments
      if (name.startsWith(QStringLiteral("wayland")))
        reasons << waylandReason(setting);
      else if (name == QStringLiteral("xcb"))
        reasons << x11Reason(setting);
      else
        reasons << uiText(UiTexts::txtPlatformUnusable).arg(name);
    }
  }
  reasons.removeDuplicates();
  return uiText(UiTexts::txtDisplayUnusable).arg(reasons.join(QStringLiteral("; ")));
}

std::unique_ptr<QApplication> openDisplay(int& argc, char** argv, const QString& failureLine) {
  failureText = (failureLine + u'\n').toLocal8Bit();
  const QtMessageHandler previous = qInstallMessageHandler(holdOrGiveUp);
  const bool chosenHere = !qEnvironmentVariableIsSet(NoSharedMemory);
  if (chosenHere) qputenv(NoSharedMemory, "1");
  auto app = std::make_unique<QApplication>(argc, argv);
  if (chosenHere) qunsetenv(NoSharedMemory);
  qInstallMessageHandler(previous);

  std::vector<HeldMessage> messages;
  {
    const std::lock_guard lock(heldLock);
    messages.swap(held);
  }
  for (const HeldMessage& m : messages) {
    const QMessageLogContext context(m.file.isNull() ? nullptr : m.file.constData(), m.line,
                                     m.function.isNull() ? nullptr : m.function.constData(),
                                     m.category.isNull() ? nullptr : m.category.constData());
    qt_message_output(m.type, context, m.text);
  }
  return app;
}
