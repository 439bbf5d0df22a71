#pragma once
// The beam parameter grid: row 0 and column 0 are the fixed headers,
// rows 1..8 the beams, column 1 the response time in ms ("Czułość"), column 2
// the auto-block count ("Autoblok."). Cells hold plain decimal numbers; the
// unit, the words for 0, the empty rows beyond the beam count and the
// changed-value colour are added when a cell is drawn. The grid only reads the
// model; what a typed text stores is the owner's business (cellTextEdited).
#include <QTableWidget>

#include "model/BarrierModel.h"

class BeamGrid : public QTableWidget {
  Q_OBJECT

 public:
  static constexpr int ResponseColumn = 1;
  static constexpr int AutoBlockColumn = 2;

  BeamGrid(const BarrierModel& model, QWidget* parent = nullptr);

  // Rows above the model's shown beam count can be selected but never edited.
  bool rowEditable(int row) const;
  // The text a data cell shows, as drawn: "120 ms", " wyłączona", "12", " bez";
  // empty for a row beyond the beam count and for the header cells.
  QString displayText(int row, int column) const;
  // The cell's edited byte differs from the barrier's.
  bool changed(int row, int column) const;
  // The byte of the model's configuration a data cell edits.
  static std::size_t configIndex(int row, int column);
  // A cell text as drawn once editing has ended: response times clamped to
  // 1000 and rounded up to 40 ms, counts clamped to 255.
  static QString normalisedCellText(int column, const QString& text);
  // A cell editor is open.
  bool editing() const { return state() == EditingState; }
  // Drops an open cell editor without storing its text.
  void cancelEdit();

 signals:
  // Every change of the text in a cell editor, typed by the user.
  void cellTextEdited(int row, int column, const QString& text);
  // A cell editor opened, and one closed without storing its text (Escape).
  void cellEditStarted(int row, int column);
  void cellEditReverted(int row, int column);

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

 private:
  const BarrierModel& model_;
};
