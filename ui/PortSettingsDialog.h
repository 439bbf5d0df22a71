#pragma once
// The port settings dialog: the user picks the port by name; the line
// parameters and the DTR and RTS levels are shown but disabled. A choice acts
// at once on the port object and the flags; there is no cancel. The caller
// closes the port before showing the dialog and reopens it afterwards.
#include "LineTypes.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class TComm64;

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  // The names to offer, in the order to show them.
  using PortListSource = std::function<QStringList()>;

  TForm2(TComm64& comm, bool& DtrOn, bool& RtsOn, QWidget* parent = nullptr);

  // Replaces FillPortList as the source of the names (tests give their own).
  void SetPortListSource(PortListSource source) { portListSource_ = std::move(source); }

  // Each group's buttons carry their item index as id.
  QGroupBox* RadioGroup2;  // baud rate
  QButtonGroup* RadioGroup2Items;
  QPushButton* Button1;
  QGroupBox* RadioGroup3;  // data bits
  QButtonGroup* RadioGroup3Items;
  QGroupBox* RadioGroup4;  // stop bits
  QButtonGroup* RadioGroup4Items;
  QGroupBox* RadioGroup5;  // parity
  QButtonGroup* RadioGroup5Items;
  QCheckBox* CheckBoxDTR;
  QCheckBox* CheckBoxRTS;
  QGroupBox* GroupBox4;
  QLabel* Label3;
  QComboBox* CCB1;

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  // Refills the port list and shows the port's current settings; changes none.
  void FormActivate();
  void CCB1Change(int index);
  void RadioGroup2Click(int index);
  void RadioGroup3Click(int index);
  void RadioGroup4Click(int index);
  void RadioGroup5Click(int index);
  void CheckBoxDTRClick(bool checked);
  void CheckBoxRTSClick(bool checked);

  TComm64& Comm;
  bool& DtrOn;
  bool& RtsOn;
  PortListSource portListSource_;
};
