// The whole main window against barrier-sim on a pseudo-terminal: read the
// barrier's configuration into the editors, edit, send, and find exactly the
// edited bytes in the barrier.
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "app/MainWindow.h"
#include "files/SettingsStore.h"
#include "model/Colors.h"
#include "ui/BeamGrid.h"
#include "ui/ParameterPanel.h"

// Waits end on the event that matters; the ceiling only keeps a broken run
// from hanging, and is generous for a loaded machine.
constexpr int Ceiling = 30000;

class ProgramEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void aReadShowsTheBarriersValuesAndASendWritesExactlyTheEdits();

 private:
  void say(const QString& command);
  // The barrier's 32 configuration bytes, as it prints them.
  QList<int> barrierConfiguration();

  QTemporaryDir dir;
  QProcess sim;
  std::unique_ptr<MainWindow> form;
};

void ProgramEndToEndTest::say(const QString& command) {
  sim.write(command.toLatin1() + '\n');
  QVERIFY(sim.waitForBytesWritten(1000));
}

QList<int> ProgramEndToEndTest::barrierConfiguration() {
  sim.readAllStandardError();
  say(QStringLiteral("config"));
  QList<int> bytes;
  const QRegularExpression line(QStringLiteral("^((?:[0-9A-F]{2} ){31}[0-9A-F]{2})$"),
                                QRegularExpression::MultilineOption);
  const bool printed = QTest::qWaitFor(
      [&] {
        const auto match = line.match(QString::fromLatin1(sim.readAllStandardError()));
        if (!match.hasMatch()) return false;
        for (const QString& hex : match.captured(1).split(QLatin1Char(' '))) bytes << hex.toInt(nullptr, 16);
        return true;
      },
      Ceiling);
  return printed ? bytes : QList<int>{};
}

void ProgramEndToEndTest::init() {
  const QString tty = dir.filePath(QStringLiteral("barrier"));
  sim.start(QStringLiteral(BARRIER_SIM), {QStringLiteral("--link"), tty});
  QVERIFY(sim.waitForStarted(5000));
  QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(tty); }, Ceiling));
  // What an installer left in the barrier.
  for (const char* command :
       {"config 1 5", "config 2 10", "config 17 3", "config 16 30", "config 9 0x30", "config 10 0x39", "config 11 7"})
    say(QString::fromLatin1(command));
  // The barrier has taken them all before the program asks.
  const QList<int> installed = barrierConfiguration();
  QCOMPARE(installed.size(), 32);
  QCOMPARE(installed[11], 7);
  writeStoredString(SettingsKey, QStringLiteral("cm"), tty);
  form = std::make_unique<MainWindow>();
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.get()));
}

void ProgramEndToEndTest::cleanup() {
  form.reset();
  sim.kill();
  sim.waitForFinished(3000);
}

void ProgramEndToEndTest::aReadShowsTheBarriersValuesAndASendWritesExactlyTheEdits() {
  // Start-up connects and reads the configuration by itself.
  QVERIFY(QTest::qWaitFor([&] { return form->model.connected() && form->state.readStep == 0; }, Ceiling));
  BeamGrid* grid = form->parameterPanel->grid();
  QCOMPARE(grid->displayText(1, BeamGrid::ResponseColumn), QStringLiteral("200 ms"));
  QCOMPARE(grid->displayText(2, BeamGrid::ResponseColumn), QStringLiteral("400 ms"));
  QCOMPARE(grid->displayText(3, BeamGrid::ResponseColumn), QStringLiteral(" wyłączona"));
  QCOMPARE(grid->displayText(1, BeamGrid::AutoBlockColumn), QStringLiteral("3"));
  QCOMPARE(form->parameterPanel->blockTimeEntry()->text().trimmed(), QStringLiteral("30"));
  QCOMPARE(form->parameterPanel->serialEntry()->text().trimmed(), QStringLiteral("12345"));
  QCOMPARE(form->parameterPanel->coveredTimeEntry()->text().trimmed(), QStringLiteral("7"));

  // An edit is highlighted until the barrier confirms it.
  QLineEdit* entry = form->parameterPanel->blockTimeEntry();
  const QColor plain = entry->palette().color(QPalette::Base);
  entry->setFocus();
  entry->selectAll();
  QTest::keyClicks(entry, QStringLiteral("45"));
  QCOMPARE(int(form->model.editConfig[BarrierConfig::AutoBlockTime]), 45);
  QCOMPARE(entry->palette().color(QPalette::Base), QColor::fromRgb(colors::ChangedValue));

  QTest::mouseClick(form->sendButton, Qt::LeftButton);
  QVERIFY(!form->sendButton->isEnabled());
  QVERIFY(QTest::qWaitFor([&] { return form->state.writeStep == 0; }, Ceiling));
  QCOMPARE(entry->palette().color(QPalette::Base), plain);
  QVERIFY(form->sendButton->isEnabled());

  // The barrier now holds exactly what the editors showed.
  const QList<int> stored = barrierConfiguration();
  QCOMPARE(stored.size(), 32);
  for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16, 17, 18, 19, 20, 21, 22, 23, 24})
    QCOMPARE(stored[i], int(form->model.editConfig[std::size_t(i)]));
  QCOMPARE(stored[16], 45);
  QCOMPARE(stored[1], 5);
  QCOMPARE(stored[10], 0x39);
}

int main(int argc, char** argv) {
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
  qputenv("XDG_STATE_HOME", home.filePath(QStringLiteral("state")).toLocal8Bit());
  QApplication app(argc, argv);
  ProgramEndToEndTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "ProgramEndToEndTest.moc"
