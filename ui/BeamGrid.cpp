#include "ui/BeamGrid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <algorithm>

#include "model/Colors.h"
#include "texts/UiTexts.h"
#include "util/NumberText.h"

namespace {

constexpr int RowHeight = 20;
constexpr int ColumnWidths[] = {50, 70, 60};
constexpr int GridRows = 1 + MaxBeams;
constexpr int GridColumns = 3;
constexpr QPoint TextOffset(2, 2);

class BeamCellDelegate : public QStyledItemDelegate {
 public:
  explicit BeamCellDelegate(BeamGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {
    connect(this, &QAbstractItemDelegate::closeEditor, this, [this](QWidget* editor, EndEditHint hint) {
      if (hint == RevertModelCache)
        emit grid_.cellEditReverted(editor->property("row").toInt(), editor->property("column").toInt());
    });
  }

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    // Up to four digits for milliseconds, up to three for a count.
    const int digits = index.column() == BeamGrid::ResponseColumn ? 4 : 3;
    editor->setMaxLength(digits);
    editor->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(digits)), editor));
    const int row = index.row();
    const int column = index.column();
    editor->setProperty("row", row);
    editor->setProperty("column", column);
    connect(editor, &QLineEdit::textEdited, &grid_,
            [this, row, column](const QString& text) { emit grid_.cellTextEdited(row, column, text); });
    emit grid_.cellEditStarted(row, column);
    return editor;
  }

  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    auto* line = static_cast<QLineEdit*>(editor);
    line->setText(index.data(Qt::EditRole).toString());
    line->selectAll();  // typing replaces the number, as a key pressed on the cell does
  }

  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    // The cell keeps the number as it is drawn: a typed 100 becomes 120.
    model->setData(index, BeamGrid::normalisedCellText(index.column(), static_cast<QLineEdit*>(editor)->text()),
                   Qt::EditRole);
  }

  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const override {
    editor->setGeometry(option.rect);
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const int row = index.row();
    const int column = index.column();
    const QRect rect = option.rect;
    painter->save();
    if (row == 0 || column == 0) {
      // Header items carry no flags; they are still drawn in the active colours.
      painter->fillRect(rect, grid_.palette().color(QPalette::Active, QPalette::Button));
      painter->setPen(grid_.palette().color(QPalette::Active, QPalette::ButtonText));
      painter->drawText(rect.adjusted(TextOffset.x(), TextOffset.y(), 0, 0), Qt::AlignLeft | Qt::AlignTop,
                        index.data(Qt::DisplayRole).toString());
    } else if (!grid_.rowEditable(row)) {
      painter->fillRect(rect, grid_.palette().color(QPalette::Window));
    } else {
      const bool selected = option.state & (QStyle::State_Selected | QStyle::State_HasFocus);
      QColor background = option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
      const QColor foreground = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
      if (grid_.changed(row, column)) background = QColor::fromRgb(colors::ChangedValue);
      painter->fillRect(rect, background);
      painter->setPen(foreground);
      painter->drawText(rect.adjusted(TextOffset.x(), TextOffset.y(), 0, 0), Qt::AlignLeft | Qt::AlignTop,
                        grid_.displayText(row, column));
    }
    painter->restore();
  }

 private:
  BeamGrid& grid_;
};

}  // namespace

BeamGrid::BeamGrid(const BarrierModel& model, QWidget* parent)
    : QTableWidget(GridRows, GridColumns, parent), model_(model) {
  setObjectName(QStringLiteral("beamGrid"));
  horizontalHeader()->hide();
  verticalHeader()->hide();
  horizontalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setMinimumSectionSize(1);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(RowHeight);
  for (int c = 0; c < GridColumns; ++c) setColumnWidth(c, ColumnWidths[c]);
  for (int r = 0; r < GridRows; ++r) setRowHeight(r, RowHeight);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setShowGrid(true);
  setWordWrap(false);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  setItemDelegate(new BeamCellDelegate(*this));

  const QString headers[] = {uiText(UiTexts::txtBeam), uiText(UiTexts::txtSensitivity), uiText(UiTexts::txtAutoBlock)};
  for (int r = 0; r < GridRows; ++r) {
    for (int c = 0; c < GridColumns; ++c) {
      auto* item = new QTableWidgetItem;
      if (r == 0 || c == 0) {
        item->setText(r == 0 ? headers[c] : QStringLiteral("     ") + QString::number(r));
        item->setFlags(Qt::NoItemFlags);  // fixed: never selected, never edited, skipped by the cursor
      } else {
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
      }
      setItem(r, c, item);
    }
  }
  setCurrentCell(1, 1);

  int width = 2 * frameWidth();
  for (int w : ColumnWidths) width += w;
  setFixedSize(width, 2 * frameWidth() + GridRows * RowHeight);
}

bool BeamGrid::rowEditable(int row) const { return row >= 1 && row <= model_.shownBeams(); }

std::size_t BeamGrid::configIndex(int row, int column) {
  return column == ResponseColumn ? BarrierConfig::responseTime(row) : BarrierConfig::autoBlockCount(row);
}

bool BeamGrid::changed(int row, int column) const {
  return row >= 1 && row <= MaxBeams && column >= 1 && model_.changed(configIndex(row, column));
}

QString BeamGrid::normalisedCellText(int column, const QString& text) {
  const auto value = std::uint32_t(textToNum(text));
  const std::uint32_t shown =
      column == ResponseColumn ? editrule::normalisedResponseMs(value) : std::min<std::uint32_t>(value, 255);
  return QString::number(shown);
}

QString BeamGrid::displayText(int row, int column) const {
  if (row < 1 || row >= GridRows || column < 1 || column >= GridColumns || !rowEditable(row)) return {};
  const bool zero = model_.editConfig[configIndex(row, column)] == 0;
  const QString text = normalisedCellText(column, item(row, column)->text());
  if (column == ResponseColumn)
    return zero ? QStringLiteral(" ") + uiText(UiTexts::txtBeamOff) : text + uiText(UiTexts::txtMs);
  return zero ? QStringLiteral(" ") + uiText(UiTexts::txtNoAutoBlock) : text;
}

void BeamGrid::cancelEdit() {
  if (state() != EditingState) return;
  if (QWidget* editor = indexWidget(currentIndex())) closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool BeamGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  if (!rowEditable(index.row())) return false;
  return QTableWidget::edit(index, trigger, event);
}
