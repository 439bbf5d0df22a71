#pragma once
// The editors of the left panel: alarm mode, the beam grid, the auto-block
// counting time, the longest covered time and the transmitter serial number.
// Every change goes straight into model.editConfig; a value that differs from
// model.deviceConfig is shown on the changed-value colour. The model is the
// only store: RefreshEditors() reloads everything from it.
#include <QColor>
#include <QWidget>
#include <array>
#include <functional>

#include "BarrierModel.h"

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

  // Runs first in every RefreshEditors(): the main window's toolbar buttons.
  void SetBeforeRefresh(std::function<void()> step) { beforeRefresh_ = std::move(step); }
  // Reloads every editor from the model and repaints the grid. Call after a
  // data, data2, write or write2 reply and after a file was loaded.
  void RefreshEditors();

  // The children, for the main window's layout and for tests.
  QTableWidget* SG1() const;
  BeamGrid* Grid() const { return grid_; }
  QGroupBox* RadioGroup1() const { return radioGroup_; }
  QRadioButton* RadioButton(int index) const { return radioButtons_[std::size_t(index)]; }
  QLineEdit* MaskEdit1() const { return maskEdit1_; }
  QLineEdit* MaskEdit2() const { return maskEdit2_; }
  QLineEdit* MaskEdit3() const { return maskEdit3_; }

  // The background of the left panel (also of empty grid rows and an unchanged radio group).
  QColor PanelColor() const;
  // The background of an unchanged entry.
  QColor WindowColor() const { return windowColor_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLayout();
  void SG1SetEditText(int column, int row, const QString& text);
  void RadioGroup1Click();
  void MaskEdit1Change();
  void MaskEdit1Exit();
  void MaskEdit2Change();
  void MaskEdit2Exit();
  void MaskEdit3Change();
  void MaskEdit3Exit();
  void SetEntryColor(QLineEdit* entry, bool changed);

  BarrierModel& model_;
  std::function<void()> beforeRefresh_;
  BeamGrid* grid_ = nullptr;
  QGroupBox* radioGroup_ = nullptr;
  QButtonGroup* radioButtonGroup_ = nullptr;
  std::array<QRadioButton*, 2> radioButtons_{};
  QLineEdit* maskEdit1_ = nullptr;
  QLineEdit* maskEdit2_ = nullptr;
  QLineEdit* maskEdit3_ = nullptr;
  QColor windowColor_;
  // The byte under an open grid cell editor, put back when the edit is abandoned.
  std::uint8_t byteBeforeEdit_ = 0;
};
