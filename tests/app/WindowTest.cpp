// The main window as the user drives it: menu shortcuts and toolbar buttons,
// the log panel, the port settings command, the caption and the texts.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "BarrierPicture.h"
#include "ConfigFileCommands.h"
#include "EventLog.h"
#include "EventLogPanel.h"
#include "Form1.h"
#include "PieGauge.h"
#include "PortSettings.h"
#include "PortSettingsDialog.h"
#include "Registry.h"
#include "Unit1txt.h"
#include "UnitBeep.h"

namespace {
const QString AbsentPort = QStringLiteral("orvita-test-no-such-port");

// Answers every file dialog with one path and keeps the error messages.
class ChosenPath : public FileDialogs {
 public:
  explicit ChosenPath(QString path) : path_(std::move(path)) {}
  QString OpenFileName(const QString&) override { return path_; }
  QString SaveFileName(const QString&) override { return path_; }
  void ShowError(const QString& message) override { errors << message; }
  QStringList errors;

 private:
  QString path_;
};
}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void windowHasTheDesignedClientSizeAndCannotBeResized();
  void menuReadMarksTheReadAndLeavesTheButtonsUntilTheNextRefresh();
  void toolbarReadDisablesItselfAtOnce();
  void toolbarSendDisablesItselfAndEnablesReadOnlyWhenNoReadRuns();
  void toolbarResetDisablesOnlyItselfWhileMenuResetLeavesIt();
  void doubleClickingTheStatusBarShowsAndHidesTheLogPanel();
  void smallLabelsFollowTheLogPanelAtTheNextStatusReply();
  void captionShowsTheFileTitleAfterTheNextRefreshTick();
  void portSettingsForgetTheBarrierAndShowTheDialogModally();
  void textsComeFromTheTable();
  void logPanelStopBoxPausesAndLogBoxSwitchesTheFiles();
  void destructionStoresThePortSettings();
  void anUnopenablePortShowsClosedAGreyGaugeAndWhyInItsTooltip();
  void beepPatternGoesToTheBeeperLabel();

 private:
  std::unique_ptr<TForm1> form;
};

void WindowTest::init() {
  // A port name that cannot open, so that a cycle tick never reaches a real device.
  RegWriteString(SettingsKey, QStringLiteral("cm"), AbsentPort);
  form = std::make_unique<TForm1>();
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.get()));
  form->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(form.get()));
}

void WindowTest::cleanup() { form.reset(); }

void WindowTest::windowHasTheDesignedClientSizeAndCannotBeResized() {
  QCOMPARE(form->centralWidget()->size(), QSize(602, 482));
  QCOMPARE(form->minimumSize(), form->maximumSize());
  QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
  QCOMPARE(form->LeftPanel->width(), 210);
  QCOMPARE(form->LeftPanel->height(), 435);
  QCOMPARE(form->Image1->size(), QSize(384, 427));
  QCOMPARE(form->ToolBar1->height(), 44);
  QCOMPARE(form->ToolButton1->width(), form->ToolBar1->width() / 3);
  QCOMPARE(form->ToolButton3->x(), 2 * (form->ToolBar1->width() / 3));
  QCOMPARE(form->ToolButton1->iconSize(), QSize(32, 32));
  QVERIFY(!form->ToolButton1->icon().isNull());
  QVERIFY(form->Panel5->isHidden());
  QCOMPARE(form->G1->size(), QSize(22, 21));
  QCOMPARE(form->StatusBar1->Panel(0)->width(), 150);
  QCOMPARE(form->StatusBar1->Panel(1)->width(), 50);
}

void WindowTest::menuReadMarksTheReadAndLeavesTheButtonsUntilTheNextRefresh() {
  QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
  QCOMPARE(form->state.readStep, 2);
  QVERIFY(form->ToolButton1->isEnabled());
  QVERIFY(form->ToolButton2->isEnabled());

  form->RefreshEditors();
  QVERIFY(!form->ToolButton1->isEnabled());
  QVERIFY(form->ToolButton2->isEnabled());
  QVERIFY(form->ToolButton3->isEnabled());

  QTest::keyClick(form.get(), Qt::Key_W, Qt::ControlModifier);
  QCOMPARE(form->state.writeStep, 2);
  QVERIFY(form->ToolButton2->isEnabled());
  form->RefreshEditors();
  QVERIFY(!form->ToolButton2->isEnabled());
}

void WindowTest::toolbarReadDisablesItselfAtOnce() {
  QTest::mouseClick(form->ToolButton1, Qt::LeftButton);
  QCOMPARE(form->state.readStep, 2);
  QVERIFY(!form->ToolButton1->isEnabled());
  QVERIFY(form->ToolButton2->isEnabled());

  // With a send under way the read button leaves the send button disabled.
  form->state.readStep = 0;
  form->state.writeStep = 1;
  form->ToolButton1->setEnabled(true);
  QTest::mouseClick(form->ToolButton1, Qt::LeftButton);
  QVERIFY(!form->ToolButton2->isEnabled());
}

void WindowTest::toolbarSendDisablesItselfAndEnablesReadOnlyWhenNoReadRuns() {
  QTest::mouseClick(form->ToolButton2, Qt::LeftButton);
  QCOMPARE(form->state.writeStep, 2);
  QVERIFY(!form->ToolButton2->isEnabled());
  QVERIFY(form->ToolButton1->isEnabled());

  form->state.readStep = 1;
  form->ToolButton2->setEnabled(true);
  QTest::mouseClick(form->ToolButton2, Qt::LeftButton);
  QVERIFY(!form->ToolButton1->isEnabled());
  QVERIFY(!form->ToolButton2->isEnabled());
}

void WindowTest::toolbarResetDisablesOnlyItselfWhileMenuResetLeavesIt() {
  QTest::keyClick(form.get(), Qt::Key_X, Qt::ControlModifier);
  QVERIFY(form->state.resetPending);
  QVERIFY(form->ToolButton3->isEnabled());

  form->state.resetPending = false;
  QTest::mouseClick(form->ToolButton3, Qt::LeftButton);
  QVERIFY(form->state.resetPending);
  QVERIFY(!form->ToolButton3->isEnabled());
  QVERIFY(form->ToolButton1->isEnabled());
  QVERIFY(form->ToolButton2->isEnabled());

  // The reset confirmation clears the mark; the next refresh brings the button back.
  form->state.resetPending = false;
  form->RefreshEditors();
  QVERIFY(form->ToolButton3->isEnabled());
}

void WindowTest::doubleClickingTheStatusBarShowsAndHidesTheLogPanel() {
  const QRect windowBefore = form->geometry();
  QCOMPARE(form->Image1->height(), 427);

  QTest::mouseDClick(form->StatusBar1, Qt::LeftButton);
  QVERIFY(form->LogPanelVisible());
  QCOMPARE(form->Panel5->height(), 112);
  QCOMPARE(form->Image1->height(), 315);
  QCOMPARE(form->Image1->Image().height(), 315);

  QTest::mouseDClick(form->StatusBar1, Qt::LeftButton);
  QVERIFY(!form->LogPanelVisible());
  QCOMPARE(form->Image1->height(), 427);
  QCOMPARE(form->Image1->Image().height(), 427);
  QCOMPARE(form->geometry(), windowBefore);
}

void WindowTest::smallLabelsFollowTheLogPanelAtTheNextStatusReply() {
  form->SetStatusLabel(QStringLiteral("Statusy:00 "));
  QVERIFY(form->Label2->isHidden());
  QVERIFY(form->Label3->isHidden());

  form->StatusBar1DblClick();
  QVERIFY(form->Label2->isHidden());  // not before the next status reply
  form->SetStatusLabel(QStringLiteral("Statusy:01 "));
  QVERIFY(form->Label2->isVisible());
  QVERIFY(form->Label3->isVisible());
  QCOMPARE(form->Label2->text(), QStringLiteral("Statusy:01 "));

  form->StatusBar1DblClick();
  QVERIFY(form->Label2->isVisible());
  form->SetStatusLabel(QStringLiteral("Statusy:02 "));
  QVERIFY(form->Label2->isHidden());
  QVERIFY(form->Label3->isHidden());
}

void WindowTest::captionShowsTheFileTitleAfterTheNextRefreshTick() {
  QTemporaryDir dir;
  auto dialogs = std::make_unique<ChosenPath>(dir.filePath(QStringLiteral("x.acc")));
  const ChosenPath& seen = *dialogs;
  form->SetFileDialogs(std::move(dialogs));
  form->Timer2Timer();
  QCOMPARE(form->windowTitle(), QStringLiteral("Orvita"));

  form->Zapiszjako1->trigger();
  QVERIFY(seen.errors.isEmpty());
  QCOMPARE(form->configFileName, dir.filePath(QStringLiteral("x.acc")));
  QCOMPARE(form->windowTitle(), QStringLiteral("Orvita"));  // not before the tick
  form->Timer2Timer();
  QCOMPARE(form->windowTitle(), QStringLiteral("Orvita - x"));
}

void WindowTest::portSettingsForgetTheBarrierAndShowTheDialogModally() {
  form->model.versionInfo = {6, 1, 0, 5, 0x20, 0x21, 7, 0x14};
  form->model.beamCount = 6;
  form->link.RefreshIdentification();
  QCOMPARE(form->IdentLabel->text(), QStringLiteral(" ORVITA 6 v.1.05    2021-07-14"));
  QCOMPARE(form->IdentLabel->palette().color(QPalette::Window), QColor(0, 128, 0));

  form->CreatePortDialog();
  form->Form2->SetPortListSource([] { return QStringList{AbsentPort}; });
  bool checked = false;
  QTimer::singleShot(0, form.get(), [&] {
    checked = true;
    QCOMPARE(form->IdentLabel->text(), QStringLiteral(" Brak połączenia."));
    QCOMPARE(form->IdentLabel->palette().color(QPalette::WindowText), QColor(192, 192, 192));
    QCOMPARE(form->IdentLabel->palette().color(QPalette::Window), QColor(128, 128, 128));
    QVERIFY(form->PortDialogShowing());
    QVERIFY(form->Form2->isModal());
    QVERIFY(form->model.versionInfo.empty());
    // No tick opens the port while the dialog shows.
    form->Timer1Timer();
    QVERIFY(!form->Comm.IsOpen());
    QVERIFY(form->StatusBar1->Panel(0)->text().endsWith(QStringLiteral(" closed")));
    form->Form2->accept();
  });
  QTest::keyClick(form.get(), Qt::Key_F8, Qt::ControlModifier);
  QVERIFY(checked);
  QVERIFY(!form->PortDialogShowing());
}

void WindowTest::textsComeFromTheTable() {
  QCOMPARE(form->windowTitle(), QStringLiteral("Orvita"));
  const QList<QAction*> menus = form->menuBar()->actions();
  QCOMPARE(menus.size(), 4);
  const QStringList titles{QStringLiteral("Plik"), QStringLiteral("Komunikacja"), QStringLiteral("Konfiguracja"),
                           QStringLiteral("Pomoc")};
  for (int i = 0; i < 4; ++i) QCOMPARE(menus[i]->text(), titles[i]);
  QStringList items;
  for (QAction* menu : menus)
    for (QAction* item : menu->menu()->actions()) items << (item->isSeparator() ? QStringLiteral("-") : item->text());
  QCOMPARE(items, (QStringList{QStringLiteral("Otwórz"), QStringLiteral("Zapisz"), QStringLiteral("Zapisz jako"),
                               QStringLiteral("-"), QStringLiteral("Koniec"), QStringLiteral("Pobierz"),
                               QStringLiteral("Wyślij"), QStringLiteral("Reset blokad"), QStringLiteral("RS-232"),
                               QStringLiteral("O programie")}));
  QCOMPARE(form->Otwrz1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F3));
  QCOMPARE(form->Zapisz1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F2));
  QVERIFY(form->Zapiszjako1->shortcut().isEmpty());
  QCOMPARE(form->Koniec1->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
  QCOMPARE(form->ToolButton1->toolTip(), QStringLiteral("Pobierz"));
  QCOMPARE(form->ToolButton2->toolTip(), QStringLiteral("Wyślij"));
  QCOMPARE(form->ToolButton3->toolTip(), QStringLiteral("Reset pam. blokad"));
}

void WindowTest::logPanelStopBoxPausesAndLogBoxSwitchesTheFiles() {
  form->StatusBar1DblClick();
  QVERIFY(!form->StopTicked());
  QTest::mouseClick(form->LogPanel->StopBox(), Qt::LeftButton);
  QVERIFY(form->StopTicked());
  // A paused cycle leaves the status bar as it was.
  form->StatusBar1->Panel(0)->clear();
  form->Timer1Timer();
  QVERIFY(form->StatusBar1->Panel(0)->text().isEmpty());

  QVERIFY(!form->eventLog.logToFile);
  QTest::mouseClick(form->LogPanel->LogBox(), Qt::LeftButton);
  QVERIFY(form->eventLog.logToFile);
  const QString tip = form->LogPanel->LogBox()->toolTip();
  QVERIFY(tip.contains(form->eventLog.EventFile()));
  QVERIFY(tip.contains(form->eventLog.StatusFile()));

  form->eventLog.AddLogLine(QStringLiteral("Ask_ver"));
  QVERIFY(form->LogPanel->List()->toPlainText().endsWith(QStringLiteral("Ask_ver")));
}

void WindowTest::destructionStoresThePortSettings() {
  form->Comm.SetDeviceName(QStringLiteral("ttyUSB7"));
  form->state.DtrOn = false;
  form.reset();
  const PortSettings stored = ReadPortSettings(SettingsKey);
  QCOMPARE(stored.DeviceName, QStringLiteral("ttyUSB7"));
  QCOMPARE(stored.BaudRate, cbr9600);  // the start-up line, whatever was stored
  QVERIFY(!stored.DtrOn);
  QVERIFY(stored.RtsOn);
}

void WindowTest::anUnopenablePortShowsClosedAGreyGaugeAndWhyInItsTooltip() {
  form->Comm.SetDeviceName(AbsentPort);
  form->Timer1Timer();
  QVERIFY(!form->Comm.IsOpen());
  QLabel* panel = form->StatusBar1->Panel(0);
  QCOMPARE(panel->text(), AbsentPort + QStringLiteral(" closed"));
  QCOMPARE(panel->toolTip(), Text(Unit1txt::txtPortNoDevice));
  QCOMPARE(form->G1->ForeColor(), QColor(128, 128, 128));
  QCOMPARE(form->G1->BackColor(), QColor(128, 128, 128));
}

void WindowTest::beepPatternGoesToTheBeeperLabel() {
  form->model.status.beamsAlert = 0x05;
  form->SetBeep();
  QCOMPARE(form->Label3->text(), QStringLiteral("00"));  // silent while no barrier is identified

  form->model.versionInfo = {6, 1, 0, 5, 0x20, 0x21, 7, 0x14};
  form->SetBeep();
  QCOMPARE(form->Label3->text(), QStringLiteral("A000"));
  QCOMPARE(form->beeper->Pattern.load(), 0xA000u);

  // Losing the link: the cycle forgets the version, and the label refresh
  // that follows silences the beeper although beams are still in alert.
  form->model.versionInfo.clear();
  form->link.RefreshIdentification();
  QCOMPARE(form->beeper->Pattern.load(), 0u);
  QCOMPARE(form->Label3->text(), QStringLiteral("00"));

  // Opening the port settings does the same.
  form->model.versionInfo = {6, 1, 0, 5, 0x20, 0x21, 7, 0x14};
  form->SetBeep();
  QCOMPARE(form->beeper->Pattern.load(), 0xA000u);
  form->link.PortSettingsCommand();
  QCOMPARE(form->beeper->Pattern.load(), 0u);
  form->beeper->SetPattern(0);  // keep the test run quiet
}

int main(int argc, char** argv) {
  // Settings and log files of the test run stay in a folder of their own.
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
  qputenv("XDG_STATE_HOME", home.filePath(QStringLiteral("state")).toLocal8Bit());
  QApplication app(argc, argv);
  WindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "WindowTest.moc"
