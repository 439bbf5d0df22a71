#include "PortSettingsDialog.h"

#include "PortList.h"
#include "TComm64.h"
#include "Unit1txt.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

// A captioned frame of radio buttons, one column evenly spread below the
// caption, each button's id its item index.
QGroupBox* MakeRadioGroup(QWidget* parent, const QString& caption, const QStringList& items, const QRect& geometry,
                          QButtonGroup*& buttons) {
  auto* box = new QGroupBox(caption, parent);
  box->setGeometry(geometry);
  buttons = new QButtonGroup(box);
  const int topMargin = box->fontMetrics().height() + 1;
  const int itemHeight = (geometry.height() - topMargin - 5) / int(items.size());
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], box);
    button->setGeometry(8, topMargin + i * itemHeight, geometry.width() - 10, itemHeight);
    buttons->addButton(button, i);
  }
  box->setEnabled(false);
  return box;
}

void SelectItem(QButtonGroup* group, int index) {
  if (QAbstractButton* button = group->button(index)) button->setChecked(true);
}

}  // namespace

TForm2::TForm2(TComm64& comm, bool& dtrOn, bool& rtsOn, QWidget* parent)
    : QDialog(parent, Qt::Tool), Comm(comm), DtrOn(dtrOn), RtsOn(rtsOn), portListSource_([] {
        QStringList list;
        FillPortList(list);
        return list;
      }) {
  setWindowTitle(Text(Unit1txt::txtPortSettings));
  QFont font = QApplication::font();
  font.setPointSize(8);
  setFont(font);
  setFixedSize(267, 302);
  move(331, 199);

  QStringList rates;
  for (int rate = cbr110; rate <= cbr921600; ++rate) rates << QString::number(BaudRateValue(TBaudRate(rate)));
  RadioGroup2 = MakeRadioGroup(this, Text(Unit1txt::txtBaudRate), rates, {8, 72, 81, 217}, RadioGroup2Items);

  Button1 = new QPushButton(Text(Unit1txt::txtOk), this);
  Button1->setGeometry(144, 259, 75, 25);
  Button1->setDefault(true);

  RadioGroup3 = MakeRadioGroup(this, Text(Unit1txt::txtDataSize),
                               {Text(Unit1txt::txt6Bits), Text(Unit1txt::txt7Bits), Text(Unit1txt::txt8Bits)},
                               {96, 72, 89, 65}, RadioGroup3Items);
  RadioGroup4 =
      MakeRadioGroup(this, Text(Unit1txt::txtStopBits),
                     {Text(Unit1txt::txt1StopBit), Text(Unit1txt::txt15StopBits), Text(Unit1txt::txt2StopBits)},
                     {96, 144, 89, 65}, RadioGroup4Items);
  RadioGroup5 =
      MakeRadioGroup(this, Text(Unit1txt::txtParity),
                     {Text(Unit1txt::txtParityNone), Text(Unit1txt::txtParityOdd), Text(Unit1txt::txtParityEven),
                      Text(Unit1txt::txtParityMark), Text(Unit1txt::txtParitySpace)},
                     {192, 72, 73, 137}, RadioGroup5Items);

  CheckBoxDTR = new QCheckBox(Text(Unit1txt::txtDtrSignal), this);
  CheckBoxDTR->setGeometry(97, 224, 73, 17);
  CheckBoxDTR->setEnabled(false);
  CheckBoxRTS = new QCheckBox(Text(Unit1txt::txtRtsSignal), this);
  CheckBoxRTS->setGeometry(194, 224, 73, 17);
  CheckBoxRTS->setEnabled(false);

  GroupBox4 = new QGroupBox(this);
  GroupBox4->setGeometry(8, 4, 257, 61);
  Label3 = new QLabel(Text(Unit1txt::txtPortLabel), GroupBox4);
  Label3->setGeometry(14, 27, 64, 13);
  CCB1 = new QComboBox(GroupBox4);
  CCB1->setGeometry(93, 22, 78, 21);
  CCB1->setEditable(false);
  CCB1->setInsertPolicy(QComboBox::NoInsert);
  Label3->setBuddy(CCB1);

  setTabOrder(RadioGroup2, Button1);
  setTabOrder(Button1, RadioGroup3);
  setTabOrder(RadioGroup3, RadioGroup4);
  setTabOrder(RadioGroup4, RadioGroup5);
  setTabOrder(RadioGroup5, CheckBoxDTR);
  setTabOrder(CheckBoxDTR, CheckBoxRTS);
  setTabOrder(CheckBoxRTS, GroupBox4);
  setTabOrder(GroupBox4, CCB1);

  // User actions only: showing the values must not write them back.
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  connect(CCB1, &QComboBox::activated, this, &TForm2::CCB1Change);
  connect(RadioGroup2Items, &QButtonGroup::idClicked, this, &TForm2::RadioGroup2Click);
  connect(RadioGroup3Items, &QButtonGroup::idClicked, this, &TForm2::RadioGroup3Click);
  connect(RadioGroup4Items, &QButtonGroup::idClicked, this, &TForm2::RadioGroup4Click);
  connect(RadioGroup5Items, &QButtonGroup::idClicked, this, &TForm2::RadioGroup5Click);
  connect(CheckBoxDTR, &QCheckBox::clicked, this, &TForm2::CheckBoxDTRClick);
  connect(CheckBoxRTS, &QCheckBox::clicked, this, &TForm2::CheckBoxRTSClick);
}

bool TForm2::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) FormActivate();
  return QDialog::event(e);
}

void TForm2::showEvent(QShowEvent* e) {
  FormActivate();
  QDialog::showEvent(e);
}

void TForm2::FormActivate() {
  const QStringList ports = portListSource_ ? portListSource_() : QStringList();
  {
    const QSignalBlocker blocker(CCB1);
    CCB1->clear();
    CCB1->addItems(ports);
    // A name not in the list shows the first entry but stays the port's name.
    CCB1->setCurrentIndex(ports.isEmpty() ? -1 : FindPortIndex(ports, Comm.DeviceName()));
  }

  SelectItem(RadioGroup4Items, Comm.Stopbits());
  SelectItem(RadioGroup2Items, Comm.BaudRate());
  // da4 and da5 have no item; the group keeps what it showed.
  if (Comm.Databits() >= da6) SelectItem(RadioGroup3Items, Comm.Databits() - da6);
  SelectItem(RadioGroup5Items, Comm.Parity());

  CheckBoxDTR->setChecked(DtrOn);
  CheckBoxRTS->setChecked(RtsOn);
}

void TForm2::CCB1Change(int index) {
  if (index >= 0) Comm.SetDeviceName(CCB1->itemText(index));
}

void TForm2::RadioGroup2Click(int index) { Comm.SetBaudRate(TBaudRate(index)); }

void TForm2::RadioGroup3Click(int index) { Comm.SetDatabits(TDatabits(da6 + index)); }

void TForm2::RadioGroup4Click(int index) { Comm.SetStopbits(TStopbits(index)); }

void TForm2::RadioGroup5Click(int index) { Comm.SetParity(TParity(index)); }

void TForm2::CheckBoxDTRClick(bool checked) {
  DtrOn = checked;
  Comm.SetDTR(checked);
}

void TForm2::CheckBoxRTSClick(bool checked) {
  RtsOn = checked;
  Comm.SetRTS(checked);
}
