#include "Form1.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstring>

#include "AlsaToneOutput.h"
#include "BarrierPicture.h"
#include "ConfigFileCommands.h"
#include "EventLogPanel.h"
#include "MyTools.h"
#include "ParameterPanel.h"
#include "PieGauge.h"
#include "PortAccess.h"
#include "PortSettings.h"
#include "PortSettingsDialog.h"
#include "Registry.h"
#include "Unit1txt.h"
#include "UnitBeep.h"
#include "UnitSplash.h"
#include "WindowPlacementWidget.h"

namespace {

// Sizes of the window as designed, in pixels.
constexpr int ClientWidth = 602;
constexpr int DesignedLeftPanelHeight = 497;
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

QColor ToColor(Rgb rgb) { return QColor(QRgb(rgb)); }

QFrame* SunkenBox(QWidget* parent) {
  auto* box = new QFrame(parent);
  box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  box->setLineWidth(1);
  return box;
}

void SetBackground(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

}  // namespace

// ---- TStatusBar -------------------------------------------------------------

TStatusBar::TStatusBar(QWidget* parent) : QFrame(parent), panel0_(new QLabel(this)), panel1_(new QLabel(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  for (auto [panel, width] : {std::pair{panel0_, 150}, std::pair{panel1_, 50}}) {
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setFixedWidth(width);
    panel->setIndent(2);
    layout->addWidget(panel);
  }
  layout->addStretch(1);
}

void TStatusBar::mouseDoubleClickEvent(QMouseEvent* event) {
  QFrame::mouseDoubleClickEvent(event);
  emit doubleClicked();
}

// ---- TForm1 -----------------------------------------------------------------

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      eventLog([] {
        const LogFilePaths files = LogFilesFor(QCoreApplication::applicationFilePath());
        return EventLog(files.eventFile, files.statusFile);
      }()),
      link(model, state, Comm, eventLog, *this) {
  Comm.OnRxCharSignal = [this](QObject*, std::int32_t count) { link.CommRxCharSignal(count); };
  BuildControls();
  BuildMenus();
  SetFileDialogs(std::make_unique<QtFileDialogs>(this));
  FormCreate();

  Timer1.setInterval(DeviceLink::CycleIntervalMs);
  connect(&Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  Timer2.setInterval(DeviceLink::RefreshIntervalMs);
  connect(&Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
  statusPause.setSingleShot(true);
  statusPause.setTimerType(Qt::PreciseTimer);  // 10 ms, where a coarse timer may add half a millisecond
  connect(&statusPause, &QTimer::timeout, this, [this] { link.StatusPauseElapsed(); });
  Timer1.start();
  Timer2.start();
}

TForm1::~TForm1() {
  Timer1.stop();
  Timer2.stop();
  statusPause.stop();
  FormDestroy();
  // The controls and the dialog refer to the members above; they go first.
  Comm.OnRxCharSignal = nullptr;
  delete Form2;
  Form2 = nullptr;
  delete takeCentralWidget();
}

void TForm1::BuildControls() {
  setWindowTitle(Text(Unit1txt::txtCaption));
  QFont font = QApplication::font();
  font.setPointSize(8);
  setFont(font);
  SetBackground(this, ToColor(colors::WindowFace));

  auto* client = new QWidget(this);
  setCentralWidget(client);
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  // Identification bar.
  auto* identBar = SunkenBox(client);
  identBar->setFixedHeight(IdentBarHeight);
  IdentLabel = new QLabel(identBar);
  QFont bold = font;
  bold.setBold(true);
  bold.setPixelSize(13);
  IdentLabel->setFont(bold);
  IdentLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  IdentLabel->setAutoFillBackground(true);
  auto* identLayout = new QHBoxLayout(identBar);
  identLayout->setContentsMargins(0, 0, 0, 0);
  identLayout->addWidget(IdentLabel);
  column->addWidget(identBar);

  // Left panel and picture panel.
  auto* middle = new QHBoxLayout;
  middle->setSpacing(0);
  column->addLayout(middle, 1);

  LeftPanel = SunkenBox(client);
  LeftPanel->setFixedWidth(LeftPanelWidth);
  LeftPanel->setLineWidth(2);
  SetBackground(LeftPanel, style()->standardPalette().color(QPalette::Window));

  ToolBar1 = new QWidget(LeftPanel);
  ToolBar1->setFixedHeight(ToolBarHeight);
  const char* images[] = {":/toolbar/toolbar_read.png", ":/toolbar/toolbar_send.png", ":/toolbar/toolbar_reset.png"};
  QToolButton** buttons[] = {&ToolButton1, &ToolButton2, &ToolButton3};
  for (int i = 0; i < 3; ++i) {
    auto* button = new QToolButton(ToolBar1);
    button->setAutoRaise(true);
    button->setIcon(QIcon(QString::fromLatin1(images[i])));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    *buttons[i] = button;
  }
  connect(ToolButton1, &QToolButton::clicked, this, &TForm1::ToolButton1Click);
  connect(ToolButton2, &QToolButton::clicked, this, &TForm1::ToolButton2Click);
  connect(ToolButton3, &QToolButton::clicked, this, &TForm1::ToolButton3Click);
  ToolBar1->installEventFilter(this);

  Parameters = new ParameterPanel(model, LeftPanel);
  Parameters->SetBeforeRefresh([this] {
    ToolButton1->setEnabled(state.readStep == 0);
    ToolButton2->setEnabled(state.writeStep == 0);
    ToolButton3->setEnabled(!state.resetPending);
  });

  QFont small = font;
  small.setPixelSize(10);
  Label2 = new QLabel(LeftPanel);
  Label3 = new QLabel(LeftPanel);
  for (QLabel* label : {Label2, Label3}) {
    // Opaque and as wide as their text, over whatever editor lies beneath.
    label->setFont(small);
    label->setAutoFillBackground(true);
    label->setFixedHeight(SmallLabelHeight);
    label->hide();
  }
  LeftPanel->installEventFilter(this);
  middle->addWidget(LeftPanel);

  PicturePanel = SunkenBox(client);
  SetBackground(PicturePanel, Qt::black);
  // The picture fills its parent, so it gets one inside the panel's border.
  auto* pictureArea = new QWidget(PicturePanel);
  auto* pictureLayout = new QHBoxLayout(PicturePanel);
  pictureLayout->setContentsMargins(PicturePanelBorder, PicturePanelBorder, PicturePanelBorder, PicturePanelBorder);
  pictureLayout->addWidget(pictureArea);
  Image1 = new BarrierPicture(
      model, [this] { return LogPanelVisible(); }, pictureArea);
  middle->addWidget(PicturePanel, 1);

  // Log panel, hidden until the status bar is double-clicked.
  Panel5 = new QFrame(client);
  Panel5->setFixedHeight(LogPanelHeight);
  LogPanel = new EventLogPanel(eventLog, Panel5);
  auto* logLayout = new QHBoxLayout(Panel5);
  logLayout->setContentsMargins(0, 0, 0, 0);
  logLayout->addWidget(LogPanel);
  Panel5->hide();
  column->addWidget(Panel5);

  // Status strip.
  auto* strip = new QWidget(client);
  strip->setFixedHeight(StatusStripHeight);
  auto* stripLayout = new QHBoxLayout(strip);
  stripLayout->setContentsMargins(0, 0, 0, 0);
  stripLayout->setSpacing(0);
  auto* emptyBox = SunkenBox(strip);
  emptyBox->setFixedWidth(106);
  stripLayout->addWidget(emptyBox);
  auto* gaugeBox = new QWidget(strip);
  gaugeBox->setFixedWidth(23);
  G1 = new PieGauge(gaugeBox);
  G1->setGeometry(0, 0, 22, 21);
  stripLayout->addWidget(gaugeBox);
  StatusBar1 = new TStatusBar(strip);
  connect(StatusBar1, &TStatusBar::doubleClicked, this, &TForm1::StatusBar1DblClick);
  stripLayout->addWidget(StatusBar1, 1);
  column->addWidget(strip);

  client->setFixedSize(ClientWidth, DesignedLeftPanelHeight + IdentBarHeight + StatusStripHeight);
}

void TForm1::BuildMenus() {
  QMenuBar* bar = menuBar();
  Plik1 = bar->addMenu(QString());
  Otwrz1 = Plik1->addAction(QString());
  Otwrz1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F3));
  Zapisz1 = Plik1->addAction(QString());
  Zapisz1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F2));
  Zapiszjako1 = Plik1->addAction(QString());
  Plik1->addSeparator();
  Koniec1 = Plik1->addAction(QString());
  Koniec1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));

  Komunikacja1 = bar->addMenu(QString());
  Pobierz1 = Komunikacja1->addAction(QString());
  Pobierz1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  Wylij1 = Komunikacja1->addAction(QString());
  Wylij1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
  Resetblokad1 = Komunikacja1->addAction(QString());
  Resetblokad1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));

  Konfiguracja1 = bar->addMenu(QString());
  RS2321 = Konfiguracja1->addAction(QString());
  RS2321->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F8));

  Pomoc1 = bar->addMenu(QString());
  Oprogramie1 = Pomoc1->addAction(QString());

  connect(Otwrz1, &QAction::triggered, this, &TForm1::Otwrz1Click);
  connect(Zapisz1, &QAction::triggered, this, &TForm1::Zapisz1Click);
  connect(Zapiszjako1, &QAction::triggered, this, &TForm1::Zapiszjako1Click);
  connect(Koniec1, &QAction::triggered, this, &TForm1::Koniec1Click);
  connect(Pobierz1, &QAction::triggered, this, &TForm1::Pobierz1Click);
  connect(Wylij1, &QAction::triggered, this, &TForm1::Wylij1Click);
  connect(Resetblokad1, &QAction::triggered, this, &TForm1::Resetblokad1Click);
  connect(RS2321, &QAction::triggered, this, &TForm1::RS2321Click);
  connect(Oprogramie1, &QAction::triggered, this, &TForm1::Oprogramie1Click);
}

void TForm1::FormCreate() {
  const QString key = SettingsKey;
  // The caption grows the file's name during the run; the placement value
  // keeps the name it is loaded under.
  SetPlacementHint(this, Text(Unit1txt::txtCaption));
  LoadWindowPlacement(this, key);
  LoadPortSettings(key, Comm, state.DtrOn, state.RtsOn);
  // Of the stored port settings only the port name takes effect at start.
  ApplyStartupLine(Comm, state.DtrOn, state.RtsOn);
  state.readStep = 0;
  state.writeStep = 0;
  state.resetPending = false;

  beeper = std::make_unique<TLCDBip>(std::make_unique<AlsaToneOutput>());
  beeper->RepeatPattern = true;
  beeper->Start();

  Image1->setMaximumHeight(PictureMaxHeight);
  PicturePanel->setMaximumWidth(PicturePanelMaxWidth);
  // Qt paints every widget through a backing store, so the picture panel is
  // double-buffered already.
  centralWidget()->setFixedSize(ClientWidth, DesignedLeftPanelHeight - 15);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  SetTexts();
}

void TForm1::SetTexts() {
  // The editors' captions, units and grid headers come from the same table
  // when the parameter panel is built.
  ToolButton1->setToolTip(Text(Unit1txt::txtRead));
  ToolButton2->setToolTip(Text(Unit1txt::txtSend));
  ToolButton3->setToolTip(Text(Unit1txt::txtResetBlockMemory));
  Plik1->setTitle(Text(Unit1txt::txtFile));
  Otwrz1->setText(Text(Unit1txt::txtOpen));
  Zapisz1->setText(Text(Unit1txt::txtSave));
  Zapiszjako1->setText(Text(Unit1txt::txtSaveAs));
  Koniec1->setText(Text(Unit1txt::txtEnd));
  Komunikacja1->setTitle(Text(Unit1txt::txtCommunication));
  Pobierz1->setText(Text(Unit1txt::txtRead));
  Wylij1->setText(Text(Unit1txt::txtSend));
  Resetblokad1->setText(Text(Unit1txt::txtResetBlocks));
  Konfiguracja1->setTitle(Text(Unit1txt::txtConfiguration));
  RS2321->setText(Text(Unit1txt::txtRs232));
  Pomoc1->setTitle(Text(Unit1txt::txtHelp));
  Oprogramie1->setText(Text(Unit1txt::txtAbout));
}

void TForm1::FormDestroy() {
  const QString key = SettingsKey;
  SaveWindowPlacement(this, key);
  SavePortSettings(key, Comm, state.DtrOn, state.RtsOn);
  if (beeper) {
    beeper->Terminate();
    beeper.reset();  // waits for the pass in progress
  }
}

void TForm1::SetFileDialogs(std::unique_ptr<FileDialogs> dialogs) {
  fileDialogs = std::move(dialogs);
  fileCommands = std::make_unique<ConfigFileCommands>(
      model, configFileName, [this] { RefreshEditors(); }, *fileDialogs);
}

void TForm1::CreatePortDialog() {
  if (!Form2) Form2 = new TForm2(Comm, state.DtrOn, state.RtsOn, this);
}

// ---- Events -----------------------------------------------------------------

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && watched == ToolBar1) {
    // A flat toolbar with etched edges at top and bottom only.
    QPainter p(ToolBar1);
    const int bottom = ToolBar1->height() - 2;
    p.setPen(ToolBar1->palette().color(QPalette::Dark));
    p.drawLine(0, 0, ToolBar1->width(), 0);
    p.drawLine(0, bottom, ToolBar1->width(), bottom);
    p.setPen(ToolBar1->palette().color(QPalette::Light));
    p.drawLine(0, 1, ToolBar1->width(), 1);
    p.drawLine(0, bottom + 1, ToolBar1->width(), bottom + 1);
  } else if (event->type() == QEvent::Resize) {
    if (watched == ToolBar1)
      ToolBar1Resize();
    else if (watched == LeftPanel)
      LeftPanelResize();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::ToolBar1Resize() {
  const int width = ToolBar1->width() / 3;
  const int top = (ToolBar1->height() - ToolButtonHeight) / 2;
  int x = 0;
  for (QToolButton* button : {ToolButton1, ToolButton2, ToolButton3}) {
    button->setGeometry(x, top, width, ToolButtonHeight);
    x += width;
  }
}

void TForm1::LeftPanelResize() {
  // The editors keep their height: while the log panel takes the bottom of
  // the window, their lower part is simply covered.
  const QRect inside = LeftPanel->contentsRect();
  ToolBar1->setGeometry(inside.left(), inside.top(), inside.width(), ToolBarHeight);
  Parameters->setGeometry(inside.left(), inside.top() + ToolBarHeight, inside.width(), Parameters->sizeHint().height());
  Label3->move(inside.left() + 2, inside.bottom() - SmallLabelHeight);
  Label2->move(inside.left() + 2, Label3->y() - SmallLabelHeight);
  Label2->raise();
  Label3->raise();
}

void TForm1::Otwrz1Click() { fileCommands->Otwrz1Click(); }
void TForm1::Zapisz1Click() { fileCommands->Zapisz1Click(); }
void TForm1::Zapiszjako1Click() { fileCommands->Zapiszjako1Click(); }

void TForm1::Timer1Timer() { link.CycleStep(); }

void TForm1::Timer2Timer() {
  DrawBarrier();
  QString caption = Text(Unit1txt::txtCaption);
  if (!configFileName.isEmpty()) caption += QStringLiteral(" - ") + FileTitle(configFileName);
  if (windowTitle() != caption) setWindowTitle(caption);
}

void TForm1::StatusBar1DblClick() {
  Panel5->setVisible(Panel5->isHidden());
  centralWidget()->layout()->activate();
  DrawBarrier();
}

void TForm1::ToolButton1Click() { link.ReadCommand(true); }
void TForm1::ToolButton2Click() { link.SendCommand(true); }
void TForm1::ToolButton3Click() { link.ResetCommand(true); }
void TForm1::Pobierz1Click() { link.ReadCommand(false); }
void TForm1::Wylij1Click() { link.SendCommand(false); }
void TForm1::Resetblokad1Click() { link.ResetCommand(false); }

void TForm1::RS2321Click() {
  link.PortSettingsCommand();
  CreatePortDialog();
  Form2->exec();
}

void TForm1::Oprogramie1Click() {
  if (!Form3) {
    ownAboutWindow_ = std::make_unique<TForm3>();
    Form3 = ownAboutWindow_.get();
  }
  Form3->ShowAbout();
}

void TForm1::Koniec1Click() { close(); }

// ---- LinkView ---------------------------------------------------------------

void TForm1::RefreshEditors() { Parameters->RefreshEditors(); }

void TForm1::DrawBarrier() { Image1->DrawBarrier(); }

void TForm1::SetBeep() {
  const std::uint32_t pattern = BeepPattern(model.status.beamsAlert, model.Connected());
  beeper->SetPattern(pattern);
  Label3->setText(NumToHex(pattern));
  Label3->adjustSize();
}

void TForm1::SetButtonEnabled(ToolButton button, bool enabled) {
  switch (button) {
    case ToolButton::Read:
      ToolButton1->setEnabled(enabled);
      break;
    case ToolButton::Send:
      ToolButton2->setEnabled(enabled);
      break;
    case ToolButton::Reset:
      ToolButton3->setEnabled(enabled);
      break;
  }
}

void TForm1::SetIdentification(const QString& text, Rgb textColour, Rgb background) {
  QPalette palette = IdentLabel->palette();
  palette.setColor(QPalette::WindowText, ToColor(textColour));
  palette.setColor(QPalette::Window, ToColor(background));
  IdentLabel->setPalette(palette);
  IdentLabel->setText(text);
}

void TForm1::SetPortStatus(const QString& text) {
  QLabel* panel = StatusBar1->Panel(0);
  panel->setText(text);
  panel->setToolTip(Comm.IsOpen() ? QString() : PortFailureText());
}

QString TForm1::PortFailureText() const {
  switch (Comm.LastOpenFailure()) {
    case OpenFailure::None:
      return {};
    case OpenFailure::NoDevice:
      return Text(Unit1txt::txtPortNoDevice);
    case OpenFailure::NoPermission: {
      const PortAccess access = CheckPortAccess(Comm.LastOpenPath().toStdString());
      if (!access.known) break;
      const QString group = QString::fromStdString(access.groupName);
      QString text = Text(Unit1txt::txtPortNoPermission).arg(Comm.LastOpenPath(), group);
      if (access.mustLogInAgain)
        text += QLatin1Char(' ') + Text(Unit1txt::txtPortRelogin).arg(group);
      else if (!access.userInGroup)
        text += QLatin1Char(' ') + Text(Unit1txt::txtPortAddToGroup).arg(group);
      return text;
    }
    case OpenFailure::InUse:
      return Text(Unit1txt::txtPortInUse);
    case OpenFailure::NotTerminal:
      return Text(Unit1txt::txtPortNotTerminal);
    case OpenFailure::Other:
      break;
  }
  return Text(Unit1txt::txtPortOtherError).arg(QString::fromLocal8Bit(std::strerror(Comm.LastOpenErrno())));
}

void TForm1::SetGauge(int progress, Rgb foreground, Rgb background) {
  G1->SetProgress(progress);
  G1->SetForeColor(ToColor(foreground));
  G1->SetBackColor(ToColor(background));
}

void TForm1::SetStatusLabel(const QString& text) {
  Label2->setText(text);
  Label2->adjustSize();
  const bool shown = LogPanelVisible();
  Label2->setVisible(shown);
  Label3->setVisible(shown);
}

bool TForm1::PortDialogShowing() const { return Form2 && Form2->isVisible(); }
bool TForm1::StopTicked() const { return LogPanel->StopTicked(); }
bool TForm1::LogPanelVisible() const { return !Panel5->isHidden(); }
void TForm1::RestartCycleTimer() { Timer1.start(); }

// One timer, restarted: two status replies close together (a tick that
// crossed a reply) merge into one continuation instead of starting a second
// request chain.
void TForm1::ScheduleAfterStatus(int ms) { statusPause.start(ms); }
