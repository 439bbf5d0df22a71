#include "ui/PortSettingsDialog.h"

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

#include "serial/PortList.h"
#include "serial/SerialPort.h"
#include "texts/UiTexts.h"

namespace {

// A captioned frame of radio buttons, one column evenly spread below the
// caption, each button's id its item index.
QGroupBox* makeRadioGroup(QWidget* parent, const QString& caption, const QStringList& items, const QRect& geometry,
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

void selectItem(QButtonGroup* group, int index) {
  if (QAbstractButton* button = group->button(index)) button->setChecked(true);
}

}  // namespace

PortSettingsDialog::PortSettingsDialog(SerialPort& port, bool& dtrOn, bool& rtsOn, QWidget* parent)
    : QDialog(parent, Qt::Tool), port_(port), dtrOn_(dtrOn), rtsOn_(rtsOn), portListSource_([] {
        QStringList list;
        fillPortList(list);
        return list;
      }) {
  setWindowTitle(uiText(UiTexts::txtPortSettings));
  QFont font = QApplication::font();
  font.setPointSize(8);
  setFont(font);
  setFixedSize(267, 302);
  move(331, 199);

  QStringList rates;
  for (int rate = cbr110; rate <= cbr921600; ++rate) rates << QString::number(baudRateValue(BaudRate(rate)));
  baudRateGroup = makeRadioGroup(this, uiText(UiTexts::txtBaudRate), rates, {8, 72, 81, 217}, baudRateButtons);

  okButton = new QPushButton(uiText(UiTexts::txtOk), this);
  okButton->setGeometry(144, 259, 75, 25);
  okButton->setDefault(true);

  dataBitsGroup = makeRadioGroup(this, uiText(UiTexts::txtDataSize),
                                 {uiText(UiTexts::txt6Bits), uiText(UiTexts::txt7Bits), uiText(UiTexts::txt8Bits)},
                                 {96, 72, 89, 65}, dataBitsButtons);
  stopBitsGroup =
      makeRadioGroup(this, uiText(UiTexts::txtStopBits),
                     {uiText(UiTexts::txt1StopBit), uiText(UiTexts::txt15StopBits), uiText(UiTexts::txt2StopBits)},
                     {96, 144, 89, 65}, stopBitsButtons);
  parityGroup =
      makeRadioGroup(this, uiText(UiTexts::txtParity),
                     {uiText(UiTexts::txtParityNone), uiText(UiTexts::txtParityOdd), uiText(UiTexts::txtParityEven),
                      uiText(UiTexts::txtParityMark), uiText(UiTexts::txtParitySpace)},
                     {192, 72, 73, 137}, parityButtons);

  dtrBox = new QCheckBox(uiText(UiTexts::txtDtrSignal), this);
  dtrBox->setGeometry(97, 224, 73, 17);
  dtrBox->setEnabled(false);
  rtsBox = new QCheckBox(uiText(UiTexts::txtRtsSignal), this);
  rtsBox->setGeometry(194, 224, 73, 17);
  rtsBox->setEnabled(false);

  portGroup = new QGroupBox(this);
  portGroup->setGeometry(8, 4, 257, 61);
  portLabel = new QLabel(uiText(UiTexts::txtPortLabel), portGroup);
  portLabel->setGeometry(14, 27, 64, 13);
  portCombo = new QComboBox(portGroup);
  portCombo->setGeometry(93, 22, 78, 21);
  portCombo->setEditable(false);
  portCombo->setInsertPolicy(QComboBox::NoInsert);
  portLabel->setBuddy(portCombo);

  setTabOrder(baudRateGroup, okButton);
  setTabOrder(okButton, dataBitsGroup);
  setTabOrder(dataBitsGroup, stopBitsGroup);
  setTabOrder(stopBitsGroup, parityGroup);
  setTabOrder(parityGroup, dtrBox);
  setTabOrder(dtrBox, rtsBox);
  setTabOrder(rtsBox, portGroup);
  setTabOrder(portGroup, portCombo);

  // User actions only: showing the values must not write them back.
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(portCombo, &QComboBox::activated, this, &PortSettingsDialog::onPortChosen);
  connect(baudRateButtons, &QButtonGroup::idClicked, this, &PortSettingsDialog::onBaudRateChosen);
  connect(dataBitsButtons, &QButtonGroup::idClicked, this, &PortSettingsDialog::onDataBitsChosen);
  connect(stopBitsButtons, &QButtonGroup::idClicked, this, &PortSettingsDialog::onStopBitsChosen);
  connect(parityButtons, &QButtonGroup::idClicked, this, &PortSettingsDialog::onParityChosen);
  connect(dtrBox, &QCheckBox::clicked, this, &PortSettingsDialog::onDtrToggled);
  connect(rtsBox, &QCheckBox::clicked, this, &PortSettingsDialog::onRtsToggled);
}

bool PortSettingsDialog::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) showPortState();
  return QDialog::event(e);
}

void PortSettingsDialog::showEvent(QShowEvent* e) {
  showPortState();
  QDialog::showEvent(e);
}

void PortSettingsDialog::showPortState() {
  const QStringList ports = portListSource_ ? portListSource_() : QStringList();
  {
    const QSignalBlocker blocker(portCombo);
    portCombo->clear();
    portCombo->addItems(ports);
    // A name not in the list shows the first entry but stays the port's name.
    portCombo->setCurrentIndex(ports.isEmpty() ? -1 : findPortIndex(ports, port_.deviceName()));
  }

  selectItem(stopBitsButtons, port_.stopBits());
  selectItem(baudRateButtons, port_.baudRate());
  // da4 and da5 have no item; the group keeps what it showed.
  if (port_.dataBits() >= da6) selectItem(dataBitsButtons, port_.dataBits() - da6);
  selectItem(parityButtons, port_.parity());

  dtrBox->setChecked(dtrOn_);
  rtsBox->setChecked(rtsOn_);
}

void PortSettingsDialog::onPortChosen(int index) {
  if (index >= 0) port_.setDeviceName(portCombo->itemText(index));
}

void PortSettingsDialog::onBaudRateChosen(int index) { port_.setBaudRate(BaudRate(index)); }

void PortSettingsDialog::onDataBitsChosen(int index) { port_.setDataBits(DataBits(da6 + index)); }

void PortSettingsDialog::onStopBitsChosen(int index) { port_.setStopBits(StopBits(index)); }

void PortSettingsDialog::onParityChosen(int index) { port_.setParity(Parity(index)); }

void PortSettingsDialog::onDtrToggled(bool checked) {
  dtrOn_ = checked;
  port_.setDtr(checked);
}

void PortSettingsDialog::onRtsToggled(bool checked) {
  rtsOn_ = checked;
  port_.setRts(checked);
}
