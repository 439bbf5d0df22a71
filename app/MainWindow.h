#pragma once
// The main window: owns the model, the link state, the port, the event log,
// the beeper and the two timers of the request cycle; lays out the editors,
// the picture, the log panel and the status strip; carries the menu and the
// toolbar. It is the LinkView of the device link.
#include <QFrame>
#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "eventlog/EventLog.h"
#include "journal/JournalWriter.h"
#include "link/DeviceLink.h"
#include "link/JournalRecorder.h"
#include "link/LinkState.h"
#include "link/LinkView.h"
#include "link/PauseTimer.h"
#include "model/BarrierModel.h"
#include "serial/SerialPort.h"
#include "ui/StatusStrip.h"

class BarrierPicture;
class ConfigFileCommands;
class EventLogPanel;
class NoticeBar;
class FileDialogs;
class HistoryWindow;
class ParameterPanel;
class PieGauge;
class QAction;
class QLabel;
class QMenu;
class QToolButton;
class PortSettingsDialog;
class TrafficMonitorWindow;
class AboutWindow;
class AlarmBeeper;
class WalkTestWindow;

class MainWindow : public QMainWindow, public LinkView {
  Q_OBJECT
 public:
  // Builds the window and starts up: settings, port, beeper; both timers run from here on.
  explicit MainWindow(QWidget* parent = nullptr);
  // Shuts down: stores the settings and placement, releases the port, stops the beeper.
  ~MainWindow() override;

  // The port settings dialog, created hidden after the window (start-up
  // order); the RS-232 command creates it when nobody did.
  void createPortDialog();
  // The splash window, which serves as the about window; the about command
  // creates one when none was handed over.
  void setAboutWindow(AboutWindow* window) { aboutWindow = window; }
  // Replaces the platform's file dialogs and error box (tests give their own).
  void setFileDialogs(std::unique_ptr<FileDialogs> dialogs);
  // Records the run into `options.path` from now on (the constructor starts
  // the journal of journalPath(); tests point it elsewhere).
  void startJournal(JournalOptions options);

  // LinkView
  void refreshEditors() override;
  void drawBarrier() override;
  void setBeep() override;
  void setButtonEnabled(ToolButton button, bool enabled) override;
  void setIdentification(const QString& text, Rgb textColour, Rgb background) override;
  void setPortStatus(const QString& text) override;
  void setGauge(int progress, Rgb foreground, Rgb background) override;
  void showNotice(const QString& text) override;
  void offerSetAsideEdits() override;
  void setStatusLabel(const QString& text) override;
  bool portDialogShowing() const override;
  bool stopTicked() const override;
  bool logPanelVisible() const override;
  void restartCycleTimer() override;
  void scheduleAfterStatus(int ms) override;

  // Event handlers.
  void openConfigFile();
  // What "Otwórz" does with a chosen file, for a file named on the command line.
  void loadConfigFile(const QString& path);
  void saveConfigFile();
  void saveConfigFileAs();
  void onCycleTimer();
  void onRefreshTimer();
  void toggleLogPanel();
  void readFromToolBar();
  void sendFromToolBar();
  void resetFromToolBar();
  void readConfiguration();
  void sendConfiguration();
  void resetBlockMemory();
  void showPortSettings();
  void showTrafficMonitor();
  void showAbout();
  void showHistory();
  void quitProgram();
  // "Test uruchomieniowy…": the walk test window, started anew when it was not showing.
  void showWalkTest();
  // "Drukuj protokół…": the commissioning record of the walk test.
  void printRecord();
  // "Drukuj konfigurację…": the editors' configuration alone.
  void printConfiguration();

  // What the window owns for the run (member order is construction order).
  BarrierModel model;
  LinkState state;
  EventLog eventLog;
  SerialPort port;
  DeviceLink link;
  QString configFileName;
  std::unique_ptr<AlarmBeeper> beeper;
  std::unique_ptr<FileDialogs> fileDialogs;
  std::unique_ptr<ConfigFileCommands> fileCommands;
  // The journal of the run: always recording, whatever the log panel says.
  // startJournal replaces them.
  std::unique_ptr<JournalWriter> journal;
  std::unique_ptr<JournalRecorder> journalRecorder;
  // Asks a yes-or-no question before a command goes on (tests answer it themselves).
  std::function<bool(const QString& question)> askYesNo;

  // Controls.
  QLabel* identificationLabel = nullptr;
  NoticeBar* noticeBar = nullptr;  // under the identification bar while there is a notice
  // Under it, a journal fault until the user closes it: a reconnection clears only the link's notices.
  NoticeBar* journalNoticeBar = nullptr;
  QFrame* leftPanel = nullptr;
  QWidget* toolBar = nullptr;
  QToolButton* readButton = nullptr;   // "Pobierz"
  QToolButton* sendButton = nullptr;   // "Wyślij"
  QToolButton* resetButton = nullptr;  // "Reset pam. blokad"
  ParameterPanel* parameterPanel = nullptr;
  QLabel* statusLabel = nullptr;  // status label
  QLabel* beeperLabel = nullptr;  // beeper label
  QFrame* picturePanel = nullptr;
  BarrierPicture* picture = nullptr;
  QFrame* logPanelFrame = nullptr;
  EventLogPanel* logPanel = nullptr;
  PieGauge* activityGauge = nullptr;
  StatusStrip* statusStrip = nullptr;
  QTimer cycleTimer;
  QTimer refreshTimer;
  PauseTimer statusPause{[this] { link.statusPauseElapsed(); }};  // from a status reply to the next request
  PortSettingsDialog* portDialog = nullptr;
  AboutWindow* aboutWindow = nullptr;
  TrafficMonitorWindow* trafficMonitor = nullptr;  // made at its first showing

  QMenu* fileMenu = nullptr;
  QAction* openAction = nullptr;
  QAction* saveAction = nullptr;
  QAction* saveAsAction = nullptr;
  QAction* quitAction = nullptr;
  QMenu* communicationMenu = nullptr;
  QAction* readAction = nullptr;
  QAction* sendAction = nullptr;
  QAction* resetAction = nullptr;
  QMenu* configurationMenu = nullptr;
  QAction* portSettingsAction = nullptr;
  QAction* printRecordAction = nullptr;
  QAction* printConfigAction = nullptr;
  QMenu* serviceMenu = nullptr;  // "Serwis": the service tools
  QAction* historyAction = nullptr;
  HistoryWindow* historyWindow = nullptr;  // made at its first showing
  QAction* trafficMonitorAction = nullptr;
  QAction* walkTestAction = nullptr;
  WalkTestWindow* walkTestWindow = nullptr;  // made at its first showing
  QMenu* helpMenu = nullptr;
  QAction* aboutAction = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void startUp();
  void shutDown();
  void buildControls();
  void buildMenus();
  void setTexts();
  void layoutToolBar();
  void layoutLeftPanel();
  WalkTestWindow& walkTest();
  // The client's fixed size: as designed, plus the notice bar while it shows.
  void fitClient();
  // Before a send: edits made for another barrier than the one connected, or
  // a configuration for another beam count than its own, go out only when
  // the user says so.
  bool sendConfirmed();

  std::unique_ptr<AboutWindow> ownAboutWindow_;
};
