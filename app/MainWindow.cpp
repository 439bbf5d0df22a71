#include "app/MainWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

#include "files/SettingsStore.h"
#include "journal/JournalPath.h"
#include "link/StatusWords.h"
#include "report/RecordDocument.h"
#include "serial/AdapterLatency.h"
#include "serial/PortFailureText.h"
#include "serial/PortSettings.h"
#include "sound/AlarmBeeper.h"
#include "sound/AlsaToneOutput.h"
#include "texts/UiTexts.h"
#include "ui/AboutWindow.h"
#include "ui/BarrierPicture.h"
#include "ui/ConfigFileCommands.h"
#include "ui/DocumentOutput.h"
#include "ui/EventLogPanel.h"
#include "ui/HistoryWindow.h"
#include "ui/NoticeBar.h"
#include "ui/ParameterPanel.h"
#include "ui/PieGauge.h"
#include "ui/PortSettingsDialog.h"
#include "ui/ShortcutsFirst.h"
#include "ui/TrafficMonitorWindow.h"
#include "ui/WalkTestWindow.h"
#include "ui/WindowPlacementWidget.h"
#include "util/HexText.h"

namespace {

// Sizes of the window as designed, in pixels.
constexpr int DesignedLeft = 648;  // the frame's place on the screen
constexpr int DesignedTop = 100;
constexpr int ClientWidth = 602;
constexpr int DesignedLeftPanelHeight = 497;
constexpr int ClientHeight = DesignedLeftPanelHeight - 15;  // as the window is first arranged
constexpr int IdentBarHeight = 26;
constexpr int LeftPanelWidth = 210;
constexpr int ToolBarHeight = 44;
constexpr int ToolButtonHeight = 40;
constexpr int LogPanelHeight = 112;
constexpr int StatusStripHeight = 21;
constexpr int PictureMaxHeight = 489;
constexpr int PicturePanelMaxWidth = 392;
constexpr int PicturePanelBorder = 3;
constexpr int SmallLabelHeight = 13;

QColor toColor(Rgb rgb) { return QColor(QRgb(rgb)); }

QFrame* sunkenBox(QWidget* parent) {
  auto* box = new QFrame(parent);
  box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  box->setLineWidth(1);
  return box;
}

void setBackground(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      eventLog([] {
        const LogFilePaths files = logFilesFor(QCoreApplication::applicationFilePath());
        return EventLog(files.eventFile, files.statusFile);
      }()),
      link(model, state, port, eventLog, *this) {
  port.onRxChar = [this](QObject*, std::int32_t count) { link.onBytesReceived(count); };
  port.onDeviceLost = [this](QObject*) { link.onDeviceLost(); };
  askYesNo = [this](const QString& question) {
    return QMessageBox::question(this, uiText(UiTexts::txtCaption), question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
  };
  buildControls();
  buildMenus();
  new ShortcutsFirst(this);
  setFileDialogs(std::make_unique<QtFileDialogs>(this));
  startUp();
  startJournal({journalPath(), storedJournalDays(SettingsKey)});

  // Precise: the time-outs and " Brak połączenia." come when they are due.
  cycleTimer.setTimerType(Qt::PreciseTimer);
  cycleTimer.setInterval(DeviceLink::CycleIntervalMs);
  refreshTimer.setTimerType(Qt::PreciseTimer);
  connect(&cycleTimer, &QTimer::timeout, this, &MainWindow::onCycleTimer);
  refreshTimer.setInterval(DeviceLink::RefreshIntervalMs);
  connect(&refreshTimer, &QTimer::timeout, this, &MainWindow::onRefreshTimer);
  cycleTimer.start();
  refreshTimer.start();
}

MainWindow::~MainWindow() {
  cycleTimer.stop();
  refreshTimer.stop();
  statusPause.stop();
  // A test still under way ends and is kept while the journal still records.
  if (walkTestWindow) walkTestWindow->close();
  delete walkTestWindow;
  walkTestWindow = nullptr;
  shutDown();
  link.removeObserver(journalRecorder.get());
  journalRecorder.reset();  // the session's end, written before the writer closes
  journal.reset();
  // The controls and the dialog refer to the members above; they go first.
  port.onRxChar = nullptr;
  port.onDeviceLost = nullptr;
  delete portDialog;
  portDialog = nullptr;
  delete trafficMonitor;  // it stops observing the link, which goes before it
  trafficMonitor = nullptr;
  delete takeCentralWidget();
}

void MainWindow::buildControls() {
  setWindowTitle(uiText(UiTexts::txtCaption));
  QFont font = QApplication::font();
  font.setPointSize(8);
  setFont(font);
  setBackground(this, toColor(colors::WindowFace));

  auto* client = new QWidget(this);
  setCentralWidget(client);
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  // Identification bar.
  auto* identBar = sunkenBox(client);
  identBar->setFixedHeight(IdentBarHeight);
  identificationLabel = new QLabel(identBar);
  QFont bold = font;
  bold.setBold(true);
  bold.setPixelSize(13);
  identificationLabel->setFont(bold);
  identificationLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  identificationLabel->setAutoFillBackground(true);
  auto* identLayout = new QHBoxLayout(identBar);
  identLayout->setContentsMargins(0, 0, 0, 0);
  identLayout->addWidget(identificationLabel);
  column->addWidget(identBar);

  // The notice bar: it takes room of its own, so the window grows while it shows.
  noticeBar = new NoticeBar(client);
  connect(noticeBar, &NoticeBar::changed, this, &MainWindow::fitClient);
  column->addWidget(noticeBar);
  journalNoticeBar = new NoticeBar(client);
  connect(journalNoticeBar, &NoticeBar::changed, this, &MainWindow::fitClient);
  column->addWidget(journalNoticeBar);

  // Left panel and picture panel.
  auto* middle = new QHBoxLayout;
  middle->setSpacing(0);
  column->addLayout(middle, 1);

  leftPanel = sunkenBox(client);
  leftPanel->setFixedWidth(LeftPanelWidth);
  leftPanel->setLineWidth(2);
  setBackground(leftPanel, style()->standardPalette().color(QPalette::Window));

  toolBar = new QWidget(leftPanel);
  toolBar->setFixedHeight(ToolBarHeight);
  const char* images[] = {":/toolbar/toolbar_read.png", ":/toolbar/toolbar_send.png", ":/toolbar/toolbar_reset.png"};
  QToolButton** buttons[] = {&readButton, &sendButton, &resetButton};
  for (int i = 0; i < 3; ++i) {
    auto* button = new QToolButton(toolBar);
    button->setAutoRaise(true);
    button->setIcon(QIcon(QString::fromLatin1(images[i])));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    *buttons[i] = button;
  }
  connect(readButton, &QToolButton::clicked, this, &MainWindow::readFromToolBar);
  connect(sendButton, &QToolButton::clicked, this, &MainWindow::sendFromToolBar);
  connect(resetButton, &QToolButton::clicked, this, &MainWindow::resetFromToolBar);
  toolBar->installEventFilter(this);

  parameterPanel = new ParameterPanel(model, leftPanel);
  parameterPanel->setBeforeRefresh([this] {
    readButton->setEnabled(state.readStep == 0);
    sendButton->setEnabled(state.writeStep == 0);
    resetButton->setEnabled(!state.resetPending);
  });

  QFont small = font;
  small.setPixelSize(10);
  statusLabel = new QLabel(leftPanel);
  beeperLabel = new QLabel(leftPanel);
  for (QLabel* label : {statusLabel, beeperLabel}) {
    // Opaque and as wide as their text, over whatever editor lies beneath.
    label->setFont(small);
    label->setAutoFillBackground(true);
    label->setFixedHeight(SmallLabelHeight);
    label->hide();
  }
  leftPanel->installEventFilter(this);
  middle->addWidget(leftPanel);

  picturePanel = sunkenBox(client);
  setBackground(picturePanel, Qt::black);
  // The picture fills its parent, so it gets one inside the panel's border.
  auto* pictureArea = new QWidget(picturePanel);
  auto* pictureLayout = new QHBoxLayout(picturePanel);
  pictureLayout->setContentsMargins(PicturePanelBorder, PicturePanelBorder, PicturePanelBorder, PicturePanelBorder);
  pictureLayout->addWidget(pictureArea);
  picture = new BarrierPicture(
      model, [this] { return logPanelVisible(); }, pictureArea);
  middle->addWidget(picturePanel, 1);

  // Log panel, hidden until the status bar is double-clicked.
  logPanelFrame = new QFrame(client);
  logPanelFrame->setFixedHeight(LogPanelHeight);
  logPanel = new EventLogPanel(eventLog, logPanelFrame);
  auto* logLayout = new QHBoxLayout(logPanelFrame);
  logLayout->setContentsMargins(0, 0, 0, 0);
  logLayout->addWidget(logPanel);
  logPanelFrame->hide();
  column->addWidget(logPanelFrame);

  // Status strip.
  auto* strip = new QWidget(client);
  strip->setFixedHeight(StatusStripHeight);
  auto* stripLayout = new QHBoxLayout(strip);
  stripLayout->setContentsMargins(0, 0, 0, 0);
  stripLayout->setSpacing(0);
  auto* emptyBox = sunkenBox(strip);
  emptyBox->setFixedWidth(106);
  stripLayout->addWidget(emptyBox);
  auto* gaugeBox = new QWidget(strip);
  gaugeBox->setFixedWidth(23);
  activityGauge = new PieGauge(gaugeBox);
  activityGauge->setGeometry(0, 0, 22, 21);
  stripLayout->addWidget(gaugeBox);
  statusStrip = new StatusStrip(strip);
  connect(statusStrip, &StatusStrip::doubleClicked, this, &MainWindow::toggleLogPanel);
  stripLayout->addWidget(statusStrip, 1);
  column->addWidget(strip);

  client->setFixedSize(ClientWidth, DesignedLeftPanelHeight + IdentBarHeight + StatusStripHeight);
}

void MainWindow::buildMenus() {
  QMenuBar* bar = menuBar();
  fileMenu = bar->addMenu(QString());
  openAction = fileMenu->addAction(QString());
  openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F3));
  saveAction = fileMenu->addAction(QString());
  saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F2));
  saveAsAction = fileMenu->addAction(QString());
  fileMenu->addSeparator();
  printRecordAction = fileMenu->addAction(QString());
  printConfigAction = fileMenu->addAction(QString());
  fileMenu->addSeparator();
  quitAction = fileMenu->addAction(QString());
  quitAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));

  communicationMenu = bar->addMenu(QString());
  readAction = communicationMenu->addAction(QString());
  readAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  sendAction = communicationMenu->addAction(QString());
  sendAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
  resetAction = communicationMenu->addAction(QString());
  resetAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));

  configurationMenu = bar->addMenu(QString());
  portSettingsAction = configurationMenu->addAction(QString());
  portSettingsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F8));

  serviceMenu = bar->addMenu(QString());
  historyAction = serviceMenu->addAction(QString());
  historyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  trafficMonitorAction = serviceMenu->addAction(QString());
  trafficMonitorAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
  walkTestAction = serviceMenu->addAction(QString());

  helpMenu = bar->addMenu(QString());
  aboutAction = helpMenu->addAction(QString());

  connect(openAction, &QAction::triggered, this, &MainWindow::openConfigFile);
  connect(saveAction, &QAction::triggered, this, &MainWindow::saveConfigFile);
  connect(saveAsAction, &QAction::triggered, this, &MainWindow::saveConfigFileAs);
  connect(quitAction, &QAction::triggered, this, &MainWindow::quitProgram);
  connect(readAction, &QAction::triggered, this, &MainWindow::readConfiguration);
  connect(sendAction, &QAction::triggered, this, &MainWindow::sendConfiguration);
  connect(resetAction, &QAction::triggered, this, &MainWindow::resetBlockMemory);
  connect(portSettingsAction, &QAction::triggered, this, &MainWindow::showPortSettings);
  connect(trafficMonitorAction, &QAction::triggered, this, &MainWindow::showTrafficMonitor);
  connect(aboutAction, &QAction::triggered, this, &MainWindow::showAbout);
  connect(historyAction, &QAction::triggered, this, &MainWindow::showHistory);
  connect(printRecordAction, &QAction::triggered, this, &MainWindow::printRecord);
  connect(printConfigAction, &QAction::triggered, this, &MainWindow::printConfiguration);
  connect(walkTestAction, &QAction::triggered, this, &MainWindow::showWalkTest);
}

void MainWindow::startUp() {
  const QString key = SettingsKey;
  // The caption grows the file's name during the run; the placement value
  // keeps the name it is loaded under.
  setPlacementHint(this, uiText(UiTexts::txtCaption));
  move(DesignedLeft, DesignedTop);  // kept when nothing is stored
  loadPortSettings(key, port, state.dtrOn, state.rtsOn);
  // Of the stored port settings only the port name takes effect at start.
  applyStartupLine(port, state.dtrOn, state.rtsOn);
  state.readStep = 0;
  state.writeStep = 0;
  state.resetPending = false;

  beeper = std::make_unique<AlarmBeeper>(std::make_unique<AlsaToneOutput>());
  beeper->repeatPattern = true;
  beeper->start();

  picture->setMaximumHeight(PictureMaxHeight);
  picturePanel->setMaximumWidth(PicturePanelMaxWidth);
  // Qt paints every widget through a backing store, so the picture panel is
  // double-buffered already.
  fitClient();
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  setTexts();
  // Placed once the size is final, so that the stored place is the frame's.
  loadWindowPlacement(this, key);
}

void MainWindow::setTexts() {
  // The editors' captions, units and grid headers come from the same table
  // when the parameter panel is built.
  // Image-only buttons: a screen reader has nothing but these names to read.
  for (auto [button, id] : {std::pair{readButton, UiTexts::txtRead}, std::pair{sendButton, UiTexts::txtSend},
                            std::pair{resetButton, UiTexts::txtResetBlockMemory}}) {
    button->setToolTip(uiText(id));
    button->setAccessibleName(uiText(id));
  }
  fileMenu->setTitle(uiText(UiTexts::txtFile));
  openAction->setText(uiText(UiTexts::txtOpen));
  saveAction->setText(uiText(UiTexts::txtSave));
  saveAsAction->setText(uiText(UiTexts::txtSaveAs));
  quitAction->setText(uiText(UiTexts::txtEnd));
  communicationMenu->setTitle(uiText(UiTexts::txtCommunication));
  readAction->setText(uiText(UiTexts::txtRead));
  sendAction->setText(uiText(UiTexts::txtSend));
  resetAction->setText(uiText(UiTexts::txtResetBlocks));
  configurationMenu->setTitle(uiText(UiTexts::txtConfiguration));
  portSettingsAction->setText(uiText(UiTexts::txtRs232));
  printRecordAction->setText(uiText(UiTexts::txtPrintRecordAction));
  printConfigAction->setText(uiText(UiTexts::txtPrintConfigAction));
  serviceMenu->setTitle(uiText(UiTexts::txtServiceMenu));
  historyAction->setText(uiText(UiTexts::txtHistoryItem));
  trafficMonitorAction->setText(uiText(UiTexts::txtMonitorItem));
  walkTestAction->setText(uiText(UiTexts::txtWalkTestAction));
  helpMenu->setTitle(uiText(UiTexts::txtHelp));
  aboutAction->setText(uiText(UiTexts::txtAbout));
}

void MainWindow::shutDown() {
  const QString key = SettingsKey;
  saveWindowPlacement(this, key);
  savePortSettings(key, port, state.dtrOn, state.rtsOn);
  if (beeper) {
    beeper->terminate();
    beeper.reset();  // waits for the pass in progress
  }
}

void MainWindow::setFileDialogs(std::unique_ptr<FileDialogs> dialogs) {
  fileDialogs = std::move(dialogs);
  fileCommands = std::make_unique<ConfigFileCommands>(
      model, configFileName, [this] { refreshEditors(); }, *fileDialogs,
      [this](const QString& notice) { link.showNotice(notice); });
  fileCommands->onFileDone = [this](bool saved, const QString& path, const BarrierConfig& config) {
    if (!saved) link.configurationLoaded();
    if (!journalRecorder) return;
    if (saved)
      journalRecorder->fileSaved(path, config);
    else
      journalRecorder->fileOpened(path, config);
  };
}

void MainWindow::startJournal(JournalOptions options) {
  if (journalRecorder) link.removeObserver(journalRecorder.get());
  journalRecorder.reset();
  journal = std::make_unique<JournalWriter>(std::move(options));
  // Told once in the log panel and a notice of its own; the program goes on,
  // and while the journal is off the status bar keeps saying so.
  statusStrip->showJournalOff(QString());
  journal->onFault = [this](const QString& text) {
    eventLog.addLogLine(text);
    journalNoticeBar->setText(text);
    if (!journal->working()) statusStrip->showJournalOff(text);
  };
  journalRecorder = std::make_unique<JournalRecorder>(*journal, QStringLiteral("orvita"), port.deviceName());
  link.addObserver(journalRecorder.get());
}

void MainWindow::createPortDialog() {
  if (!portDialog) portDialog = new PortSettingsDialog(port, state.dtrOn, state.rtsOn, this);
}

// ---- Events -----------------------------------------------------------------

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && watched == toolBar) {
    // A flat toolbar with etched edges at top and bottom only.
    QPainter p(toolBar);
    const int bottom = toolBar->height() - 2;
    p.setPen(toolBar->palette().color(QPalette::Dark));
    p.drawLine(0, 0, toolBar->width(), 0);
    p.drawLine(0, bottom, toolBar->width(), bottom);
    p.setPen(toolBar->palette().color(QPalette::Light));
    p.drawLine(0, 1, toolBar->width(), 1);
    p.drawLine(0, bottom + 1, toolBar->width(), bottom + 1);
  } else if (event->type() == QEvent::Resize) {
    if (watched == toolBar)
      layoutToolBar();
    else if (watched == leftPanel)
      layoutLeftPanel();
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::layoutToolBar() {
  const int width = toolBar->width() / 3;
  const int top = (toolBar->height() - ToolButtonHeight) / 2;
  int x = 0;
  for (QToolButton* button : {readButton, sendButton, resetButton}) {
    button->setGeometry(x, top, width, ToolButtonHeight);
    x += width;
  }
}

void MainWindow::layoutLeftPanel() {
  // The editors keep their height: while the log panel takes the bottom of
  // the window, their lower part is simply covered.
  const QRect inside = leftPanel->contentsRect();
  toolBar->setGeometry(inside.left(), inside.top(), inside.width(), ToolBarHeight);
  parameterPanel->setGeometry(inside.left(), inside.top() + ToolBarHeight, inside.width(),
                              parameterPanel->sizeHint().height());
  beeperLabel->move(inside.left() + 2, inside.bottom() - SmallLabelHeight);
  statusLabel->move(inside.left() + 2, beeperLabel->y() - SmallLabelHeight);
  statusLabel->raise();
  beeperLabel->raise();
}

void MainWindow::fitClient() {
  int bars = 0;
  for (NoticeBar* bar : {noticeBar, journalNoticeBar}) {
    const int height = bar->isHidden() ? 0 : bar->heightForWidth(ClientWidth);
    if (height > 0) bar->setFixedHeight(height);
    bars += height;
  }
  centralWidget()->setFixedSize(ClientWidth, ClientHeight + bars);
}

bool MainWindow::sendConfirmed() {
  if (const auto barriers = link.editsForAnotherBarrier()) {
    const auto& [madeFor, connected] = *barriers;
    if (!askYesNo(uiText(UiTexts::txtSendForOtherBarrier)
                      .arg(barrierNumber(madeFor, connected), barrierNumber(connected, madeFor))))
      return false;
  }
  const int configured = model.editConfig[BarrierConfig::BeamCount];
  if (!model.connected() || configured == model.beamCount) return true;
  return askYesNo(uiText(UiTexts::txtSendOtherBeamCount).arg(configured).arg(model.beamCount));
}

void MainWindow::openConfigFile() { fileCommands->openConfigFile(); }
void MainWindow::loadConfigFile(const QString& path) { fileCommands->loadConfigFile(path); }
void MainWindow::saveConfigFile() { fileCommands->saveConfigFile(); }
void MainWindow::saveConfigFileAs() { fileCommands->saveConfigFileAs(); }

void MainWindow::onCycleTimer() { link.cycleStep(); }

void MainWindow::onRefreshTimer() {
  drawBarrier();
  QString caption = uiText(UiTexts::txtCaption);
  if (!configFileName.isEmpty()) caption += QStringLiteral(" - ") + QFileInfo(configFileName).completeBaseName();
  if (windowTitle() != caption) setWindowTitle(caption);
}

void MainWindow::toggleLogPanel() {
  logPanelFrame->setVisible(logPanelFrame->isHidden());
  centralWidget()->layout()->activate();
  drawBarrier();
}

void MainWindow::readFromToolBar() { link.readCommand(true); }
void MainWindow::sendFromToolBar() {
  if (sendConfirmed()) link.sendCommand(true);
}
void MainWindow::resetFromToolBar() { link.resetCommand(true); }
void MainWindow::readConfiguration() { link.readCommand(false); }
void MainWindow::sendConfiguration() {
  if (sendConfirmed()) link.sendCommand(false);
}
void MainWindow::resetBlockMemory() { link.resetCommand(false); }

void MainWindow::showPortSettings() {
  const QString before = port.deviceName();
  link.portSettingsCommand();
  createPortDialog();
  portDialog->exec();
  // What was said of the barrier on the other port no longer applies here.
  if (port.deviceName() != before) link.showNotice(QString());
}

void MainWindow::showTrafficMonitor() {
  if (!trafficMonitor) {
    trafficMonitor = new TrafficMonitorWindow(link, eventLog, this);
    trafficMonitor->recorder.beamCount = [this] { return model.shownBeams(); };
    trafficMonitor->lineSettings = [this] {
      // Start bit, data bits, parity bit, stop bits (1.5 is sent as 2 here).
      const int bits = 1 + (int(port.dataBits()) - int(da4) + 4) + (port.parity() == paNone ? 0 : 1) +
                       (port.stopBits() == sb1_0 ? 1 : 2);
      return std::pair{baudRateValue(port.baudRate()), bits};
    };
    trafficMonitor->adapter = [this] {
      const PortChoice& adapter = port.adapter();
      TrafficMonitorWindow::Adapter shown{adapter.latencyTimerMs, {}};
      if (!adapter.vendorId.isEmpty()) shown.udevRule = latencyUdevRule(adapter.vendorId, adapter.productId);
      return shown;
    };
  }
  trafficMonitor->show();
  trafficMonitor->raise();
  trafficMonitor->activateWindow();
}

void MainWindow::showAbout() {
  if (!aboutWindow) {
    ownAboutWindow_ = std::make_unique<AboutWindow>();
    aboutWindow = ownAboutWindow_.get();
  }
  aboutWindow->showAbout();
}

// Not modal: the cycle and the journal go on while the history is looked at.
void MainWindow::showHistory() {
  if (!historyWindow) historyWindow = new HistoryWindow(journal ? journal->path() : journalPath(), this);
  if (historyWindow->isVisible())
    historyWindow->reload();
  else
    historyWindow->show();
  historyWindow->raise();
  historyWindow->activateWindow();
}

void MainWindow::quitProgram() { close(); }

WalkTestWindow& MainWindow::walkTest() {
  if (!walkTestWindow) {
    WalkTestWindow::Services services;
    services.portName = [this] { return port.deviceName(); };
    services.passChime = [this] {
      if (beeper) beeper->announcePass();
    };
    services.store = [this](const QString& json) {
      if (journalRecorder) journalRecorder->walkTest(json);
    };
    walkTestWindow = new WalkTestWindow(model, state, link, std::move(services), this);
  }
  return *walkTestWindow;
}

// Not modal: the cycle, the picture and the journal go on during the test.
void MainWindow::showWalkTest() {
  WalkTestWindow& window = walkTest();
  if (!window.isVisible()) {
    window.startTest();
    window.adjustSize();
    // Beside the main window, where the picture stays in sight: on its right
    // when the screen has room there, else on its left.
    const QRect screen = this->screen()->availableGeometry();
    const QRect main = frameGeometry();
    QPoint place(main.right() + 8, main.top());
    if (place.x() + window.width() > screen.right()) place.setX(main.left() - 8 - window.width());
    place.setX(std::clamp(place.x(), screen.left(), std::max(screen.left(), screen.right() - window.width())));
    place.setY(std::clamp(place.y(), screen.top(), std::max(screen.top(), screen.bottom() - window.height())));
    window.move(place);
  }
  window.show();
  window.raise();
  window.activateWindow();
}

void MainWindow::printRecord() { walkTest().printRecord(); }

void MainWindow::printConfiguration() {
  const bool barrierRead = model.connected() && state.readStep == 0;
  const ConfigurationSheet sheet = configurationSheet(model, barrierRead, configFileName, QDateTime::currentDateTime());
  outputDocument(this, uiText(UiTexts::txtConfigSheetTitle),
                 uiText(UiTexts::txtConfigSheetTitle) + sheet.printedAt.toString(QStringLiteral(" yyyy-MM-dd")) +
                     QStringLiteral(".pdf"),
                 [=](QPagedPaintDevice& device) { return paintConfigurationSheet(device, sheet); });
}

// ---- LinkView ---------------------------------------------------------------

void MainWindow::refreshEditors() { parameterPanel->refreshEditors(); }

void MainWindow::drawBarrier() { picture->drawBarrier(); }

void MainWindow::setBeep() {
  const std::uint32_t pattern = beepPattern(model.status.beamsAlert, model.connected());
  beeper->setPattern(pattern);
  beeperLabel->setText(numToHex(pattern));
  beeperLabel->adjustSize();
}

void MainWindow::setButtonEnabled(ToolButton button, bool enabled) {
  switch (button) {
    case ToolButton::Read:
      readButton->setEnabled(enabled);
      break;
    case ToolButton::Send:
      sendButton->setEnabled(enabled);
      break;
    case ToolButton::Reset:
      resetButton->setEnabled(enabled);
      break;
  }
}

void MainWindow::setIdentification(const QString& text, Rgb textColour, Rgb background) {
  QPalette palette = identificationLabel->palette();
  palette.setColor(QPalette::WindowText, toColor(textColour));
  palette.setColor(QPalette::Window, toColor(background));
  identificationLabel->setPalette(palette);
  identificationLabel->setText(text);
}

void MainWindow::setPortStatus(const QString& text) {
  // The text is the port's name followed by " opened" or " closed"; the name
  // alone gives way when the panel is too narrow.
  QString state;
  for (UiTexts::Id id : {UiTexts::txtOpened, UiTexts::txtClosed})
    if (text.endsWith(uiText(id))) state = uiText(id);
  QString toolTip = port.deviceName();
  const QString failure = port.isOpen() ? QString() : portFailureText(port);
  if (!failure.isEmpty()) toolTip += u'\n' + failure;
  statusStrip->showPort(text.chopped(state.size()), state, toolTip);
}

void MainWindow::setGauge(int progress, Rgb foreground, Rgb background) {
  activityGauge->setProgress(progress);
  activityGauge->setForeColor(toColor(foreground));
  activityGauge->setBackColor(toColor(background));
}

void MainWindow::showNotice(const QString& text) { noticeBar->setText(text); }

void MainWindow::offerSetAsideEdits() {
  noticeBar->offerAction(uiText(UiTexts::txtRestoreEdits), [this] { link.restoreSetAsideEdits(); });
}

void MainWindow::setStatusLabel(const QString& text) {
  const bool shown = logPanelVisible();
  // Hidden, the label waits for the status reply that shows it.
  if (shown && statusLabel->text() != text) {
    statusLabel->setText(text);
    statusLabel->adjustSize();
  }
  statusLabel->setVisible(shown);
  beeperLabel->setVisible(shown);
}

bool MainWindow::portDialogShowing() const { return portDialog && portDialog->isVisible(); }
bool MainWindow::stopTicked() const { return logPanel->stopTicked(); }
bool MainWindow::logPanelVisible() const { return !logPanelFrame->isHidden(); }
void MainWindow::restartCycleTimer() { cycleTimer.start(); }

// One timer, restarted: two status replies close together (a tick that
// crossed a reply) merge into one continuation instead of starting a second
// request chain.
void MainWindow::scheduleAfterStatus(int ms) { statusPause.start(std::chrono::milliseconds(ms)); }
