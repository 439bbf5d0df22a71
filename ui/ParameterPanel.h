#pragma once
// The editors of the left panel: alarm mode, the beam grid, the auto-block
// counting time, the longest covered time and the transmitter serial number.
// Every change goes straight into model.editConfig; a value that differs from
// model.deviceConfig is shown on the changed-value colour. The model is the
// only store: refreshEditors() reloads everything from it.
#include <QColor>
#include <QWidget>
#include <array>
#include <functional>

#include "model/BarrierModel.h"

class BeamGrid;
class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QTableWidget;

class ParameterPanel : public QWidget {
  Q_OBJECT

 public:
  ParameterPanel(BarrierModel& model, QWidget* parent = nullptr);
  ~ParameterPanel() override;

  // Runs first in every refreshEditors(): the main window's toolbar buttons.
  void setBeforeRefresh(std::function<void()> step) { beforeRefresh_ = std::move(step); }
  // Reloads every editor from the model and repaints the grid. Call after a
  // data, data2, write or write2 reply and after a file was loaded.
  void refreshEditors();

  // The children, for the main window's layout and for tests.
  QTableWidget* beamTable() const;
  BeamGrid* grid() const { return grid_; }
  QGroupBox* alarmModeGroup() const { return radioGroup_; }
  QRadioButton* alarmModeButton(int index) const { return radioButtons_[std::size_t(index)]; }
  QLineEdit* blockTimeEntry() const { return blockTimeEntry_; }
  QLineEdit* serialEntry() const { return serialEntry_; }
  QLineEdit* coveredTimeEntry() const { return coveredTimeEntry_; }

  // The background of the left panel (also of empty grid rows and an unchanged radio group).
  QColor panelColor() const;
  // The background of an unchanged entry.
  QColor windowColor() const { return windowColor_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildLayout();
  void onCellTextEdited(int column, int row, const QString& text);
  void onAlarmModeClicked();
  void onBlockTimeEdited();
  void onBlockTimeLeft();
  void onSerialEdited();
  void onSerialLeft();
  void onCoveredTimeEdited();
  void onCoveredTimeLeft();
  void setEntryColor(QLineEdit* entry, bool changed);

  BarrierModel& model_;
  std::function<void()> beforeRefresh_;
  BeamGrid* grid_ = nullptr;
  QGroupBox* radioGroup_ = nullptr;
  QButtonGroup* radioButtonGroup_ = nullptr;
  std::array<QRadioButton*, 2> radioButtons_{};
  QLineEdit* blockTimeEntry_ = nullptr;
  QLineEdit* serialEntry_ = nullptr;
  QLineEdit* coveredTimeEntry_ = nullptr;
  QColor windowColor_;
  // The byte under an open grid cell editor, put back when the edit is abandoned.
  std::uint8_t byteBeforeEdit_ = 0;
};
