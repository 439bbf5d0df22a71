#include "app/OpenDisplay.h"

#include <QByteArray>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "app/CommandLine.h"

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

}  // namespace

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
