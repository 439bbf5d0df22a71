// The whole main window against barrier-sim on a pseudo-terminal: read the
// barrier's configuration into the editors, edit, send, and find exactly the
// edited bytes in the barrier.
#include <QApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "app/MainWindow.h"
#include "files/ConfigFile.h"
#include "files/SettingsStore.h"
#include "journal/JournalReader.h"
#include "model/Colors.h"
#include "sound/AlarmBeeper.h"
#include "texts/UiTexts.h"
#include "ui/BeamGrid.h"
#include "ui/NoticeBar.h"
#include "ui/ParameterPanel.h"
#include "ui/WalkTestWindow.h"

// Waits end on the event that matters; the ceiling only keeps a broken run
// from hanging, and is generous for a loaded machine.
constexpr int Ceiling = 30000;

class ProgramEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void aReadShowsTheBarriersValuesAndASendWritesExactlyTheEdits();
  void anAdapterMovedToAnotherBarrierIsLostThenIdentifiedAndReadAfresh();
  void aCableMovedDuringASendOrWhileAResetWaitsChangesNothingOnTheOtherBarrier();
  void aFileNamedOnTheCommandLineStaysInTheEditorsAfterTheFirstRead();
  void theWalkTestWindowPassesWhatTheBarrierShowsAndTheJournalKeepsTheResult();

 private:
  void say(const QString& command);
  // The barrier's 32 configuration bytes, as it prints them.
  QList<int> barrierConfiguration();
  // Its status payload, as it prints it.
  QList<int> statusBytes();
  QList<int> printedBytes(const QString& command, int count);

  QTemporaryDir dir;
  QProcess sim;
  std::unique_ptr<MainWindow> form;
};

void ProgramEndToEndTest::say(const QString& command) {
  sim.write(command.toLatin1() + '\n');
  QVERIFY(sim.waitForBytesWritten(1000));
}

QList<int> ProgramEndToEndTest::barrierConfiguration() { return printedBytes(QStringLiteral("config"), 32); }
QList<int> ProgramEndToEndTest::statusBytes() { return printedBytes(QStringLiteral("show"), 9); }

QList<int> ProgramEndToEndTest::printedBytes(const QString& command, int count) {
  sim.readAllStandardError();
  say(command);
  QList<int> bytes;
  const QRegularExpression line(QStringLiteral("^((?:[0-9A-F]{2} ){%1}[0-9A-F]{2})$").arg(count - 1),
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

  // ... until the configuration read back after the send shows the barrier holds it.
  QTest::mouseClick(form->sendButton, Qt::LeftButton);
  QVERIFY(!form->sendButton->isEnabled());
  QVERIFY(QTest::qWaitFor([&] { return form->state.writeStep == 0 && form->state.readStep == 0; }, Ceiling));
  QCOMPARE(entry->palette().color(QPalette::Base), plain);
  QVERIFY(form->noticeBar->text().isEmpty());
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

void ProgramEndToEndTest::anAdapterMovedToAnotherBarrierIsLostThenIdentifiedAndReadAfresh() {
  QVERIFY(QTest::qWaitFor([&] { return form->model.connected() && form->state.readStep == 0; }, Ceiling));
  say(QStringLiteral("alert 2 on"));
  QVERIFY(QTest::qWaitFor([&] { return form->beeperLabel->text() != QStringLiteral("00"); }, Ceiling));
  const QString alarmPattern = form->beeperLabel->text();

  // Pulled out: the barrier is gone at once, and the beeper with it.
  say(QStringLiteral("hangup 3"));
  QVERIFY(QTest::qWaitFor([&] { return !form->model.connected(); }, 1500));
  QCOMPARE(form->identificationLabel->text(), QStringLiteral(" Brak połączenia."));
  QCOMPARE(form->identificationLabel->palette().color(QPalette::Window), QColor(128, 128, 128));
  QCOMPARE(form->beeperLabel->text(), QStringLiteral("00"));
  QCOMPARE(form->beeper->pattern.load(), 0u);
  QCOMPARE(form->model.status.beamsAlert, 0);  // its live state went with it

  // A send asked for while the cable is out, and another barrier on the line
  // when it comes back: 4 beams, serial number 22222, another configuration,
  // the same alert.
  form->parameterPanel->blockTimeEntry()->setText(QStringLiteral("77"));
  QTest::mouseClick(form->sendButton, Qt::LeftButton);
  for (const char* command : {"beams 4", "config 16 12", "config 1 9", "config 9 0x56", "config 10 0xCE"})
    say(QString::fromLatin1(command));
  const qsizetype linesBefore = form->eventLog.lines().size();

  QVERIFY(QTest::qWaitFor([&] { return form->model.connected() && form->state.readStep == 0; }, Ceiling));
  QVERIFY(QTest::qWaitFor([&] { return form->model.status.beamsAlert != 0; }, Ceiling));
  const QStringList lines = form->eventLog.lines().mid(linesBefore);
  const qsizetype version = lines.indexOf(uiText(UiTexts::txtLogAskVer));
  const qsizetype data2 = lines.indexOf(uiText(UiTexts::txtLogAskData2));
  const qsizetype data = lines.indexOf(uiText(UiTexts::txtLogAskData));
  QVERIFY(version >= 0 && data2 > version && data > data2);
  QVERIFY(!lines.contains(uiText(UiTexts::txtLogAskWrite2)));
  QCOMPARE(form->identificationLabel->text(), QStringLiteral(" ORVITA 4 v.1.05    2021-07-14"));
  QVERIFY(form->parameterPanel->grid()->rowEditable(4));
  QVERIFY(!form->parameterPanel->grid()->rowEditable(5));
  // The write never reached the new barrier; the editors show what it holds,
  // and the notice names both.
  QLineEdit* blockTime = form->parameterPanel->blockTimeEntry();
  QCOMPARE(blockTime->text().trimmed(), QStringLiteral("12"));
  QCOMPARE(form->parameterPanel->serialEntry()->text().trimmed(), QStringLiteral("22222"));
  const QString notice = form->noticeBar->text();
  QVERIFY2(notice.startsWith(QStringLiteral("Bariera nr 22222 (")), qPrintable(notice));
  for (UiTexts::Id id : {UiTexts::txtOtherBarrier, UiTexts::txtSwapWriteNotDone, UiTexts::txtEditsSetAside})
    QVERIFY2(notice.contains(uiText(id).arg(12345)), qPrintable(notice));

  // The edit made for the other barrier comes back, and is sent only when the user says so.
  QTest::mouseClick(form->noticeBar->actionButton(), Qt::LeftButton);
  QCOMPARE(blockTime->text().trimmed(), QStringLiteral("77"));
  QCOMPARE(blockTime->palette().color(QPalette::Base), QColor::fromRgb(colors::ChangedValue));
  QStringList questions;
  form->askYesNo = [&](const QString& question) {
    questions << question;
    return false;
  };
  QTest::mouseClick(form->sendButton, Qt::LeftButton);
  QCOMPARE(questions,
           QStringList{uiText(UiTexts::txtSendForOtherBarrier).arg(QStringLiteral("12345"), QStringLiteral("22222"))});
  QCOMPARE(form->state.writeStep, 0);

  // Its alarm sounds although the alert bits are those the lost barrier last sent.
  const QList<int> stored = barrierConfiguration();
  QCOMPARE(stored.size(), 32);
  QCOMPARE(stored[16], 12);
  QVERIFY(QTest::qWaitFor([&] { return form->beeperLabel->text() == alarmPattern; }, Ceiling));
}

// The cable moved in two seconds, without a loss: the link asks the version
// and the serial number before anything else goes out.
void ProgramEndToEndTest::aCableMovedDuringASendOrWhileAResetWaitsChangesNothingOnTheOtherBarrier() {
  QVERIFY(QTest::qWaitFor([&] { return form->model.connected() && form->state.readStep == 0; }, Ceiling));
  // C: the same version, serial number 33333, another maximum covered time.
  for (const char* command : {"other config 9 0x82", "other config 10 0x35", "other config 11 30", "other config 16 5"})
    say(QString::fromLatin1(command));
  form->parameterPanel->coveredTimeEntry()->setText(QStringLiteral("25"));
  say(QStringLiteral("swap 2 1"));
  QTest::mouseClick(form->sendButton, Qt::LeftButton);
  QVERIFY(QTest::qWaitFor([&] { return form->noticeBar->text().contains(uiText(UiTexts::txtOtherBarrier).arg(12345)); },
                          Ceiling));
  QVERIFY(QTest::qWaitFor([&] { return form->state.readStep == 0; }, Ceiling));
  QString notice = form->noticeBar->text();
  QVERIFY2(notice.startsWith(QStringLiteral("Bariera nr 33333 (")), qPrintable(notice));
  QVERIFY2(notice.contains(uiText(UiTexts::txtSwapWriteInterrupted).arg(12345)), qPrintable(notice));
  QCOMPARE(form->parameterPanel->coveredTimeEntry()->text().trimmed(), QStringLiteral("30"));
  QList<int> held = barrierConfiguration();
  QCOMPARE(held.size(), 32);
  QCOMPARE(held[11], 30);
  QCOMPARE(held[16], 5);

  // B behind the other cable now: 4 beams, 22222, four beams in its block memory.
  for (const char* command : {"other beams 4", "other config 9 0x56", "other config 10 0xCE", "other set 7 0x0F"})
    say(QString::fromLatin1(command));
  say(QStringLiteral("swap 3"));
  QTest::qWait(300);
  QTest::mouseClick(form->resetButton, Qt::LeftButton);
  QVERIFY(QTest::qWaitFor([&] { return form->noticeBar->text().startsWith(QStringLiteral("Bariera nr 22222 (")); },
                          Ceiling));
  notice = form->noticeBar->text();
  QVERIFY2(notice.contains(uiText(UiTexts::txtSwapResetNotDone).arg(33333)), qPrintable(notice));
  QVERIFY(form->resetButton->isEnabled());
  QCOMPARE(statusBytes().value(7), 0x0F);
}

// Opened before the barrier answered (orvita brama.acc): the first read fills
// what the barrier holds, the editors keep the file, highlighted where it differs.
void ProgramEndToEndTest::aFileNamedOnTheCommandLineStaysInTheEditorsAfterTheFirstRead() {
  BarrierConfig file;
  file[BarrierConfig::BeamCount] = 8;
  file[1] = 5;                               // as the barrier has it
  file[BarrierConfig::AutoBlockTime] = 0;    // the barrier has 30
  file[BarrierConfig::MaxCoveredTime] = 25;  // and 7
  const QString path = dir.filePath(QStringLiteral("brama.acc"));
  QVERIFY(writeConfigFile(path, file));
  QVERIFY(!form->model.connected());
  form->loadConfigFile(path);
  QVERIFY(QTest::qWaitFor([&] { return form->model.connected() && form->state.readStep == 0; }, Ceiling));
  QCOMPARE(form->model.editConfig, file);
  QCOMPARE(int(form->model.deviceConfig[BarrierConfig::AutoBlockTime]), 30);
  QLineEdit* blockTime = form->parameterPanel->blockTimeEntry();
  QCOMPARE(blockTime->text().trimmed(), QStringLiteral("0"));
  QCOMPARE(blockTime->palette().color(QPalette::Base), QColor::fromRgb(colors::ChangedValue));
  QCOMPARE(form->parameterPanel->grid()->displayText(1, BeamGrid::ResponseColumn), QStringLiteral("200 ms"));
  QVERIFY(form->noticeBar->text().isEmpty());
}

void ProgramEndToEndTest::theWalkTestWindowPassesWhatTheBarrierShowsAndTheJournalKeepsTheResult() {
  QVERIFY(QTest::qWaitFor([&] { return form->model.connected() && form->state.readStep == 0; }, Ceiling));
  form->walkTestAction->trigger();
  QVERIFY(form->walkTestWindow && form->walkTestWindow->isVisible());
  const WalkTestRun& run = form->walkTestWindow->run();
  QCOMPARE(run.phase(), WalkTestRun::Phase::Running);
  const auto item = [&](std::size_t i) { return run.test()->result().items[i]; };
  // Beams 1 and 2 are on; 3 to 8 switched off (response time 0) and not tested.
  QCOMPARE(run.test()->result().items.size(), std::size_t(8 + 4));
  for (std::size_t i = 2; i < 8; ++i) QCOMPARE(item(i).outcome, WalkOutcome::NotTested);

  // Each state is seen by the window before the next one is asked for.
  const std::pair<const char*, const char*> walk[] = {{"cross 2 on", "cross 2 off"},
                                                      {"cross 1 on", "cross 1 off"},
                                                      {"tamper rx open", "tamper rx closed"},
                                                      {"tamper tx open", "tamper tx closed"}};
  const std::size_t items[] = {1, 0, 9, 8};
  for (std::size_t k = 0; k < 4; ++k) {
    say(QString::fromLatin1(walk[k].first));
    QVERIFY(QTest::qWaitFor([&] { return item(items[k]).seenMs != 0; }, Ceiling));
    say(QString::fromLatin1(walk[k].second));
    QVERIFY(QTest::qWaitFor([&] { return item(items[k]).outcome == WalkOutcome::Passed; }, Ceiling));
  }
  // Everything passed: the test ends by itself, and the journal has it.
  QCOMPARE(run.phase(), WalkTestRun::Phase::Finished);
  QVERIFY(item(0).alarmOutput);
  form->journal->flush();
  JournalReader journal(form->journal->path());
  QVERIFY(journal.open());
  const auto stored = journal.lastWalkTest(12345);
  QVERIFY(stored.has_value());
  const auto document = readWalkTestDocument(QJsonDocument::fromJson(stored->text.toUtf8()).object());
  QVERIFY(document.has_value());
  QVERIFY(document->result.passed());
  QCOMPARE(document->result.items, run.test()->result().items);
  QCOMPARE(document->barrier.identification, QStringLiteral("ORVITA 8 v.1.05    2021-07-14"));
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
