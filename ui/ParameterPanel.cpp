#include "ParameterPanel.h"

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

#include "BeamGrid.h"
#include "Colors.h"
#include "MyTools.h"
#include "Unit1txt.h"

namespace {

constexpr int PanelWidth = 206;
constexpr int RadioGroupHeight = 38;
constexpr int BeamBoxHeight = 293;
constexpr int SerialBoxHeight = 44;
constexpr int RowLabelWidth = 113;

// An entry of up to `digits` digits, shown right-aligned so that unfilled
// positions appear as blanks in front of the number.
QLineEdit* DigitEntry(int digits, bool filterByValidator, const QFont* font, QWidget* parent) {
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

QLabel* RowLabel(Unit1txt::Id id, QWidget* parent) {
  auto* label = new QLabel(Text(id) + QLatin1Char(':'), parent);
  label->setFixedWidth(RowLabelWidth);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

std::uint32_t EntryValue(const QLineEdit* entry) { return std::uint32_t(TextToNum(entry->text())); }

}  // namespace

ParameterPanel::ParameterPanel(BarrierModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  BuildLayout();
  windowColor_ = maskEdit1_->palette().color(QPalette::Base);

  connect(grid_, &BeamGrid::cellTextEdited, this,
          [this](int row, int column, const QString& text) { SG1SetEditText(column, row, text); });
  connect(grid_, &BeamGrid::cellEditStarted, this,
          [this](int row, int column) { byteBeforeEdit_ = model_.editConfig[BeamGrid::ConfigIndex(row, column)]; });
  // An abandoned edit leaves the cell text as it was; the stored byte follows it.
  connect(grid_, &BeamGrid::cellEditReverted, this, [this](int row, int column) {
    model_.editConfig[BeamGrid::ConfigIndex(row, column)] = byteBeforeEdit_;
    grid_->viewport()->update();
  });
  connect(radioButtonGroup_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) RadioGroup1Click();
  });
  connect(maskEdit1_, &QLineEdit::textChanged, this, &ParameterPanel::MaskEdit1Change);
  connect(maskEdit2_, &QLineEdit::textChanged, this, &ParameterPanel::MaskEdit2Change);
  connect(maskEdit3_, &QLineEdit::textChanged, this, &ParameterPanel::MaskEdit3Change);
  for (QLineEdit* entry : {maskEdit1_, maskEdit2_, maskEdit3_}) entry->installEventFilter(this);

  RefreshEditors();
}

// The children outlive this part of the panel; nothing they report while
// being torn down (a focus leaving an entry) may reach the handlers.
ParameterPanel::~ParameterPanel() {
  for (QObject* child : std::initializer_list<QObject*>{grid_, radioButtonGroup_, maskEdit1_, maskEdit2_, maskEdit3_}) {
    child->removeEventFilter(this);
    child->disconnect(this);
  }
}

void ParameterPanel::BuildLayout() {
  setFixedWidth(PanelWidth);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  radioGroup_ = new QGroupBox(Text(Unit1txt::txtAlarming), this);
  radioGroup_->setObjectName(QStringLiteral("RadioGroup1"));
  radioGroup_->setFixedHeight(RadioGroupHeight);
  radioGroup_->setAutoFillBackground(true);
  auto* radioRow = new QHBoxLayout(radioGroup_);
  radioRow->setContentsMargins(6, 0, 2, 2);
  radioButtonGroup_ = new QButtonGroup(this);
  const Unit1txt::Id radioTexts[] = {Unit1txt::txtOneBeam, Unit1txt::txtTwoBeams};
  for (int i = 0; i < 2; ++i) {
    radioButtons_[std::size_t(i)] = new QRadioButton(Text(radioTexts[i]), radioGroup_);
    radioButtonGroup_->addButton(radioButtons_[std::size_t(i)], i);
    radioRow->addWidget(radioButtons_[std::size_t(i)]);
  }
  column->addWidget(radioGroup_);

  auto* beamBox = new QGroupBox(Text(Unit1txt::txtBeamParameters), this);
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
  autoBlockRow->addWidget(RowLabel(Unit1txt::txtAutoBlockTime, beamBox));
  maskEdit1_ = DigitEntry(3, true, nullptr, beamBox);
  maskEdit1_->setObjectName(QStringLiteral("MaskEdit1"));
  autoBlockRow->addWidget(maskEdit1_);
  autoBlockRow->addWidget(new QLabel(Text(Unit1txt::txtSeconds), beamBox));
  autoBlockRow->addStretch();
  beamColumn->addLayout(autoBlockRow);

  auto* separator = new QFrame(beamBox);
  separator->setFrameShape(QFrame::HLine);
  separator->setFrameShadow(QFrame::Sunken);
  beamColumn->addWidget(separator);

  auto* coveredRow = new QHBoxLayout;
  coveredRow->addWidget(RowLabel(Unit1txt::txtMaxCoveredTime, beamBox));
  // No mask: the key filter in eventFilter() keeps it to digits.
  maskEdit3_ = DigitEntry(3, false, &fixed, beamBox);
  maskEdit3_->setObjectName(QStringLiteral("MaskEdit3"));
  coveredRow->addWidget(maskEdit3_);
  coveredRow->addWidget(new QLabel(Text(Unit1txt::txtMinutes), beamBox));
  coveredRow->addStretch();
  beamColumn->addLayout(coveredRow);
  beamColumn->addStretch();
  column->addWidget(beamBox);

  auto* serialBox = new QGroupBox(Text(Unit1txt::txtTransmitterSerial), this);
  serialBox->setFixedHeight(SerialBoxHeight);
  auto* serialRow = new QHBoxLayout(serialBox);
  serialRow->setContentsMargins(6, 0, 6, 2);
  maskEdit2_ = DigitEntry(5, true, &fixed, serialBox);
  maskEdit2_->setObjectName(QStringLiteral("MaskEdit2"));
  serialRow->addWidget(maskEdit2_);
  serialRow->addStretch();
  column->addWidget(serialBox);
  column->addStretch();
}

QTableWidget* ParameterPanel::SG1() const { return grid_; }

QColor ParameterPanel::PanelColor() const { return palette().color(QPalette::Window); }

void ParameterPanel::RefreshEditors() {
  if (beforeRefresh_) beforeRefresh_();

  const std::uint8_t mode = model_.editConfig[BarrierConfig::AlarmMode];
  radioButtons_[mode > 1 ? 1 : mode]->setChecked(true);
  RadioGroup1Click();

  grid_->CancelEdit();
  for (int r = 1; r <= MaxBeams; ++r) {
    QString response, autoBlock;
    if (r <= model_.ShownBeams()) {
      response = BeamGrid::NormalisedCellText(BeamGrid::ResponseColumn,
                                              QString::number(model_.editConfig[BarrierConfig::ResponseTime(r)] * 40));
      autoBlock = QString::number(model_.editConfig[BarrierConfig::AutoBlockCount(r)]);
    }
    grid_->item(r, BeamGrid::ResponseColumn)->setText(response);
    grid_->item(r, BeamGrid::AutoBlockColumn)->setText(autoBlock);
  }

  maskEdit1_->setText(QString::number(model_.editConfig[BarrierConfig::AutoBlockTime]));
  MaskEdit1Change();
  maskEdit2_->setText(QString::number(model_.editConfig.transmitterSerial()));
  MaskEdit2Change();
  maskEdit3_->setText(QString::number(model_.editConfig[BarrierConfig::MaxCoveredTime]));
  MaskEdit3Change();

  grid_->viewport()->update();
}

void ParameterPanel::SG1SetEditText(int column, int row, const QString& text) {
  if (row < 1 || row > MaxBeams) return;
  const auto value = std::uint32_t(TextToNum(text));
  model_.editConfig[BeamGrid::ConfigIndex(row, column)] =
      column == BeamGrid::ResponseColumn ? editrule::ResponseTimeFromMs(value) : editrule::ByteFromEntry(value);
  grid_->viewport()->update();
}

void ParameterPanel::RadioGroup1Click() {
  const int index = radioButtonGroup_->checkedId();
  if (index < 0) return;
  model_.editConfig[BarrierConfig::AlarmMode] = std::uint8_t(index);
  QPalette palette = radioGroup_->palette();
  palette.setColor(QPalette::Window,
                   model_.Changed(BarrierConfig::AlarmMode) ? QColor::fromRgb(colors::ChangedValue) : PanelColor());
  radioGroup_->setPalette(palette);
}

void ParameterPanel::SetEntryColor(QLineEdit* entry, bool changed) {
  QPalette palette = entry->palette();
  palette.setColor(QPalette::Base, changed ? QColor::fromRgb(colors::ChangedValue) : windowColor_);
  entry->setPalette(palette);
}

void ParameterPanel::MaskEdit1Change() {
  model_.editConfig[BarrierConfig::AutoBlockTime] = editrule::ByteFromEntry(EntryValue(maskEdit1_));
  SetEntryColor(maskEdit1_, model_.Changed(BarrierConfig::AutoBlockTime));
}

void ParameterPanel::MaskEdit1Exit() {
  maskEdit1_->setText(QString::number(model_.editConfig[BarrierConfig::AutoBlockTime]));
}

void ParameterPanel::MaskEdit2Change() {
  const std::uint16_t serial = editrule::SerialFromEntry(EntryValue(maskEdit2_));
  model_.editConfig[BarrierConfig::SerialHigh] = std::uint8_t(serial >> 8);
  model_.editConfig[BarrierConfig::SerialLow] = std::uint8_t(serial & 0xFF);
  SetEntryColor(maskEdit2_, model_.Changed(BarrierConfig::SerialHigh) || model_.Changed(BarrierConfig::SerialLow));
}

void ParameterPanel::MaskEdit2Exit() { maskEdit2_->setText(QString::number(model_.editConfig.transmitterSerial())); }

void ParameterPanel::MaskEdit3Change() {
  model_.editConfig[BarrierConfig::MaxCoveredTime] = editrule::ByteFromEntry(EntryValue(maskEdit3_));
  SetEntryColor(maskEdit3_, model_.Changed(BarrierConfig::MaxCoveredTime));
}

void ParameterPanel::MaskEdit3Exit() {
  maskEdit3_->setText(QString::number(model_.editConfig[BarrierConfig::MaxCoveredTime]));
  MaskEdit3Change();
}

bool ParameterPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    // Leaving the entry, not the window losing focus or a context menu opening.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      if (watched == maskEdit1_) MaskEdit1Exit();
      if (watched == maskEdit2_) MaskEdit2Exit();
      if (watched == maskEdit3_) MaskEdit3Exit();
    }
  } else if (event->type() == QEvent::KeyPress && watched == maskEdit3_) {
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
    if (!text.isEmpty() && !(text.size() == 1 && IsDigit(text[0]))) return true;
  }
  return QWidget::eventFilter(watched, event);
}
