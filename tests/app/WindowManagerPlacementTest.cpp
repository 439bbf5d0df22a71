// The program on a private Xvfb, most of it under a real window manager
// (openbox): where its window appears with nothing stored, that starting and
// closing it leaves the window exactly where it was, that the splash is seen,
// and a file named on the command line opened; and on a headless Weston, that
// Wayland leaves the stored place alone. Skipped, saying why, when Xvfb,
// openbox, xdotool, ImageMagick's import or weston is missing.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <functional>
#include <memory>
#include <optional>

#include "files/SettingsStore.h"
#include "files/WindowPlacement.h"
#include "tests/files/TempSettingsHome.h"

namespace {

// Waits end on the event that matters; the ceiling only keeps a broken run
// from hanging, and is generous for a loaded machine.
constexpr int Ceiling = 30000;

// Runs a helper to its end and gives its standard output.
QString run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(program, arguments);
  if (!process.waitForFinished(Ceiling)) {
    process.kill();
    process.waitForFinished();
    return {};
  }
  return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

bool waitFor(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > Ceiling) return false;
    QThread::msleep(100);
  }
  return true;
}

// A part of the screen as the X server shows it.
QImage captureScreen(const QProcessEnvironment& env, const QRect& part) {
  QProcess import;
  import.setProcessEnvironment(env);
  const QString crop =
      QStringLiteral("%1x%2+%3+%4").arg(part.width()).arg(part.height()).arg(part.left()).arg(part.top());
  import.start(QStringLiteral("import"), {QStringLiteral("-silent"), QStringLiteral("-window"), QStringLiteral("root"),
                                          QStringLiteral("-crop"), crop, QStringLiteral("png:-")});
  if (!import.waitForFinished(Ceiling)) {
    import.kill();
    import.waitForFinished();
    return {};
  }
  return QImage::fromData(import.readAllStandardOutput(), "PNG");
}

// A private X server of the given size, with openbox managing it unless told otherwise.
class Desktop {
 public:
  explicit Desktop(const QString& size, bool managed = true) {
    // The server picks a free display number itself and writes it to its
    // standard output: choosing one here raced with servers other tests start.
    server_.start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                   size + QStringLiteral("x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QByteArray number;
    waitFor([&] {
      server_.waitForReadyRead(100);
      number += server_.readAllStandardOutput();
      return number.contains('\n') || server_.state() == QProcess::NotRunning;
    });
    if (number.contains('\n')) display_ = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    if (display_.isEmpty()) return;
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert(QStringLiteral("DISPLAY"), display_);
    env_.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env_.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (!managed) {
      managed_ = true;  // as wanted
      return;
    }
    manager_.setProcessEnvironment(env_);
    manager_.start(QStringLiteral("openbox"), {});
    // The manager is up once it names itself on the root window.
    managed_ = waitFor([&] {
      return run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")}, env_)
          .contains(QStringLiteral("window id"));
    });
  }
  ~Desktop() {
    for (QProcess* p : {&manager_, &server_}) {
      if (p->state() == QProcess::NotRunning) continue;
      p->terminate();
      if (!p->waitForFinished(5000)) p->kill();
      p->waitForFinished();
    }
  }
  bool ready() const { return !display_.isEmpty() && managed_; }
  const QProcessEnvironment& environment() const { return env_; }

 private:
  QProcess server_, manager_;
  QString display_;
  QProcessEnvironment env_;
  bool managed_ = false;
};

}  // namespace

class WindowManagerPlacementTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void startingAndClosingLeavesTheWindowWhereItWas();
  void theDesignedPlaceIsMovedOntoASmallerScreen();
  void theSplashIsSeen_data();
  void theSplashIsSeen();
  void aFileNamedOnTheCommandLineIsOpenedAsOtworzOpensIt();
  void onWaylandTheStoredPlaceIsLeftAlone();

 private:
  // Starts the program on `desktop` with the test's settings.
  bool start(QProcess& program, const Desktop& desktop, const QStringList& arguments = {});
  // The visible window named exactly `name`, empty while there is none.
  static QString findWindow(const QString& name, const QProcessEnvironment& env);
  // Starts the program, waits for its window to settle, closes it with Alt+X
  // and gives the placement it stored.
  std::optional<WindowPlace> startAndClose(const Desktop& desktop);

  std::unique_ptr<TempSettingsHome> home;
  QTemporaryDir state;
};

void WindowManagerPlacementTest::initTestCase() {
  for (const char* tool : {"Xvfb", "openbox", "xdotool", "xprop", "import", "weston"})
    if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
      QSKIP(qPrintable(QStringLiteral("%1 is not installed (scripts/setup installs it)").arg(tool)));
}

void WindowManagerPlacementTest::init() {
  home = std::make_unique<TempSettingsHome>();
  // A port that cannot open, so the program never reaches a real device.
  writeStoredString(SettingsKey, QStringLiteral("cm"), QStringLiteral("orvita-test-no-such-port"));
}

bool WindowManagerPlacementTest::start(QProcess& program, const Desktop& desktop, const QStringList& arguments) {
  QProcessEnvironment env = desktop.environment();
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), home->path());
  env.insert(QStringLiteral("XDG_STATE_HOME"), state.path());
  program.setProcessEnvironment(env);
  program.start(QStringLiteral(ORVITA_PROGRAM), arguments);
  return program.waitForStarted(Ceiling);
}

QString WindowManagerPlacementTest::findWindow(const QString& name, const QProcessEnvironment& env) {
  const QStringList found = run(QStringLiteral("xdotool"),
                                {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                 QStringLiteral("^%1$").arg(QRegularExpression::escape(name))},
                                env)
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  for (const QString& id : found)
    if (run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), id}, env) == name) return id;
  return {};
}

std::optional<WindowPlace> WindowManagerPlacementTest::startAndClose(const Desktop& desktop) {
  const QProcessEnvironment& env = desktop.environment();
  QProcess program;
  if (!start(program, desktop)) return std::nullopt;

  // The main window is the visible one named exactly "Orvita" (the search
  // ignores case); it has settled once the manager has framed it and it
  // has stayed put for a moment.
  QString window;
  QString lastGeometry;
  int sameFor = 0;
  const bool settled = waitFor([&] {
    if (window.isEmpty()) {
      window = findWindow(QStringLiteral("Orvita"), env);
      return false;
    }
    const QString framed =
        run(QStringLiteral("xprop"), {QStringLiteral("-id"), window, QStringLiteral("_NET_FRAME_EXTENTS")}, env);
    const QString geometry = run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), window}, env);
    sameFor = framed.contains(QLatin1Char('=')) && geometry == lastGeometry ? sameFor + 1 : 0;
    lastGeometry = geometry;
    return sameFor >= 10;  // a second without a move
  });
  if (settled)
    run(QStringLiteral("xdotool"),
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), window, QStringLiteral("key"),
         QStringLiteral("alt+x")},
        env);
  if (!program.waitForFinished(Ceiling)) {
    program.kill();
    program.waitForFinished();
    return std::nullopt;
  }
  if (!settled) return std::nullopt;
  PlacementRecord record{};
  if (readStoredBytes(SettingsKey, QStringLiteral("Orvita"), record.data(), PlacementRecordSize) != PlacementRecordSize)
    return std::nullopt;
  return decodePlacement(record);
}

void WindowManagerPlacementTest::startingAndClosingLeavesTheWindowWhereItWas() {
  Desktop desktop(QStringLiteral("1280x1024"));
  QVERIFY2(desktop.ready(), "Xvfb with openbox did not come up");
  const std::optional<WindowPlace> first = startAndClose(desktop);
  QVERIFY(first.has_value());
  // Nothing stored: the designed place, which fits this screen.
  QCOMPARE(first->left, 648);
  QCOMPARE(first->top, 100);
  for (int i = 2; i <= 4; ++i) {
    const std::optional<WindowPlace> next = startAndClose(desktop);
    QVERIFY(next.has_value());
    QVERIFY2(*next == *first, qPrintable(QStringLiteral("start %1 stored %2,%3 after %4,%5")
                                             .arg(i)
                                             .arg(next->left)
                                             .arg(next->top)
                                             .arg(first->left)
                                             .arg(first->top)));
  }
}

void WindowManagerPlacementTest::theDesignedPlaceIsMovedOntoASmallerScreen() {
  Desktop desktop(QStringLiteral("1024x600"));
  QVERIFY2(desktop.ready(), "Xvfb with openbox did not come up");
  const std::optional<WindowPlace> place = startAndClose(desktop);
  QVERIFY(place.has_value());
  // The whole frame on the screen, as close to the designed place as it goes.
  QCOMPARE(place->left + place->width, 1024);
  QCOMPARE(place->top + place->height, 600);
  QVERIFY(place->left > 0 && place->top > 0);
}

void WindowManagerPlacementTest::theSplashIsSeen_data() {
  QTest::addColumn<bool>("managed");
  QTest::newRow("under openbox") << true;
  QTest::newRow("without a window manager") << false;
}

void WindowManagerPlacementTest::theSplashIsSeen() {
  QFETCH(bool, managed);
  Desktop desktop(QStringLiteral("1280x1024"), managed);
  QVERIFY2(desktop.ready(), "Xvfb did not come up");
  QProcess program;
  QVERIFY(start(program, desktop));
  // The splash is centred on the screen; its picture's beams are the only
  // red there is (the bare server shows a black and white weave). Looked at
  // until the main window is up, which hides the splash.
  const QRect splash(640 - 403 / 2, 512 - 320 / 2, 403, 320);
  int redSeen = 0;
  bool mainWindowUp = false;
  waitFor([&] {
    mainWindowUp = !findWindow(QStringLiteral("Orvita"), desktop.environment()).isEmpty();
    const QImage screen = captureScreen(desktop.environment(), splash);
    int red = 0;
    for (int y = 0; y < screen.height(); y += 2)
      for (int x = 0; x < screen.width(); x += 2) {
        const QColor c = screen.pixelColor(x, y);
        if (c.red() > 150 && c.green() < 100 && c.blue() < 100) ++red;
      }
    redSeen = std::max(redSeen, red);
    return redSeen > 100 || mainWindowUp;
  });
  program.terminate();  // ends like "Koniec", also while the splash is up
  QVERIFY(program.waitForFinished(Ceiling));
  QVERIFY2(redSeen > 100, qPrintable(QStringLiteral("%1 red pixels seen where the splash stands").arg(redSeen)));
}

void WindowManagerPlacementTest::aFileNamedOnTheCommandLineIsOpenedAsOtworzOpensIt() {
  QTemporaryDir folder;
  QFile file(folder.filePath(QStringLiteral("brama.acc")));
  QVERIFY(file.open(QIODevice::WriteOnly));
  QByteArray bytes(32, '\0');
  bytes[31] = 4;
  file.write(bytes);
  file.close();

  Desktop desktop(QStringLiteral("1280x1024"));
  QVERIFY2(desktop.ready(), "Xvfb with openbox did not come up");
  QProcess program;
  // As a file manager starts it from the desktop entry, in the file's folder.
  program.setWorkingDirectory(folder.path());
  QVERIFY(start(program, desktop, {QStringLiteral("brama.acc")}));
  // The caption names a file only once it was opened.
  const bool opened =
      waitFor([&] { return !findWindow(QStringLiteral("Orvita - brama"), desktop.environment()).isEmpty(); });
  program.terminate();
  QVERIFY(program.waitForFinished(Ceiling));
  QVERIFY(opened);
}

void WindowManagerPlacementTest::onWaylandTheStoredPlaceIsLeftAlone() {
  const WindowPlace stored{300, 200, 608, 533};
  const PlacementRecord record = encodePlacement(stored);
  writeStoredBytes(SettingsKey, QStringLiteral("Orvita"), record.data(), PlacementRecordSize);

  QTemporaryDir runtime;  // Wayland's sockets live in XDG_RUNTIME_DIR, which must be the user's alone
  QVERIFY(QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
  QProcess compositor;
  compositor.setProcessEnvironment(env);
  compositor.start(QStringLiteral("weston"), {QStringLiteral("--backend=headless-backend.so"),
                                              QStringLiteral("--socket=orvita-test"), QStringLiteral("--idle-time=0")});
  const auto stopCompositor = qScopeGuard([&] {
    compositor.terminate();
    if (!compositor.waitForFinished(5000)) compositor.kill();
    compositor.waitForFinished();
  });
  QVERIFY2(waitFor([&] { return QFile::exists(runtime.filePath(QStringLiteral("orvita-test"))); }),
           "weston did not come up");

  env.remove(QStringLiteral("DISPLAY"));
  env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("orvita-test"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));  // no way back to X
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), home->path());
  env.insert(QStringLiteral("XDG_STATE_HOME"), state.path());
  // libwayland-client keeps a few allocations to the end of the process; in
  // the sanitizer build that would be the exit status, not ours.
  const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
  env.insert(QStringLiteral("ASAN_OPTIONS"), asan + (asan.isEmpty() ? "" : ":") + QStringLiteral("detect_leaks=0"));
  QProcess program;
  program.setProcessEnvironment(env);
  program.start(QStringLiteral(ORVITA_PROGRAM), {});
  QVERIFY(program.waitForStarted(Ceiling));
  // SIGTERM ends the run like "Koniec", after the window was shown; the
  // handler is in place once the kernel lists it.
  const QString status = QStringLiteral("/proc/%1/status").arg(program.processId());
  QVERIFY(waitFor([&] {
    QFile file(status);
    if (!file.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : file.readAll().split('\n'))
      if (line.startsWith("SigCgt:"))
        return (line.mid(7).trimmed().toULongLong(nullptr, 16) & (1u << (SIGTERM - 1))) != 0;
    return false;
  }));
  program.terminate();
  QVERIFY(program.waitForFinished(Ceiling));
  QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
           program.readAllStandardError().constData());

  PlacementRecord after{};
  QCOMPARE(readStoredBytes(SettingsKey, QStringLiteral("Orvita"), after.data(), PlacementRecordSize),
           PlacementRecordSize);
  QCOMPARE(decodePlacement(after), stored);
}

QTEST_GUILESS_MAIN(WindowManagerPlacementTest)
#include "WindowManagerPlacementTest.moc"
