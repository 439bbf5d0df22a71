#pragma once
// The main window: owns the model, the link state, the port, the event log,
// the beeper and the two timers of the request cycle; lays out the editors,
// the picture, the log panel and the status strip; carries the menu and the
// toolbar. It is the LinkView of the device link.
#include <QFrame>
#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <memory>

#include "BarrierModel.h"
#include "DeviceLink.h"
#include "EventLog.h"
#include "LinkState.h"
#include "LinkView.h"
#include "TComm64.h"

class BarrierPicture;
class ConfigFileCommands;
class EventLogPanel;
class FileDialogs;
class ParameterPanel;
class PieGauge;
class QAction;
class QLabel;
class QMenu;
class QToolButton;
class TForm2;
class TForm3;
class TLCDBip;

// The status bar right of the activity gauge: two sunken text panels, 150
// and 50 wide; the rest stays empty. Tells of a double click anywhere on it.
class TStatusBar : public QFrame {
  Q_OBJECT
 public:
  explicit TStatusBar(QWidget* parent = nullptr);
  QLabel* Panel(int index) const { return index == 0 ? panel0_ : panel1_; }

 signals:
  void doubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QLabel* panel0_;
  QLabel* panel1_;
};

class TForm1 : public QMainWindow, public LinkView {
  Q_OBJECT
 public:
  // Runs FormCreate; both timers run from here on.
  explicit TForm1(QWidget* parent = nullptr);
  // Runs FormDestroy.
  ~TForm1() override;

  // The port settings dialog, created hidden after the window (start-up
  // order); the RS-232 command creates it when nobody did.
  void CreatePortDialog();
  // The splash window, which serves as the about window; the about command
  // creates one when none was handed over.
  void SetAboutWindow(TForm3* window) { Form3 = window; }
  // Replaces the platform's file dialogs and error box (tests give their own).
  void SetFileDialogs(std::unique_ptr<FileDialogs> dialogs);

  // LinkView
  void RefreshEditors() override;
  void DrawBarrier() override;
  void SetBeep() override;
  void SetButtonEnabled(ToolButton button, bool enabled) override;
  void SetIdentification(const QString& text, Rgb textColour, Rgb background) override;
  void SetPortStatus(const QString& text) override;
  void SetGauge(int progress, Rgb foreground, Rgb background) override;
  void SetStatusLabel(const QString& text) override;
  bool PortDialogShowing() const override;
  bool StopTicked() const override;
  bool LogPanelVisible() const override;
  void RestartCycleTimer() override;
  void ScheduleAfterStatus(int ms) override;

  // Event handlers.
  void Otwrz1Click();
  void Zapisz1Click();
  void Zapiszjako1Click();
  void Timer1Timer();
  void Timer2Timer();
  void StatusBar1DblClick();
  void ToolButton1Click();
  void ToolButton2Click();
  void ToolButton3Click();
  void Pobierz1Click();
  void Wylij1Click();
  void Resetblokad1Click();
  void RS2321Click();
  void Oprogramie1Click();
  void Koniec1Click();

  // What the window owns for the run (member order is construction order).
  BarrierModel model;
  LinkState state;
  EventLog eventLog;
  TComm64 Comm;
  DeviceLink link;
  QString configFileName;
  std::unique_ptr<TLCDBip> beeper;
  std::unique_ptr<FileDialogs> fileDialogs;
  std::unique_ptr<ConfigFileCommands> fileCommands;

  // Controls.
  QLabel* IdentLabel = nullptr;
  QFrame* LeftPanel = nullptr;
  QWidget* ToolBar1 = nullptr;
  QToolButton* ToolButton1 = nullptr;  // "Pobierz"
  QToolButton* ToolButton2 = nullptr;  // "Wyślij"
  QToolButton* ToolButton3 = nullptr;  // "Reset pam. blokad"
  ParameterPanel* Parameters = nullptr;
  QLabel* Label2 = nullptr;  // status label
  QLabel* Label3 = nullptr;  // beeper label
  QFrame* PicturePanel = nullptr;
  BarrierPicture* Image1 = nullptr;
  QFrame* Panel5 = nullptr;
  EventLogPanel* LogPanel = nullptr;
  PieGauge* G1 = nullptr;
  TStatusBar* StatusBar1 = nullptr;
  QTimer Timer1;
  QTimer Timer2;
  QTimer statusPause;  // from a status reply to the next request
  TForm2* Form2 = nullptr;
  TForm3* Form3 = nullptr;

  QMenu* Plik1 = nullptr;
  QAction* Otwrz1 = nullptr;
  QAction* Zapisz1 = nullptr;
  QAction* Zapiszjako1 = nullptr;
  QAction* Koniec1 = nullptr;
  QMenu* Komunikacja1 = nullptr;
  QAction* Pobierz1 = nullptr;
  QAction* Wylij1 = nullptr;
  QAction* Resetblokad1 = nullptr;
  QMenu* Konfiguracja1 = nullptr;
  QAction* RS2321 = nullptr;
  QMenu* Pomoc1 = nullptr;
  QAction* Oprogramie1 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void FormDestroy();
  void BuildControls();
  void BuildMenus();
  void SetTexts();
  void ToolBar1Resize();
  void LeftPanelResize();
  QString PortFailureText() const;

  std::unique_ptr<TForm3> ownAboutWindow_;
};
