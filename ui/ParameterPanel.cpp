#include "ui/ParameterPanel.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "model/Colors.h"
#include "texts/UiTexts.h"
#include "ui/BeamGrid.h"
#include "util/NumberText.h"

namespace {

constexpr int PanelWidth = 206;
constexpr int RadioGroupHeight = 38;
constexpr int BeamBoxHeight = 293;
constexpr int SerialBoxHeight = 44;
constexpr int RowLabelWidth = 113;

// An entry of up to `digits` digits, shown right-aligned so that unfilled
// positions appear as blanks in front of the number.
QLineEdit* digitEntry(int digits, bool filterByValidator, const QFont* font, QWidget* parent) {
  auto* entry = new QLineEdit(parent);
  if (font) entry->setFont(*font);
  entry->setMaxLength(digits);
  entry->setAlignment(Qt::AlignRight);
  if (filterByValidator) {
    entry->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(digits)), entry));
  }
  const QFontMetrics metrics(entry->font());
  entry->setFixedWidth(metrics.horizontalAdvance(QLatin1Char('0')) * digits + 14);
  return entry;
}

QLabel* rowLabel(UiTexts::Id id, QWidget* parent) {
  auto* label = new QLabel(uiText(id) + QLatin1Char(':'), parent);
  label->setFixedWidth(RowLabelWidth);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

std::uint32_t entryValue(const QLineEdit* entry) { return std::uint32_t(textToNum(entry->text())); }

}  // namespace

ParameterPanel::ParameterPanel(BarrierModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  buildLayout();
  windowColor_ = blockTimeEntry_->palette().color(QPalette::Base);

  connect(grid_, &BeamGrid::cellTextEdited, this,
          [this](int row, int column, const QString& text) { onCellTextEdited(column, row, text); });
  connect(grid_, &BeamGrid::cellEditStarted, this,
          [this](int row, int column) { byteBeforeEdit_ = model_.editConfig[BeamGrid::configIndex(row, column)]; });
  // An abandoned edit leaves the cell text as it was; the stored byte follows it.
  connect(grid_, &BeamGrid::cellEditReverted, this, [this](int row, int column) {
    model_.editConfig[BeamGrid::configIndex(row, column)] = byteBeforeEdit_;
    grid_->viewport()->update();
  });
  connect(radioButtonGroup_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) onAlarmModeClicked();
  });
  connect(blockTimeEntry_, &QLineEdit::textChanged, this, &ParameterPanel::onBlockTimeEdited);
  connect(serialEntry_, &QLineEdit::textChanged, this, &ParameterPanel::onSerialEdited);
  connect(coveredTimeEntry_, &QLineEdit::textChanged, this, &ParameterPanel::onCoveredTimeEdited);
  for (QLineEdit* entry : {blockTimeEntry_, serialEntry_, coveredTimeEntry_}) entry->installEventFilter(this);

  refreshEditors();
}

// The children outlive this part of the panel; nothing they report while
// being torn down (a focus leaving an entry) may reach the handlers.
ParameterPanel::~ParameterPanel() {
  for (QObject* child :
       std::initializer_list<QObject*>{grid_, radioButtonGroup_, blockTimeEntry_, serialEntry_, coveredTimeEntry_}) {
    child->removeEventFilter(this);
    child->disconnect(this);
  }
}

void ParameterPanel::buildLayout() {
  setFixedWidth(PanelWidth);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  radioGroup_ = new QGroupBox(uiText(UiTexts::txtAlarming), this);
  radioGroup_->setObjectName(QStringLiteral("alarmModeGroup"));
  radioGroup_->setFixedHeight(RadioGroupHeight);
  radioGroup_->setAutoFillBackground(true);
  auto* radioRow = new QHBoxLayout(radioGroup_);
  radioRow->setContentsMargins(6, 0, 2, 2);
  radioButtonGroup_ = new QButtonGroup(this);
  const UiTexts::Id radioTexts[] = {UiTexts::txtOneBeam, UiTexts::txtTwoBeams};
  for (int i = 0; i < 2; ++i) {
    radioButtons_[std::size_t(i)] = new QRadioButton(uiText(radioTexts[i]), radioGroup_);
    radioButtonGroup_->addButton(radioButtons_[std::size_t(i)], i);
    radioRow->addWidget(radioButtons_[std::size_t(i)]);
  }
  column->addWidget(radioGroup_);

  auto* beamBox = new QGroupBox(uiText(UiTexts::txtBeamParameters), this);
  beamBox->setFixedHeight(BeamBoxHeight);
  auto* beamColumn = new QVBoxLayout(beamBox);
  beamColumn->setContentsMargins(4, 4, 4, 4);
  beamColumn->setSpacing(4);
  grid_ = new BeamGrid(model_, beamBox);
  beamColumn->addWidget(grid_, 0, Qt::AlignHCenter);

  const QFont fixed = [] {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(13);
    return font;
  }();

  auto* autoBlockRow = new QHBoxLayout;
  autoBlockRow->addWidget(rowLabel(UiTexts::txtAutoBlockTime, beamBox));
  blockTimeEntry_ = digitEntry(3, true, nullptr, beamBox);
  blockTimeEntry_->setObjectName(QStringLiteral("blockTimeEntry"));
  // Named after their row rather than the group box around them.
  blockTimeEntry_->setAccessibleName(uiText(UiTexts::txtAutoBlockTime));
  blockTimeEntry_->setAccessibleDescription(uiText(UiTexts::txtSeconds));
  autoBlockRow->addWidget(blockTimeEntry_);
  autoBlockRow->addWidget(new QLabel(uiText(UiTexts::txtSeconds), beamBox));
  autoBlockRow->addStretch();
  beamColumn->addLayout(autoBlockRow);

  auto* separator = new QFrame(beamBox);
  separator->setFrameShape(QFrame::HLine);
  separator->setFrameShadow(QFrame::Sunken);
  beamColumn->addWidget(separator);

  auto* coveredRow = new QHBoxLayout;
  coveredRow->addWidget(rowLabel(UiTexts::txtMaxCoveredTime, beamBox));
  // No mask: the key filter in eventFilter() keeps it to digits.
  coveredTimeEntry_ = digitEntry(3, false, &fixed, beamBox);
  coveredTimeEntry_->setObjectName(QStringLiteral("coveredTimeEntry"));
  coveredTimeEntry_->setAccessibleName(uiText(UiTexts::txtMaxCoveredTime));
  coveredTimeEntry_->setAccessibleDescription(uiText(UiTexts::txtMinutes));
  coveredRow->addWidget(coveredTimeEntry_);
  coveredRow->addWidget(new QLabel(uiText(UiTexts::txtMinutes), beamBox));
  coveredRow->addStretch();
  beamColumn->addLayout(coveredRow);
  beamColumn->addStretch();
  column->addWidget(beamBox);

  auto* serialBox = new QGroupBox(uiText(UiTexts::txtTransmitterSerial), this);
  serialBox->setFixedHeight(SerialBoxHeight);
  auto* serialRow = new QHBoxLayout(serialBox);
  serialRow->setContentsMargins(6, 0, 6, 2);
  serialEntry_ = digitEntry(5, true, &fixed, serialBox);
  serialEntry_->setObjectName(QStringLiteral("serialEntry"));
  serialEntry_->setAccessibleName(uiText(UiTexts::txtTransmitterSerial));
  serialRow->addWidget(serialEntry_);
  serialRow->addStretch();
  column->addWidget(serialBox);
  column->addStretch();
}

QTableWidget* ParameterPanel::beamTable() const { return grid_; }

QColor ParameterPanel::panelColor() const { return palette().color(QPalette::Window); }

void ParameterPanel::refreshEditors() {
  if (beforeRefresh_) beforeRefresh_();

  const std::uint8_t mode = model_.editConfig[BarrierConfig::AlarmMode];
  radioButtons_[mode > 1 ? 1 : mode]->setChecked(true);
  onAlarmModeClicked();

  grid_->cancelEdit();
  for (int r = 1; r <= MaxBeams; ++r) {
    QString response, autoBlock;
    if (r <= model_.shownBeams()) {
      response = BeamGrid::normalisedCellText(BeamGrid::ResponseColumn,
                                              QString::number(model_.editConfig[BarrierConfig::responseTime(r)] * 40));
      autoBlock = QString::number(model_.editConfig[BarrierConfig::autoBlockCount(r)]);
    }
    grid_->item(r, BeamGrid::ResponseColumn)->setText(response);
    grid_->item(r, BeamGrid::AutoBlockColumn)->setText(autoBlock);
  }

  blockTimeEntry_->setText(QString::number(model_.editConfig[BarrierConfig::AutoBlockTime]));
  onBlockTimeEdited();
  serialEntry_->setText(QString::number(model_.editConfig.transmitterSerial()));
  onSerialEdited();
  coveredTimeEntry_->setText(QString::number(model_.editConfig[BarrierConfig::MaxCoveredTime]));
  onCoveredTimeEdited();

  grid_->viewport()->update();
}

void ParameterPanel::onCellTextEdited(int column, int row, const QString& text) {
  if (row < 1 || row > MaxBeams) return;
  const auto value = std::uint32_t(textToNum(text));
  model_.editConfig[BeamGrid::configIndex(row, column)] =
      column == BeamGrid::ResponseColumn ? editrule::responseTimeFromMs(value) : editrule::byteFromEntry(value);
  grid_->viewport()->update();
}

void ParameterPanel::onAlarmModeClicked() {
  const int index = radioButtonGroup_->checkedId();
  if (index < 0) return;
  model_.editConfig[BarrierConfig::AlarmMode] = std::uint8_t(index);
  QPalette palette = radioGroup_->palette();
  palette.setColor(QPalette::Window,
                   model_.changed(BarrierConfig::AlarmMode) ? QColor::fromRgb(colors::ChangedValue) : panelColor());
  radioGroup_->setPalette(palette);
}

void ParameterPanel::setEntryColor(QLineEdit* entry, bool changed) {
  QPalette palette = entry->palette();
  palette.setColor(QPalette::Base, changed ? QColor::fromRgb(colors::ChangedValue) : windowColor_);
  entry->setPalette(palette);
}

void ParameterPanel::onBlockTimeEdited() {
  model_.editConfig[BarrierConfig::AutoBlockTime] = editrule::byteFromEntry(entryValue(blockTimeEntry_));
  setEntryColor(blockTimeEntry_, model_.changed(BarrierConfig::AutoBlockTime));
}

void ParameterPanel::onBlockTimeLeft() {
  blockTimeEntry_->setText(QString::number(model_.editConfig[BarrierConfig::AutoBlockTime]));
}

void ParameterPanel::onSerialEdited() {
  const std::uint16_t serial = editrule::serialFromEntry(entryValue(serialEntry_));
  model_.editConfig[BarrierConfig::SerialHigh] = std::uint8_t(serial >> 8);
  model_.editConfig[BarrierConfig::SerialLow] = std::uint8_t(serial & 0xFF);
  setEntryColor(serialEntry_, model_.changed(BarrierConfig::SerialHigh) || model_.changed(BarrierConfig::SerialLow));
}

void ParameterPanel::onSerialLeft() { serialEntry_->setText(QString::number(model_.editConfig.transmitterSerial())); }

void ParameterPanel::onCoveredTimeEdited() {
  model_.editConfig[BarrierConfig::MaxCoveredTime] = editrule::byteFromEntry(entryValue(coveredTimeEntry_));
  setEntryColor(coveredTimeEntry_, model_.changed(BarrierConfig::MaxCoveredTime));
}

void ParameterPanel::onCoveredTimeLeft() {
  coveredTimeEntry_->setText(QString::number(model_.editConfig[BarrierConfig::MaxCoveredTime]));
  onCoveredTimeEdited();
}

bool ParameterPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    // Leaving the entry, not the window losing focus or a context menu opening.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      if (watched == blockTimeEntry_) onBlockTimeLeft();
      if (watched == serialEntry_) onSerialLeft();
      if (watched == coveredTimeEntry_) onCoveredTimeLeft();
    }
  } else if (event->type() == QEvent::KeyPress && watched == coveredTimeEntry_) {
    // Every typed character but a digit is dropped, backspace included;
    // keys that move the focus or delete forward are not characters.
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Backspace:
        return true;
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Escape:
      case Qt::Key_Delete:
        return false;
      default:
        break;
    }
    const QString text = key->text();
    if (!text.isEmpty() && !(text.size() == 1 && isDigit(text[0]))) return true;
  }
  return QWidget::eventFilter(watched, event);
}
