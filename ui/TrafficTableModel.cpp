#include "ui/TrafficTableModel.h"

#include <QColor>
#include <vector>

#include "link/Frame.h"
#include "link/FrameWords.h"
#include "monitor/TrafficText.h"
#include "texts/UiTexts.h"

TrafficTableModel::TrafficTableModel(const TrafficRecorder& recorder, QObject* parent)
    : QAbstractTableModel(parent), recorder_(recorder), scanned_(recorder.rows().first()) {}

bool TrafficTableModel::accepts(const TrafficRow& row) const {
  switch (filter_) {
    case Filter::All:
      return true;
    case Filter::NoStatusPoll:  // a late or doubled status reply is no plain poll
      return !(row.command == frame::CmdStatus && !row.isError() &&
               (row.kind == TrafficRow::Kind::Request || row.kind == TrafficRow::Kind::Reply));
    case Filter::ErrorsOnly:
      return row.isError();
    case Filter::OneCommand:
      return row.command == command_;
  }
  return true;
}

void TrafficTableModel::refresh(bool paused, int firstShown) {
  const auto& rows = recorder_.rows();
  std::size_t gone = 0;
  while (gone < listed_.size() && listed_[gone] < rows.first()) ++gone;
  if (gone > 0 && (gone >= StaleRowsKept || gone > std::size_t(std::max(0, firstShown)))) {
    beginRemoveRows({}, 0, int(gone) - 1);
    listed_.erase(listed_.begin(), listed_.begin() + std::ptrdiff_t(gone));
    endRemoveRows();
  }
  if (paused) return;
  std::vector<std::uint64_t> added;
  for (std::uint64_t seq = std::max(scanned_, rows.first()); seq < rows.end(); ++seq)
    if (accepts(rows.at(seq))) added.push_back(seq);
  scanned_ = rows.end();
  if (added.empty()) return;
  const int first = int(listed_.size());
  beginInsertRows({}, first, first + int(added.size()) - 1);
  listed_.insert(listed_.end(), added.begin(), added.end());
  endInsertRows();
}

void TrafficTableModel::setFilter(Filter filter, int command) {
  beginResetModel();
  filter_ = filter;
  command_ = command;
  listed_.clear();
  const auto& rows = recorder_.rows();
  for (std::uint64_t seq = rows.first(); seq < std::max(scanned_, rows.first()); ++seq)
    if (accepts(rows.at(seq))) listed_.push_back(seq);
  endResetModel();
}

const TrafficRow* TrafficTableModel::rowAt(int row) const {
  if (row < 0 || std::size_t(row) >= listed_.size() || !recorder_.rows().holds(listed_[std::size_t(row)]))
    return nullptr;
  return &recorder_.rows().at(listed_[std::size_t(row)]);
}

std::int64_t TrafficTableModel::previousAt(int row) const {
  const TrafficRow* previous = rowAt(row - 1);
  return previous ? previous->atNs : -1;
}

QString TrafficTableModel::line(int row) const {
  const TrafficRow* r = rowAt(row);
  return r ? rowLine(recorder_, *r, previousAt(row)) : QString();
}

bool TrafficTableModel::rowContains(int row, const QString& text) const {
  for (int column = 0; column < ColumnCount; ++column)
    if (data(index(row, column), Qt::DisplayRole).toString().contains(text, Qt::CaseInsensitive)) return true;
  return false;
}

int TrafficTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(listed_.size()); }

int TrafficTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TrafficTableModel::data(const QModelIndex& index, int role) const {
  const TrafficRow* row = rowAt(index.row());
  if (!row) return {};
  if (role == Qt::ForegroundRole) return row->isError() ? QVariant(QColor(Qt::red).darker(130)) : QVariant();
  if (role == Qt::TextAlignmentRole && index.column() == ColGap) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  if (role == Qt::ToolTipRole) {
    // The protocol's own name beside the Polish one.
    if (index.column() == ColCommand) return row->command < 0 ? QVariant() : QVariant(commandName(row->command));
    if (index.column() != ColWords && index.column() != ColBytes) return {};
  }
  switch (index.column()) {
    case ColTime:
      return rowClockText(recorder_, *row);
    case ColGap:
      return gapText(*row, previousAt(index.row()));
    case ColDirection:
      return rowDirection(*row);
    case ColCommand:
      return rowCommand(*row);
    case ColWords:
      return rowWords(*row);
    case ColBytes:
      return rowBytes(*row);
  }
  return {};
}

QVariant TrafficTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static constexpr UiTexts::Id headers[] = {UiTexts::txtMonitorColTime,      UiTexts::txtMonitorColGap,
                                            UiTexts::txtMonitorColDirection, UiTexts::txtMonitorColCommand,
                                            UiTexts::txtMonitorColWords,     UiTexts::txtMonitorColBytes};
  return section >= 0 && section < ColumnCount ? uiText(headers[section]) : QVariant();
}
