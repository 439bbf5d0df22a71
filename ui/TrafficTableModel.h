#pragma once
// The traffic monitor's table over the recorder's ring: only the rows its
// filter lets through, added in batches by refresh() so that the view paints
// once per batch and only the rows it shows. Cells are worded as they are
// painted; nothing is kept per row but its sequence number.
#include <QAbstractTableModel>
#include <cstdint>
#include <deque>

#include "monitor/TrafficRecorder.h"

class TrafficTableModel : public QAbstractTableModel {
 public:
  enum Column { ColTime, ColGap, ColDirection, ColCommand, ColWords, ColBytes, ColumnCount };
  enum class Filter { All, NoStatusPoll, ErrorsOnly, OneCommand };

  explicit TrafficTableModel(const TrafficRecorder& recorder, QObject* parent = nullptr);

  // Takes in what the recorder added and lets go of what its ring dropped,
  // once StaleRowsKept have gone or one of them is at or below `firstShown`,
  // the first row the view shows. While `paused` no row is added; the ring's
  // losses still apply.
  static constexpr std::size_t StaleRowsKept = 1000;
  void refresh(bool paused, int firstShown = 0);
  void setFilter(Filter filter, int command = -1);
  bool accepts(const TrafficRow& row) const;

  // The ring's sequence number of a listed row.
  std::uint64_t sequence(int row) const { return listed_[std::size_t(row)]; }
  const TrafficRow* rowAt(int row) const;
  // The time of the listed row before `row`, -1 for the first.
  std::int64_t previousAt(int row) const;
  // A listed row as a line of text (tab-separated, ISO 8601 time).
  QString line(int row) const;
  // Any of its cells holds `text` (case-insensitive).
  bool rowContains(int row, const QString& text) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const TrafficRecorder& recorder_;
  std::deque<std::uint64_t> listed_;
  std::uint64_t scanned_ = 0;  // ring rows up to here have been judged
  Filter filter_ = Filter::All;
  int command_ = -1;
};
