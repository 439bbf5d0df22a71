// The main window as the user drives it: menu shortcuts and toolbar buttons,
// the log panel, the port settings command, the caption and the texts.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cerrno>
#include <memory>

#include "app/MainWindow.h"
#include "app/ProgramIdentity.h"
#include "eventlog/EventLog.h"
#include "files/ConfigFile.h"
#include "files/SettingsStore.h"
#include "journal/JournalSchema.h"
#include "link/WriteCheck.h"
#include "serial/PortList.h"
#include "serial/PortSettings.h"
#include "sound/AlarmBeeper.h"
#include "texts/UiTexts.h"
#include "ui/BarrierPicture.h"
#include "ui/BeamGrid.h"
#include "ui/ConfigFileCommands.h"
#include "ui/EventLogPanel.h"
#include "ui/NoticeBar.h"
#include "ui/ParameterPanel.h"
#include "ui/PieGauge.h"
#include "ui/PortSettingsDialog.h"
#include "ui/StatusStrip.h"

namespace {
const QString AbsentPort = QStringLiteral("orvita-test-no-such-port");

// Answers every file dialog with one path and keeps the error messages.
class ChosenPath : public FileDialogs {
 public:
  explicit ChosenPath(QString path) : path_(std::move(path)) {}
  QString openFileName(const QString&) override { return path_; }
  QString saveFileName(const QString&) override { return path_; }
  void showError(const QString& message) override { errors << message; }
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
  void logPanelShowsTheNewestLineUnlessTheUserScrolledUp();
  void destructionStoresThePortSettings();
  void anUnopenablePortShowsClosedAGreyGaugeAndWhyInItsTooltip();
  void aLongPortNameIsElidedInTheMiddleKeepingItsState();
  void toolbarButtonsAndEntriesHaveNamesForAScreenReader();
  void theProgramIconHasTheSmallAndLargeSizes();
  void beepPatternGoesToTheBeeperLabel();
  void aNoticeShowsWholeUnderTheIdentificationBarUntilClosedOrThePortIsSwitched();
  void aConfigurationForAnotherBeamCountIsSentOnlyWhenTheUserSaysSo();
  void aJournalFaultStaysUntilClosedAndTheStatusBarMarksTheJournalOff();
  void editsSetAsideComeBackFromTheNoticeAndAreSentOnlyWhenTheUserSaysSo();
  void noticesOfASendFitTwoLines();

 private:
  std::unique_ptr<MainWindow> form;
};

void WindowTest::init() {
  // A port name that cannot open, so that a cycle tick never reaches a real device.
  writeStoredString(SettingsKey, QStringLiteral("cm"), AbsentPort);
  form = std::make_unique<MainWindow>();
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
  QCOMPARE(form->leftPanel->width(), 210);
  QCOMPARE(form->leftPanel->height(), 435);
  QCOMPARE(form->picture->size(), QSize(384, 427));
  QCOMPARE(form->toolBar->height(), 44);
  QCOMPARE(form->readButton->width(), form->toolBar->width() / 3);
  QCOMPARE(form->resetButton->x(), 2 * (form->toolBar->width() / 3));
  QCOMPARE(form->readButton->iconSize(), QSize(32, 32));
  QVERIFY(!form->readButton->icon().isNull());
  QVERIFY(form->logPanelFrame->isHidden());
  QCOMPARE(form->activityGauge->size(), QSize(22, 21));
  QCOMPARE(form->statusStrip->panel(0)->width(), 150);
  QCOMPARE(form->statusStrip->panel(1)->width(), 50);
}

void WindowTest::menuReadMarksTheReadAndLeavesTheButtonsUntilTheNextRefresh() {
  QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
  QCOMPARE(form->state.readStep, 2);
  QVERIFY(form->readButton->isEnabled());
  QVERIFY(form->sendButton->isEnabled());

  form->refreshEditors();
  QVERIFY(!form->readButton->isEnabled());
  QVERIFY(form->sendButton->isEnabled());
  QVERIFY(form->resetButton->isEnabled());

  QTest::keyClick(form.get(), Qt::Key_W, Qt::ControlModifier);
  QCOMPARE(form->state.writeStep, 2);
  QVERIFY(form->sendButton->isEnabled());
  form->refreshEditors();
  QVERIFY(!form->sendButton->isEnabled());
}

void WindowTest::toolbarReadDisablesItselfAtOnce() {
  QTest::mouseClick(form->readButton, Qt::LeftButton);
  QCOMPARE(form->state.readStep, 2);
  QVERIFY(!form->readButton->isEnabled());
  QVERIFY(form->sendButton->isEnabled());

  // With a send under way the read button leaves the send button disabled.
  form->state.readStep = 0;
  form->state.writeStep = 1;
  form->readButton->setEnabled(true);
  QTest::mouseClick(form->readButton, Qt::LeftButton);
  QVERIFY(!form->sendButton->isEnabled());
}

void WindowTest::toolbarSendDisablesItselfAndEnablesReadOnlyWhenNoReadRuns() {
  QTest::mouseClick(form->sendButton, Qt::LeftButton);
  QCOMPARE(form->state.writeStep, 2);
  QVERIFY(!form->sendButton->isEnabled());
  QVERIFY(form->readButton->isEnabled());

  form->state.readStep = 1;
  form->sendButton->setEnabled(true);
  QTest::mouseClick(form->sendButton, Qt::LeftButton);
  QVERIFY(!form->readButton->isEnabled());
  QVERIFY(!form->sendButton->isEnabled());
}

void WindowTest::toolbarResetDisablesOnlyItselfWhileMenuResetLeavesIt() {
  form->model.versionInfo = {6, 1, 0, 5, 0x20, 0x21, 7, 0x14};  // a reset needs a barrier
  QTest::keyClick(form.get(), Qt::Key_X, Qt::ControlModifier);
  QVERIFY(form->state.resetPending);
  QVERIFY(form->resetButton->isEnabled());

  form->state.resetPending = false;
  QTest::mouseClick(form->resetButton, Qt::LeftButton);
  QVERIFY(form->state.resetPending);
  QVERIFY(!form->resetButton->isEnabled());
  QVERIFY(form->readButton->isEnabled());
  QVERIFY(form->sendButton->isEnabled());

  // The reset confirmation clears the mark; the next refresh brings the button back.
  form->state.resetPending = false;
  form->refreshEditors();
  QVERIFY(form->resetButton->isEnabled());

  // The menu's shortcuts come before an entry's or a grid cell's editing keys.
  QLineEdit* entry = form->parameterPanel->serialEntry();
  entry->setText(QStringLiteral("12345"));
  entry->setFocus();
  entry->selectAll();
  form->state.resetPending = false;
  QTest::keyClick(entry, Qt::Key_X, Qt::ControlModifier);
  QVERIFY(form->state.resetPending);
  QCOMPARE(entry->text(), QStringLiteral("12345"));
  // The entry's context menu shows Cut without the key the menu took; Copy
  // keeps its own. Also when the right click is what activates the window,
  // which comes after the menu has been built.
  QWidget elsewhere;
  elsewhere.show();
  elsewhere.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
  QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(2, 2), entry->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(entry, &menuEvent);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  QVERIFY(menu);
  QStringList items;
  for (const QAction* action : menu->actions()) items << action->text();
  menu->close();
  const QString cut = QCoreApplication::translate("QLineEdit", "Cu&t");
  const auto shown = [](QKeySequence::StandardKey key) {
    return u'\t' + QKeySequence(key).toString(QKeySequence::NativeText);
  };
  QVERIFY2(items.contains(cut), qPrintable(items.join(u'|')));
  QVERIFY2(!items.join(u'|').contains(shown(QKeySequence::Cut)), qPrintable(items.join(u'|')));
  QVERIFY2(items.contains(QCoreApplication::translate("QLineEdit", "&Copy") + shown(QKeySequence::Copy)),
           qPrintable(items.join(u'|')));
  elsewhere.close();
  form->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(form.get()));
  BeamGrid* grid = form->parameterPanel->grid();
  form->model.beamCount = 8;
  form->refreshEditors();
  grid->setFocus();
  grid->setCurrentCell(1, BeamGrid::ResponseColumn);
  QTest::keyClick(grid, Qt::Key_F2);
  QWidget* cell = QApplication::focusWidget();
  QVERIFY(cell && cell != grid);
  form->state.readStep = 0;
  QTest::keyClick(cell, Qt::Key_R, Qt::ControlModifier);
  QCOMPARE(form->state.readStep, 2);
}

void WindowTest::doubleClickingTheStatusBarShowsAndHidesTheLogPanel() {
  const QRect windowBefore = form->geometry();
  QCOMPARE(form->picture->height(), 427);

  QTest::mouseDClick(form->statusStrip, Qt::LeftButton);
  QVERIFY(form->logPanelVisible());
  QCOMPARE(form->logPanelFrame->height(), 112);
  QCOMPARE(form->picture->height(), 315);
  QCOMPARE(form->picture->image().height(), 315);

  QTest::mouseDClick(form->statusStrip, Qt::LeftButton);
  QVERIFY(!form->logPanelVisible());
  QCOMPARE(form->picture->height(), 427);
  QCOMPARE(form->picture->image().height(), 427);
  QCOMPARE(form->geometry(), windowBefore);
}

void WindowTest::smallLabelsFollowTheLogPanelAtTheNextStatusReply() {
  form->setStatusLabel(QStringLiteral("Statusy:00 "));
  QVERIFY(form->statusLabel->isHidden());
  QVERIFY(form->beeperLabel->isHidden());

  form->toggleLogPanel();
  QVERIFY(form->statusLabel->isHidden());  // not before the next status reply
  form->setStatusLabel(QStringLiteral("Statusy:01 "));
  QVERIFY(form->statusLabel->isVisible());
  QVERIFY(form->beeperLabel->isVisible());
  QCOMPARE(form->statusLabel->text(), QStringLiteral("Statusy:01 "));

  form->toggleLogPanel();
  QVERIFY(form->statusLabel->isVisible());
  form->setStatusLabel(QStringLiteral("Statusy:02 "));
  QVERIFY(form->statusLabel->isHidden());
  QVERIFY(form->beeperLabel->isHidden());
}

void WindowTest::captionShowsTheFileTitleAfterTheNextRefreshTick() {
  QTemporaryDir dir;
  auto dialogs = std::make_unique<ChosenPath>(dir.filePath(QStringLiteral("x.acc")));
  const ChosenPath& seen = *dialogs;
  form->setFileDialogs(std::move(dialogs));
  form->onRefreshTimer();
  QCOMPARE(form->windowTitle(), QStringLiteral("Orvita"));

  // A file named on the command line: what "Otwórz" says of a short one, and nothing changed.
  QFile shortFile(dir.filePath(QStringLiteral("short.acc")));
  QVERIFY(shortFile.open(QIODevice::WriteOnly));
  shortFile.write(QByteArray(31, '\1'));
  shortFile.close();
  form->loadConfigFile(shortFile.fileName());
  QCOMPARE(seen.errors, QStringList{QStringLiteral("Read beyond end of file.")});
  QVERIFY(form->configFileName.isEmpty());

  form->saveAsAction->trigger();
  QCOMPARE(seen.errors.size(), 1);
  QCOMPARE(form->configFileName, dir.filePath(QStringLiteral("x.acc")));
  QCOMPARE(form->windowTitle(), QStringLiteral("Orvita"));  // not before the tick
  form->onRefreshTimer();
  QCOMPARE(form->windowTitle(), QStringLiteral("Orvita - x"));
  QCOMPARE(form->refreshTimer.interval(), 600);
  QCOMPARE(form->cycleTimer.interval(), 1000);

  // The refresh ticks every 600 ms, in a real event loop (qWait sleeps between rounds).
  QElapsedTimer clock;
  clock.start();
  QList<qint64> ticks;
  connect(&form->refreshTimer, &QTimer::timeout, this, [&] { ticks << clock.elapsed(); });
  QEventLoop loop;
  QTimer::singleShot(2600, &loop, &QEventLoop::quit);
  loop.exec();
  QVERIFY(ticks.size() >= 3);
  const double mean = double(ticks.last() - ticks.first()) / double(ticks.size() - 1);
  QVERIFY2(mean >= 590 && mean <= 800, qPrintable(QString::number(mean)));
}

void WindowTest::portSettingsForgetTheBarrierAndShowTheDialogModally() {
  form->model.versionInfo = {6, 1, 0, 5, 0x20, 0x21, 7, 0x14};
  form->model.beamCount = 6;
  form->link.refreshIdentification();
  QCOMPARE(form->identificationLabel->text(), QStringLiteral(" ORVITA 6 v.1.05    2021-07-14"));
  QCOMPARE(form->identificationLabel->palette().color(QPalette::Window), QColor(0, 128, 0));

  form->createPortDialog();
  form->portDialog->setPortListSource([] {
    return QList<PortChoice>{{AbsentPort, AbsentPort, {}, {}, {}, {}, {}, {}}};
  });
  bool checked = false;
  QTimer::singleShot(0, form.get(), [&] {
    checked = true;
    QCOMPARE(form->identificationLabel->text(), QStringLiteral(" Brak połączenia."));
    QCOMPARE(form->identificationLabel->palette().color(QPalette::WindowText), QColor(192, 192, 192));
    QCOMPARE(form->identificationLabel->palette().color(QPalette::Window), QColor(128, 128, 128));
    QVERIFY(form->portDialogShowing());
    QVERIFY(form->portDialog->isModal());
    // Over the main window, wherever that is.
    QVERIFY(form->frameGeometry().contains(form->portDialog->frameGeometry().center()));
    QVERIFY(form->model.versionInfo.empty());
    // No tick opens the port while the dialog shows.
    form->onCycleTimer();
    QVERIFY(!form->port.isOpen());
    QVERIFY(form->statusStrip->panel(0)->text().endsWith(QStringLiteral(" closed")));
    form->portDialog->accept();
  });
  QTest::keyClick(form.get(), Qt::Key_F8, Qt::ControlModifier);
  QVERIFY(checked);
  QVERIFY(!form->portDialogShowing());
}

void WindowTest::textsComeFromTheTable() {
  QCOMPARE(form->windowTitle(), QStringLiteral("Orvita"));
  const QList<QAction*> menus = form->menuBar()->actions();
  QCOMPARE(menus.size(), 5);
  const QStringList titles{QStringLiteral("Plik"), QStringLiteral("Komunikacja"), QStringLiteral("Konfiguracja"),
                           QStringLiteral("Serwis"), QStringLiteral("Pomoc")};
  for (int i = 0; i < 5; ++i) QCOMPARE(menus[i]->text(), titles[i]);
  QStringList items;
  for (QAction* menu : menus)
    for (QAction* item : menu->menu()->actions()) items << (item->isSeparator() ? QStringLiteral("-") : item->text());
  QCOMPARE(items,
           (QStringList{QStringLiteral("Otwórz"), QStringLiteral("Zapisz"), QStringLiteral("Zapisz jako"),
                        QStringLiteral("-"), QStringLiteral("Drukuj protokół…"), QStringLiteral("Drukuj konfigurację…"),
                        QStringLiteral("-"), QStringLiteral("Koniec"), QStringLiteral("Pobierz"),
                        QStringLiteral("Wyślij"), QStringLiteral("Reset blokad"), QStringLiteral("RS-232"),
                        QStringLiteral("Historia…"), QStringLiteral("Monitor transmisji…"),
                        QStringLiteral("Test uruchomieniowy…"), QStringLiteral("O programie")}));
  // Ctrl+H is no other command's.
  QCOMPARE(form->historyAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
  for (QAction* menu : menus)
    for (QAction* item : menu->menu()->actions())
      if (item != form->historyAction) QVERIFY(item->shortcut() != form->historyAction->shortcut());
  QCOMPARE(form->openAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F3));
  QCOMPARE(form->saveAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F2));
  QVERIFY(form->saveAsAction->shortcut().isEmpty());
  QCOMPARE(form->quitAction->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
  QCOMPARE(form->readButton->toolTip(), QStringLiteral("Pobierz"));
  QCOMPARE(form->sendButton->toolTip(), QStringLiteral("Wyślij"));
  QCOMPARE(form->resetButton->toolTip(), QStringLiteral("Reset pam. blokad"));
}

void WindowTest::logPanelStopBoxPausesAndLogBoxSwitchesTheFiles() {
  form->toggleLogPanel();
  QVERIFY(!form->stopTicked());
  QTest::mouseClick(form->logPanel->stopBox(), Qt::LeftButton);
  QVERIFY(form->stopTicked());
  // A paused cycle leaves the status bar as it was.
  form->statusStrip->panel(0)->clear();
  form->onCycleTimer();
  QVERIFY(form->statusStrip->panel(0)->text().isEmpty());

  QVERIFY(!form->eventLog.logToFile);
  QTest::mouseClick(form->logPanel->logBox(), Qt::LeftButton);
  QVERIFY(form->eventLog.logToFile);
  const QString tip = form->logPanel->logBox()->toolTip();
  QVERIFY(tip.contains(form->eventLog.eventFile()));
  QVERIFY(tip.contains(form->eventLog.statusFile()));

  form->eventLog.addLogLine(uiText(UiTexts::txtLogAskVer));
  QVERIFY(form->logPanel->list()->toPlainText().endsWith(uiText(UiTexts::txtLogAskVer)));
}

void WindowTest::logPanelShowsTheNewestLineUnlessTheUserScrolledUp() {
  QScrollBar* bar = form->logPanel->list()->verticalScrollBar();
  const auto atEnd = [bar] { return bar->maximum() > 0 && bar->value() == bar->maximum(); };
  // Lines added while the panel is hidden, then the panel shown.
  for (int i = 1; i <= 60; ++i) form->eventLog.addLogLine(QStringLiteral("line %1").arg(i));
  form->toggleLogPanel();
  QApplication::processEvents();
  QVERIFY(atEnd());
  // Through a trim (201 lines fall back to 20).
  for (int i = 61; i <= 201; ++i) form->eventLog.addLogLine(QStringLiteral("line %1").arg(i));
  QApplication::processEvents();
  QCOMPARE(form->eventLog.lines().size(), 20);
  QVERIFY(atEnd());

  // Scrolled up to read: the view stays put, through new lines and a trim.
  bar->setValue(2);
  for (int i = 202; i <= 390; ++i) form->eventLog.addLogLine(QStringLiteral("line %1").arg(i));
  QApplication::processEvents();
  QCOMPARE(bar->value(), 2);
  form->eventLog.addLogLine(QStringLiteral("line 391"));  // the trim
  QApplication::processEvents();
  QCOMPARE(bar->value(), 2);

  // Back at the end: it follows again.
  bar->setValue(bar->maximum());
  form->eventLog.addLogLine(QStringLiteral("line 392"));
  QApplication::processEvents();
  QVERIFY(atEnd());

  // A log file that cannot be written is told in the list and the "log" box's tooltip.
  const QString eventFile = form->eventLog.eventFile();
  QFile::remove(eventFile);
  QVERIFY(QDir().mkdir(eventFile));
  form->eventLog.logToFile = true;
  form->eventLog.logStateLine(QStringLiteral("Status"), 1, 7);
  QVERIFY(QDir().rmdir(eventFile));
  QVERIFY(form->logPanel->logBox()->toolTip().endsWith(form->eventLog.fileProblem()));
  QVERIFY(form->logPanel->list()->toPlainText().contains(form->eventLog.fileProblem()));
  QVERIFY(atEnd());
}

void WindowTest::destructionStoresThePortSettings() {
  form->port.setDeviceName(QStringLiteral("ttyUSB7"));
  form->state.dtrOn = false;
  form.reset();
  const PortSettings stored = readPortSettings(SettingsKey);
  QCOMPARE(stored.deviceName, QStringLiteral("ttyUSB7"));
  QCOMPARE(stored.baudRate, cbr9600);  // the start-up line, whatever was stored
  QVERIFY(!stored.dtrOn);
  QVERIFY(stored.rtsOn);
}

void WindowTest::anUnopenablePortShowsClosedAGreyGaugeAndWhyInItsTooltip() {
  form->port.setDeviceName(AbsentPort);
  form->onCycleTimer();
  QVERIFY(!form->port.isOpen());
  QLabel* panel = form->statusStrip->panel(0);
  QCOMPARE(panel->toolTip(), AbsentPort + u'\n' + uiText(UiTexts::txtPortNoDevice));
  QCOMPARE(form->activityGauge->foreColor(), QColor(128, 128, 128));
  QCOMPARE(form->activityGauge->backColor(), QColor(128, 128, 128));

  form->port.setDeviceName(QStringLiteral("ttyS9"));
  form->onCycleTimer();
  QCOMPARE(panel->text(), QStringLiteral("ttyS9 closed"));

  // Refused on a device whose group may not read and write it: joining the
  // group would not help, so the tooltip shows the permissions instead.
  QTemporaryDir dir;
  const QString device = dir.filePath(QStringLiteral("ttyUSB9"));
  QFile file(device);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();
  QVERIFY(QFile::setPermissions(device, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
  form->port.setDeviceName(device);
  form->port.setOpenFunction([](const char*, int) {
    errno = EACCES;
    return -1;
  });
  form->onCycleTimer();
  form->port.setOpenFunction({});
  const QFileInfo info(device);
  QCOMPARE(panel->toolTip(), device + u'\n' +
                                 uiText(UiTexts::txtPortChangePermissions)
                                     .arg(device, QStringLiteral("-rw------- %1 %2").arg(info.owner(), info.group())));
}

void WindowTest::aLongPortNameIsElidedInTheMiddleKeepingItsState() {
  const QString byId = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
  form->port.setDeviceName(byId);
  form->onCycleTimer();
  QLabel* panel = form->statusStrip->panel(0);
  const QString text = panel->text();
  QVERIFY2(text.startsWith(QStringLiteral("/dev/")) && text.endsWith(QStringLiteral("port0 closed")), qPrintable(text));
  QVERIFY(text.contains(QChar(0x2026)));
  QVERIFY(panel->fontMetrics().horizontalAdvance(text) <= panel->contentsRect().width() - panel->indent());
  QVERIFY(panel->toolTip().startsWith(byId + u'\n'));
}

void WindowTest::toolbarButtonsAndEntriesHaveNamesForAScreenReader() {
  const QList<std::pair<QWidget*, QString>> named{
      {form->readButton, QStringLiteral("Pobierz")},
      {form->sendButton, QStringLiteral("Wyślij")},
      {form->resetButton, QStringLiteral("Reset pam. blokad")},
      {form->parameterPanel->blockTimeEntry(), QStringLiteral("Czas zliczania autoblokowania")},
      {form->parameterPanel->coveredTimeEntry(), QStringLiteral("Maks. czas zasł. wszystkich wiązek")},
      {form->parameterPanel->serialEntry(), QStringLiteral("Numer seryjny nadajnika")}};
  for (const auto& [widget, name] : named) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), name);
  }
}

void WindowTest::theProgramIconHasTheSmallAndLargeSizes() {
  const QList<QSize> sizes = programIcon().availableSizes();
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
}

void WindowTest::beepPatternGoesToTheBeeperLabel() {
  form->model.status.beamsAlert = 0x05;
  form->setBeep();
  QCOMPARE(form->beeperLabel->text(), QStringLiteral("00"));  // silent while no barrier is identified

  form->model.versionInfo = {6, 1, 0, 5, 0x20, 0x21, 7, 0x14};
  form->setBeep();
  QCOMPARE(form->beeperLabel->text(), QStringLiteral("A000"));
  QCOMPARE(form->beeper->pattern.load(), 0xA000u);

  // Losing the link: the cycle forgets the version, and the label refresh
  // that follows silences the beeper although beams are still in alert.
  form->model.versionInfo.clear();
  form->link.refreshIdentification();
  QCOMPARE(form->beeper->pattern.load(), 0u);
  QCOMPARE(form->beeperLabel->text(), QStringLiteral("00"));

  // Opening the port settings does the same.
  form->model.versionInfo = {6, 1, 0, 5, 0x20, 0x21, 7, 0x14};
  form->setBeep();
  QCOMPARE(form->beeper->pattern.load(), 0xA000u);
  form->link.portSettingsCommand();
  QCOMPARE(form->beeper->pattern.load(), 0u);
  form->beeper->setPattern(0);  // keep the test run quiet
}

void WindowTest::aNoticeShowsWholeUnderTheIdentificationBarUntilClosedOrThePortIsSwitched() {
  const QString text = uiText(UiTexts::txtNoticeAbout)
                           .arg(QStringLiteral("Bariera nr 12345"), AbsentPort,
                                uiText(UiTexts::txtWriteNotDone).arg(QStringLiteral("Czułość wiązek 1–8")));
  form->showNotice(text);
  QLabel* label = form->noticeBar->label();
  QVERIFY(form->noticeBar->isVisible());
  QCOMPARE(label->text(), text);
  QVERIFY(label->wordWrap());
  QVERIFY(label->height() >= label->heightForWidth(label->width()));
  QVERIFY(form->noticeBar->y() >= form->identificationLabel->parentWidget()->geometry().bottom());
  QCOMPARE(form->centralWidget()->height(), 482 + form->noticeBar->height());
  QCOMPARE(form->leftPanel->height(), 435);
  QTest::mouseClick(form->noticeBar->closeButton(), Qt::LeftButton);
  QVERIFY(form->noticeBar->isHidden());
  QCOMPARE(form->centralWidget()->size(), QSize(602, 482));

  // Another port: what was said of the barrier there no longer stands.
  form->showNotice(text);
  form->createPortDialog();
  form->portDialog->setPortListSource([] {
    return QList<PortChoice>{{AbsentPort, AbsentPort, {}, {}, {}, {}, {}},
                             {QStringLiteral("ttyS7"), QStringLiteral("ttyS7"), {}, {}, {}, {}, {}}};
  });
  QTimer::singleShot(0, form.get(), [&] { form->portDialog->accept(); });
  QTest::keyClick(form.get(), Qt::Key_F8, Qt::ControlModifier);
  QCOMPARE(form->noticeBar->text(), text);  // the same port
  QTimer::singleShot(0, form.get(), [&] {
    QComboBox* combo = form->portDialog->portCombo;
    const int index = combo->findData(QStringLiteral("ttyS7"), PortSettingsDialog::PortNameRole);
    combo->setCurrentIndex(index);
    emit combo->activated(index);  // as the user's choice
    form->portDialog->accept();
  });
  QTest::keyClick(form.get(), Qt::Key_F8, Qt::ControlModifier);
  QCOMPARE(form->port.deviceName(), QStringLiteral("ttyS7"));
  QVERIFY(form->noticeBar->text().isEmpty());
}

void WindowTest::aConfigurationForAnotherBeamCountIsSentOnlyWhenTheUserSaysSo() {
  form->model.versionInfo = {6, 1, 0, 5, 0x20, 0x21, 7, 0x14};
  form->model.beamCount = 8;
  form->model.editConfig[BarrierConfig::BeamCount] = 5;  // as a file for five beams leaves it
  QStringList questions;
  bool answer = false;
  form->askYesNo = [&](const QString& question) {
    questions << question;
    return answer;
  };
  QTest::keyClick(form.get(), Qt::Key_W, Qt::ControlModifier);
  QCOMPARE(form->state.writeStep, 0);
  QCOMPARE(questions, QStringList{uiText(UiTexts::txtSendOtherBeamCount).arg(5).arg(8)});
  answer = true;
  QTest::mouseClick(form->sendButton, Qt::LeftButton);
  QCOMPARE(form->state.writeStep, 2);
  QCOMPARE(questions.size(), 2);

  // The same count: no question.
  form->state.writeStep = 0;
  form->model.editConfig[BarrierConfig::BeamCount] = 8;
  QTest::keyClick(form.get(), Qt::Key_W, Qt::ControlModifier);
  QCOMPARE(form->state.writeStep, 2);
  QCOMPARE(questions.size(), 2);
}

// A journal that cannot be used is told until the user closes the notice (a
// reconnection clears only the link's notices); while the journal is off,
// the status bar says so, with the reason in its tooltip.
void WindowTest::aJournalFaultStaysUntilClosedAndTheStatusBarMarksTheJournalOff() {
  QLabel* mark = form->statusStrip->journalMark();
  QVERIFY(mark->isHidden());
  QTemporaryDir dir;
  const QString newer = dir.filePath(QStringLiteral("journal.sqlite"));
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
    db.setDatabaseName(newer);
    QVERIFY(db.open());
    QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = %1").arg(JournalSchemaVersion + 1)));
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("newer"));
  form->startJournal({newer, 0});
  const QString reason = uiText(UiTexts::txtJournalNewer).arg(newer);
  QTRY_COMPARE(form->journalNoticeBar->text(), reason);
  QVERIFY(mark->isVisible());
  QCOMPARE(mark->toolTip(), reason);
  QCOMPARE(mark->text(), uiText(UiTexts::txtJournalOffMark));

  form->link.showNotice(QString());  // as a clean reconnection does
  QCOMPARE(form->journalNoticeBar->text(), reason);
  QCOMPARE(form->centralWidget()->height(), 482 + form->journalNoticeBar->height());
  QTest::mouseClick(form->journalNoticeBar->closeButton(), Qt::LeftButton);
  QVERIFY(form->journalNoticeBar->isHidden());
  QCOMPARE(form->centralWidget()->size(), QSize(602, 482));
  QVERIFY(mark->isVisible());
}

void WindowTest::editsSetAsideComeBackFromTheNoticeAndAreSentOnlyWhenTheUserSaysSo() {
  // Barrier 22222 on the line; the edits of 12345 set aside when it answered.
  const std::array<std::uint8_t, 8> version{2, 1, 0, 5, 0x20, 0x21, 7, 0x14};
  form->model.versionInfo.assign(version.begin(), version.end());
  form->model.beamCount = 4;
  form->model.editConfig[BarrierConfig::BeamCount] = 4;
  form->state.workBarrier = BarrierIdentity{version, 22222};
  BarrierConfig edits;
  edits[BarrierConfig::MaxCoveredTime] = 25;
  form->state.setAside = {BarrierIdentity{{6, 1, 0, 5, 0x20, 0x21, 7, 0x14}, 12345}, edits,
                          1u << BarrierConfig::MaxCoveredTime};
  form->link.showNotice(uiText(UiTexts::txtEditsSetAside).arg(12345));
  form->offerSetAsideEdits();
  QPushButton* restore = form->noticeBar->actionButton();
  QVERIFY(restore->isVisible());
  QCOMPARE(restore->text(), uiText(UiTexts::txtRestoreEdits));
  QVERIFY(form->noticeBar->label()->height() >=
          form->noticeBar->label()->heightForWidth(form->noticeBar->label()->width()));
  QTest::mouseClick(restore, Qt::LeftButton);
  QVERIFY(restore->isHidden());
  QCOMPARE(int(form->model.editConfig[BarrierConfig::MaxCoveredTime]), 25);
  QCOMPARE(form->parameterPanel->coveredTimeEntry()->text().trimmed(), QStringLiteral("25"));

  QStringList questions;
  bool answer = false;
  form->askYesNo = [&](const QString& question) {
    questions << question;
    return answer;
  };
  QTest::keyClick(form.get(), Qt::Key_W, Qt::ControlModifier);
  QCOMPARE(form->state.writeStep, 0);
  QCOMPARE(questions,
           QStringList{uiText(UiTexts::txtSendForOtherBarrier).arg(QStringLiteral("12345"), QStringLiteral("22222"))});
  answer = true;
  QTest::mouseClick(form->sendButton, Qt::LeftButton);
  QCOMPARE(form->state.writeStep, 2);
  // Sent to 22222 once the user said so, they are its own.
  form->state.writeStep = 0;
  QTest::keyClick(form.get(), Qt::Key_W, Qt::ControlModifier);
  QCOMPARE(questions.size(), 2);

  // A notice that offers nothing takes the offer away.
  form->link.showNotice(uiText(UiTexts::txtEditsSetAside).arg(12345));
  form->offerSetAsideEdits();
  QVERIFY(restore->isVisible());
  form->link.showNotice(uiText(UiTexts::txtWriteCompleted));
  QVERIFY(restore->isHidden());

  // A file opened while no barrier's configuration is read waits for the first read.
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("b.acc"));
  QVERIFY(writeConfigFile(file, edits));
  form->model.versionInfo.clear();
  form->loadConfigFile(file);
  QVERIFY(form->state.editsAwaitBarrier);
}

// The longest notice of an interrupted or unconfirmed send: every field
// differs, the serial number has five digits.
void WindowTest::noticesOfASendFitTwoLines() {
  BarrierConfig sent;
  for (std::size_t i = 0; i < BarrierConfig::Size; ++i) sent[i] = 1;
  const QStringList fields = writecheck::differingFields(sent, BarrierConfig{}, ~0u);
  const QString barrier = uiText(UiTexts::txtBarrierNumbered).arg(65535);
  const QString port = QStringLiteral("/dev/ttyUSB0");
  QLabel* label = form->noticeBar->label();
  for (UiTexts::Id id : {UiTexts::txtWriteNotDone, UiTexts::txtWriteNotConfirmed}) {
    form->showNotice(uiText(UiTexts::txtNoticeAbout).arg(barrier, port, noticeNaming(id, fields, barrier, port)));
    QVERIFY2(label->heightForWidth(label->width()) <= 2 * label->fontMetrics().lineSpacing() + 2,
             qPrintable(label->text()));
  }
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

#include "MainWindowTest.moc"
