#pragma once
// The port settings dialog: the user picks the port by its kernel name or a
// stable name, told apart by what the system knows of each device; the line
// parameters and the DTR and RTS levels are shown but disabled. A choice acts
// at once on the port object and the flags; there is no cancel. The caller
// closes the port before showing the dialog and reopens it afterwards. The
// designed sizes are the minimum; the font decides the rest.
#include <QDialog>
#include <QList>
#include <functional>

#include "serial/LineTypes.h"
#include "serial/PortList.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class SerialPort;

class PortSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  // The ports to offer, in the order to show them.
  using PortListSource = std::function<QList<PortChoice>()>;
  // Each list entry's port name, as the port opens it.
  static constexpr int PortNameRole = Qt::UserRole;

  PortSettingsDialog(SerialPort& port, bool& dtrOn, bool& rtsOn, QWidget* parent = nullptr);

  // Replaces portChoices as the source of the list (tests give their own).
  void setPortListSource(PortListSource source) { portListSource_ = std::move(source); }

  // Each group's buttons carry their item index as id.
  QGroupBox* baudRateGroup;  // baud rate
  QButtonGroup* baudRateButtons;
  QPushButton* okButton;
  QGroupBox* dataBitsGroup;  // data bits
  QButtonGroup* dataBitsButtons;
  QGroupBox* stopBitsGroup;  // stop bits
  QButtonGroup* stopBitsButtons;
  QGroupBox* parityGroup;  // parity
  QButtonGroup* parityButtons;
  QCheckBox* dtrBox;
  QCheckBox* rtsBox;
  QGroupBox* portGroup;
  QLabel* portLabel;
  QComboBox* portCombo;     // shows the port's name; the open list tells each device
  QLabel* portDescription;  // what the system knows of the chosen port

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  // Refills the port list and shows the port's current settings; changes none.
  void showPortState();
  void describeChosenPort();
  void onPortChosen(int index);
  void onBaudRateChosen(int index);
  void onDataBitsChosen(int index);
  void onStopBitsChosen(int index);
  void onParityChosen(int index);
  void onDtrToggled(bool checked);
  void onRtsToggled(bool checked);

  SerialPort& port_;
  bool& dtrOn_;
  bool& rtsOn_;
  PortListSource portListSource_;
};
