#include "ui/PortSettingsDialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStylePainter>
#include <QVBoxLayout>

#include "serial/SerialPort.h"
#include "texts/UiTexts.h"

namespace {

// A captioned frame of radio buttons in one column below the caption, each
// button's id its item index; at least the designed size.
QGroupBox* makeRadioGroup(QWidget* parent, const QString& caption, const QStringList& items, QSize minimum,
                          QButtonGroup*& buttons) {
  auto* box = new QGroupBox(caption, parent);
  box->setMinimumSize(minimum);
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(8, 2, 2, 2);
  column->setSpacing(0);
  buttons = new QButtonGroup(box);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], box);
    column->addWidget(button);
    buttons->addButton(button, i);
  }
  box->setEnabled(false);
  return box;
}

void selectItem(QButtonGroup* group, int index) {
  if (QAbstractButton* button = group->button(index)) button->setChecked(true);
}

// Shows the chosen port's name, elided in the middle when it is a long path,
// where a plain combo box would show the whole list entry.
class PortComboBox : public QComboBox {
 public:
  using QComboBox::QComboBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText = fontMetrics().elidedText(currentData(PortSettingsDialog::PortNameRole).toString(),
                                                  Qt::ElideMiddle, field.width() - 2);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
  }
};

bool deviceExists(const QString& name) {
  return QFileInfo::exists(name.startsWith(u'/') ? name : QStringLiteral("/dev/") + name);
}

}  // namespace

PortSettingsDialog::PortSettingsDialog(SerialPort& port, bool& dtrOn, bool& rtsOn, QWidget* parent)
    : QDialog(parent, Qt::Tool), port_(port), dtrOn_(dtrOn), rtsOn_(rtsOn), portListSource_([] {
        return portChoices();
      }) {
  setWindowTitle(uiText(UiTexts::txtPortSettings));
  QFont font = QApplication::font();
  font.setPointSize(8);
  setFont(font);
  // Not moved: Qt centres a dialog over its parent window.

  QStringList rates;
  for (int rate = cbr110; rate <= cbr921600; ++rate) rates << QString::number(baudRateValue(BaudRate(rate)));
  baudRateGroup = makeRadioGroup(this, uiText(UiTexts::txtBaudRate), rates, {81, 217}, baudRateButtons);

  okButton = new QPushButton(uiText(UiTexts::txtOk), this);
  okButton->setMinimumSize(75, 25);
  okButton->setDefault(true);

  dataBitsGroup = makeRadioGroup(this, uiText(UiTexts::txtDataSize),
                                 {uiText(UiTexts::txt6Bits), uiText(UiTexts::txt7Bits), uiText(UiTexts::txt8Bits)},
                                 {89, 65}, dataBitsButtons);
  stopBitsGroup =
      makeRadioGroup(this, uiText(UiTexts::txtStopBits),
                     {uiText(UiTexts::txt1StopBit), uiText(UiTexts::txt15StopBits), uiText(UiTexts::txt2StopBits)},
                     {89, 65}, stopBitsButtons);
  parityGroup =
      makeRadioGroup(this, uiText(UiTexts::txtParity),
                     {uiText(UiTexts::txtParityNone), uiText(UiTexts::txtParityOdd), uiText(UiTexts::txtParityEven),
                      uiText(UiTexts::txtParityMark), uiText(UiTexts::txtParitySpace)},
                     {73, 137}, parityButtons);

  dtrBox = new QCheckBox(uiText(UiTexts::txtDtrSignal), this);
  dtrBox->setMinimumSize(73, 17);
  dtrBox->setEnabled(false);
  rtsBox = new QCheckBox(uiText(UiTexts::txtRtsSignal), this);
  rtsBox->setMinimumSize(73, 17);
  rtsBox->setEnabled(false);

  portGroup = new QGroupBox(this);
  portGroup->setMinimumSize(257, 61);
  portLabel = new QLabel(uiText(UiTexts::txtPortLabel), portGroup);
  portLabel->setMinimumSize(64, 13);
  portCombo = new PortComboBox(portGroup);
  portCombo->setMinimumSize(78, 21);
  portCombo->setEditable(false);
  portCombo->setInsertPolicy(QComboBox::NoInsert);
  // The closed box shows names only; the open list is as wide as its entries.
  portCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  portLabel->setBuddy(portCombo);
  portDescription = new QLabel(portGroup);
  portDescription->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  auto* portRow = new QGridLayout(portGroup);
  portRow->setContentsMargins(14, 16, 8, 4);
  portRow->setHorizontalSpacing(15);
  portRow->setVerticalSpacing(2);
  portRow->addWidget(portLabel, 0, 0);
  portRow->addWidget(portCombo, 0, 1);
  portRow->addWidget(portDescription, 1, 1);
  portRow->setColumnStretch(1, 1);

  // The designed arrangement: the port frame on top; below it the speeds,
  // then data size over stop bits over DTR, then parity over RTS; OK at the
  // bottom right.
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(8, 4, 2, 13);
  grid->setSpacing(7);
  grid->addWidget(portGroup, 0, 0, 1, 3);
  grid->addWidget(baudRateGroup, 1, 0, 5, 1);
  grid->addWidget(dataBitsGroup, 1, 1);
  grid->addWidget(stopBitsGroup, 2, 1);
  grid->addWidget(parityGroup, 1, 2, 2, 1);
  grid->addWidget(dtrBox, 3, 1);
  grid->addWidget(rtsBox, 3, 2);
  grid->addWidget(okButton, 5, 1, 1, 2, Qt::AlignHCenter | Qt::AlignBottom);
  grid->setRowStretch(4, 1);
  grid->setSizeConstraint(QLayout::SetFixedSize);

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
  QList<PortChoice> choices = portListSource_ ? portListSource_() : QList<PortChoice>();
  QStringList names;
  for (const PortChoice& choice : choices) names << choice.name;
  int current = findPortIndex(names, port_.deviceName());
  // A pseudo-terminal, a stable name or an adapter unplugged since: shown as
  // the choice it is rather than as some other port.
  const bool unlisted = current < 0 && !port_.deviceName().isEmpty();
  if (unlisted) {
    choices.append({port_.deviceName(), port_.deviceName(), {}, {}, {}, {}, {}, {}});
    current = int(choices.size() - 1);
  }
  {
    const QSignalBlocker blocker(portCombo);
    portCombo->clear();
    for (qsizetype i = 0; i < choices.size(); ++i) {
      const PortChoice& choice = choices[i];
      QString description = deviceDescription(choice);
      // A stable name already carries the device's names.
      if (choice.name != choice.kernelName) description.clear();
      if (unlisted && i == current && !deviceExists(choice.name)) description = uiText(UiTexts::txtPortNotPresent);
      const QString entry =
          description.isEmpty() ? choice.name : uiText(UiTexts::txtPortListEntry).arg(choice.name, description);
      portCombo->addItem(entry, choice.name);
      portCombo->setItemData(int(i), entry, Qt::ToolTipRole);
      QString detail = deviceDescription(choice);
      if (detail.isEmpty()) detail = description;
      // How long the adapter holds received bytes back costs polls: told where known.
      if (choice.latencyTimerMs && !detail.isEmpty())
        detail = uiText(UiTexts::txtPortLatency).arg(detail).arg(*choice.latencyTimerMs);
      portCombo->setItemData(int(i), detail, Qt::AccessibleDescriptionRole);
    }
    portCombo->setCurrentIndex(current);
  }
  describeChosenPort();

  selectItem(stopBitsButtons, port_.stopBits());
  selectItem(baudRateButtons, port_.baudRate());
  // da4 and da5 have no item; the group keeps what it showed.
  if (port_.dataBits() >= da6) selectItem(dataBitsButtons, port_.dataBits() - da6);
  selectItem(parityButtons, port_.parity());

  dtrBox->setChecked(dtrOn_);
  rtsBox->setChecked(rtsOn_);
}

void PortSettingsDialog::describeChosenPort() {
  const int index = portCombo->currentIndex();
  const QString name = portCombo->itemData(index, PortNameRole).toString();
  const QString description = portCombo->itemData(index, Qt::AccessibleDescriptionRole).toString();
  portCombo->setToolTip(name);
  portDescription->setToolTip(description);
  portDescription->setText(
      portDescription->fontMetrics().elidedText(description, Qt::ElideRight, portDescription->width()));
}

void PortSettingsDialog::onPortChosen(int index) {
  if (index < 0) return;
  port_.setDeviceName(portCombo->itemData(index, PortNameRole).toString());
  describeChosenPort();
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
