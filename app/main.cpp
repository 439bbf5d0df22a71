#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/OpenDisplay.h"
#include "app/ProgramIdentity.h"
#include "app/TerminationSignals.h"
#include "texts/QtTranslation.h"
#include "texts/UiTexts.h"
#include "ui/AboutWindow.h"

namespace {

QStringList argumentList(int argc, char** argv) {
  QStringList list;
  for (int i = 0; i < argc; ++i) list << QString::fromLocal8Bit(argv[i]);
  return list;
}

// Help and version on standard output; a refusal as one line on standard error.
int answerWithoutWindow(const CommandLine& command, const QString& programName) {
  if (command.action == CommandLine::Action::Refuse) {
    std::fputs(qPrintable(programName + QStringLiteral(": ") + command.output + u'\n'), stderr);
    return ExitUsage;
  }
  std::fputs(qPrintable(command.output), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const QStringList arguments = argumentList(argc, argv);
  const QString programName = QFileInfo(arguments.value(0, QStringLiteral("orvita"))).fileName();
  const QString workingFolder = QDir::currentPath();
  const CommandLine command = parseCommandLine(arguments, workingFolder);
  if (command.action != CommandLine::Action::OpenWindow) {
    // No display is needed for these, as over SSH. The first parse ran
    // before any translation could be installed; this one gives Qt's part
    // of the texts in Polish.
    QCoreApplication core(argc, argv);
    installQtTranslation();
    return answerWithoutWindow(parseCommandLine(arguments, workingFolder), programName);
  }

  // From here on SIGTERM, SIGINT and SIGHUP wait for the window to close
  // through "Koniec", however early they come.
  catchTerminationSignals();
  const std::unique_ptr<QApplication> app = openDisplay(
      argc, argv, programName + QStringLiteral(": ") + displayFailure(currentDisplaySetting(command.platform)));
  installQtTranslation();
  QGuiApplication::setDesktopFileName(DesktopFileName);
  QApplication::setWindowIcon(programIcon());

  AboutWindow splash;
  splash.showSplash();
  {
    // A second of splash, deaf to the user. The loop runs meanwhile: a
    // window manager maps the splash only after a round trip or two, and it
    // is painted when the window system asks for it, not before.
    QEventLoop wait;
    QTimer::singleShot(1000, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
  }

  MainWindow mainWindow;
  // Like a choice in the RS-232 dialog: used from now on and stored at the end.
  if (!command.port.isEmpty()) mainWindow.port.setDeviceName(command.port);
  mainWindow.setAboutWindow(&splash);
  mainWindow.createPortDialog();
  splash.closeSplash();
  TerminationSignals terminationSignals;
  QObject::connect(&terminationSignals, &TerminationSignals::received, &mainWindow, [&mainWindow] {
    mainWindow.quitProgram();
    // Also ends a dialog's own event loop (about, file, RS-232) that would keep the program waiting.
    QCoreApplication::quit();
  });
  mainWindow.show();
  // As from the desktop entry's %f: opened as "Otwórz" opens it, once the window is up to own an error box.
  if (!command.file.isEmpty())
    QTimer::singleShot(0, &mainWindow, [&mainWindow, file = command.file] { mainWindow.loadConfigFile(file); });
  return app->exec();
}
