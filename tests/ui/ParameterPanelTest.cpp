#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <vector>

#include "BeamGrid.h"
#include "Colors.h"
#include "ParameterPanel.h"

namespace {

const QColor Changed = QColor::fromRgb(colors::ChangedValue);

}  // namespace

class ParameterPanelTest : public QObject {
  Q_OBJECT

 private:
  BarrierModel model;
  std::unique_ptr<ParameterPanel> panel;

  BeamGrid* grid() const { return panel->Grid(); }

  void Reload(std::uint8_t beamCount) {
    model.beamCount = beamCount;
    panel->RefreshEditors();
  }

  // Puts the same byte into both copies, as a read from the barrier does.
  void Load(std::size_t index, std::uint8_t value) {
    model.editConfig[index] = value;
    model.deviceConfig[index] = value;
  }

  // Types `text` into cell (row, column) the way a user does: the first key
  // on the grid opens the cell editor, the others go to that editor. Returns
  // the stored byte after every key.
  std::vector<int> TypeIntoCell(int row, int column, const QString& text) {
    grid()->setFocus();
    grid()->setCurrentCell(row, column);
    std::vector<int> stored;
    for (int i = 0; i < text.size(); ++i) {
      QWidget* target = i == 0 ? static_cast<QWidget*>(grid()) : QApplication::focusWidget();
      QTest::keyClick(target, text[i].toLatin1());
      stored.push_back(model.editConfig[BeamGrid::ConfigIndex(row, column)]);
    }
    return stored;
  }

  QLineEdit* CellEditor() const { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }

  void EndEditing(Qt::Key key = Qt::Key_Return) {
    QLineEdit* editor = CellEditor();
    QVERIFY(editor);
    QTest::keyClick(editor, key);
    QCoreApplication::processEvents();  // the delegate closes its editor through a queued call
    QVERIFY(!grid()->Editing());
  }

  // A pixel of the drawn cell away from its text.
  QColor CellPixel(int row, int column) const {
    const QImage image = grid()->viewport()->grab().toImage();
    const QRect rect = grid()->visualItemRect(grid()->item(row, column));
    return image.pixelColor(rect.right() - 3, rect.bottom() - 2);
  }

  // Moves the grid's cursor away so that the cell is drawn unselected.
  void Unselect() {
    grid()->clearSelection();
    grid()->setCurrentCell(8, 2, QItemSelectionModel::NoUpdate);
  }

  void TypeIntoEntry(QLineEdit* entry, const QString& text) {
    entry->setFocus();
    entry->selectAll();
    QTest::keyClicks(entry, text);
  }

  void LeaveEntry() { panel->RadioButton(0)->setFocus(Qt::TabFocusReason); }

 private slots:
  void init() {
    model = BarrierModel{};
    panel = std::make_unique<ParameterPanel>(model);
    panel->show();
    panel->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(panel.get()));
    Reload(8);
  }

  void cleanup() { panel.reset(); }

  void responseTimeIsStoredAtEveryKeyAndShownRoundedUpOnceEditingEnds() {
    const std::vector<int> stored = TypeIntoCell(1, 1, "100");
    QCOMPARE(stored, (std::vector<int>{1, 1, 3}));
    EndEditing();
    QCOMPARE(grid()->DisplayText(1, 1), QString("120 ms"));
    QCOMPARE(int(model.editConfig[1]), 3);
    QCOMPARE(int(model.deviceConfig[1]), 0);
    QCOMPARE(CellPixel(1, 1), Changed);  // the changed colour wins over the selection
  }

  void zeroSwitchesTheBeamOffAndLargeEntriesStopAtOneSecond() {
    Load(2, 5);
    Reload(8);
    TypeIntoCell(2, 1, "0");
    EndEditing();
    QCOMPARE(int(model.editConfig[2]), 0);
    QCOMPARE(grid()->DisplayText(2, 1), QString(" wyłączona"));

    TypeIntoCell(3, 1, "5000");
    EndEditing();
    QCOMPARE(int(model.editConfig[3]), 25);
    QCOMPARE(grid()->DisplayText(3, 1), QString("1000 ms"));
    QCOMPARE(grid()->item(3, 1)->text(), QString("1000"));
  }

  void aBarrierValueAboveTheRangeIsShownAsOneSecondAndKeptUntilEdited() {
    Load(4, 30);
    Reload(8);
    Unselect();
    QCOMPARE(grid()->DisplayText(4, 1), QString("1000 ms"));
    QVERIFY(CellPixel(4, 1) != Changed);
    QCOMPARE(int(model.editConfig[4]), 30);

    // Opening the editor and leaving it, with or without Escape, stores nothing.
    grid()->setFocus();
    grid()->setCurrentCell(4, 1);
    QTest::keyClick(grid(), Qt::Key_F2);
    EndEditing(Qt::Key_Return);
    QCOMPARE(int(model.editConfig[4]), 30);
    QTest::keyClick(grid(), Qt::Key_F2);
    EndEditing(Qt::Key_Escape);
    QCOMPARE(int(model.editConfig[4]), 30);
  }

  void anAbandonedCellEditPutsTheStoredValueBack() {
    Load(1, 3);
    Reload(8);
    TypeIntoCell(1, 1, "200");
    QCOMPARE(int(model.editConfig[1]), 5);
    EndEditing(Qt::Key_Escape);
    QCOMPARE(int(model.editConfig[1]), 3);
    QCOMPARE(grid()->DisplayText(1, 1), QString("120 ms"));
  }

  void autoBlockCountsStopAt255AndZeroReadsNone() {
    TypeIntoCell(1, 2, "300");
    EndEditing();
    QCOMPARE(int(model.editConfig[17]), 255);
    QCOMPARE(grid()->DisplayText(1, 2), QString("255"));

    TypeIntoCell(1, 2, "0");
    EndEditing();
    QCOMPARE(int(model.editConfig[17]), 0);
    QCOMPARE(grid()->DisplayText(1, 2), QString(" bez"));
  }

  void rowsBeyondTheBeamCountAreEmptyPanelColouredAndNotEditable() {
    for (int r = 1; r <= 8; ++r) Load(BarrierConfig::ResponseTime(r), 2);
    Reload(4);
    Unselect();
    for (int r = 5; r <= 8; ++r) {
      QVERIFY(grid()->item(r, 1)->text().isEmpty());
      QVERIFY(grid()->item(r, 2)->text().isEmpty());
      QVERIFY(grid()->DisplayText(r, 1).isEmpty());
      QCOMPARE(CellPixel(r, 1), panel->PanelColor());
      QCOMPARE(CellPixel(r, 2), panel->PanelColor());
    }
    QCOMPARE(grid()->DisplayText(4, 1), QString("80 ms"));

    TypeIntoCell(5, 1, "7");
    QVERIFY(!grid()->Editing());
    QCOMPARE(int(model.editConfig[5]), 2);
    TypeIntoCell(4, 1, "7");
    QVERIFY(grid()->Editing());
    QCOMPARE(int(model.editConfig[4]), 1);
  }

  void aHugeBeamCountNeverGoesBeyondEightRows() {
    for (int r = 1; r <= 8; ++r) Load(BarrierConfig::ResponseTime(r), std::uint8_t(r));
    Reload(200);
    QCOMPARE(grid()->rowCount(), 9);
    for (int r = 1; r <= 8; ++r) QCOMPARE(grid()->DisplayText(r, 1), QString::number(r * 40) + " ms");
    QVERIFY(!grid()->RowEditable(9));
    TypeIntoCell(8, 2, "9");
    EndEditing();
    QCOMPARE(int(model.editConfig[24]), 9);
    QCOMPARE(int(model.beamCount), 200);
  }

  void theSerialNumberStopsAt65535AndShowsItAfterLeaving() {
    TypeIntoEntry(panel->MaskEdit2(), "70000");
    QCOMPARE(int(model.editConfig[9]), 0xFF);
    QCOMPARE(int(model.editConfig[10]), 0xFF);
    QCOMPARE(panel->MaskEdit2()->text(), QString("70000"));
    LeaveEntry();
    QCOMPARE(panel->MaskEdit2()->text(), QString("65535"));

    TypeIntoEntry(panel->MaskEdit2(), "258");
    QCOMPARE(int(model.editConfig[9]), 1);
    QCOMPARE(int(model.editConfig[10]), 2);
  }

  void theSerialNumberIsUnchangedOnlyWhenBothBytesMatch() {
    Load(9, 1);
    Load(10, 2);
    Reload(8);
    QCOMPARE(panel->MaskEdit2()->palette().color(QPalette::Base), panel->WindowColor());
    TypeIntoEntry(panel->MaskEdit2(), "259");  // low byte differs only
    QCOMPARE(panel->MaskEdit2()->palette().color(QPalette::Base), Changed);
    TypeIntoEntry(panel->MaskEdit2(), "514");  // high byte differs only
    QCOMPARE(panel->MaskEdit2()->palette().color(QPalette::Base), Changed);
  }

  void theAutoBlockTimeTakesThreeDigitsAndStopsAt255() {
    TypeIntoEntry(panel->MaskEdit1(), "3x00");
    QCOMPARE(panel->MaskEdit1()->text(), QString("300"));
    QCOMPARE(int(model.editConfig[16]), 255);
    LeaveEntry();
    QCOMPARE(panel->MaskEdit1()->text(), QString("255"));
  }

  void theCoveredTimeIgnoresLettersAndBackspace() {
    TypeIntoEntry(panel->MaskEdit3(), "1a2");
    QCOMPARE(panel->MaskEdit3()->text(), QString("12"));
    QCOMPARE(int(model.editConfig[11]), 12);
    QTest::keyClick(panel->MaskEdit3(), Qt::Key_Backspace);
    QCOMPARE(panel->MaskEdit3()->text(), QString("12"));
    QTest::keyClicks(panel->MaskEdit3(), "9");
    QCOMPARE(int(model.editConfig[11]), 129);
    QTest::keyClicks(panel->MaskEdit3(), "9");  // a fourth digit does not fit
    QCOMPARE(panel->MaskEdit3()->text(), QString("129"));

    TypeIntoEntry(panel->MaskEdit3(), "999");
    QCOMPARE(int(model.editConfig[11]), 255);
    LeaveEntry();
    QCOMPARE(panel->MaskEdit3()->text(), QString("255"));

    TypeIntoEntry(panel->MaskEdit3(), "0");
    QCOMPARE(int(model.editConfig[11]), 0);
  }

  void aValueChangedBackToTheBarriersLosesTheHighlightAtOnce() {
    Load(16, 5);
    Load(BarrierConfig::ResponseTime(2), 3);
    Reload(8);
    QCOMPARE(panel->MaskEdit1()->palette().color(QPalette::Base), panel->WindowColor());
    TypeIntoEntry(panel->MaskEdit1(), "6");
    QCOMPARE(panel->MaskEdit1()->palette().color(QPalette::Base), Changed);
    TypeIntoEntry(panel->MaskEdit1(), "5");
    QCOMPARE(panel->MaskEdit1()->palette().color(QPalette::Base), panel->WindowColor());

    TypeIntoCell(2, 1, "200");
    EndEditing();
    Unselect();
    QCOMPARE(CellPixel(2, 1), Changed);
    TypeIntoCell(2, 1, "100");  // rounds up to the barrier's 120 ms
    EndEditing();
    Unselect();
    QCOMPARE(CellPixel(2, 1), grid()->palette().color(QPalette::Base));
  }

  void anAlarmModeAboveOneSelectsTwoBeamsAndShowsAsChanged() {
    Load(BarrierConfig::AlarmMode, 2);
    Reload(8);
    QVERIFY(panel->RadioButton(1)->isChecked());
    QCOMPARE(int(model.editConfig[0]), 1);
    QCOMPARE(panel->RadioGroup1()->palette().color(QPalette::Window), Changed);
    const QImage image = panel->RadioGroup1()->grab().toImage();
    QCOMPARE(image.pixelColor(image.width() - 3, 2), Changed);  // outside the style's frame
  }

  void clickingTheAlarmModeStoresItAndColoursTheGroup() {
    QTest::mouseClick(panel->RadioButton(1), Qt::LeftButton);
    QCOMPARE(int(model.editConfig[0]), 1);
    QCOMPARE(panel->RadioGroup1()->palette().color(QPalette::Window), Changed);
    QTest::mouseClick(panel->RadioButton(0), Qt::LeftButton);
    QCOMPARE(int(model.editConfig[0]), 0);
    QCOMPARE(panel->RadioGroup1()->palette().color(QPalette::Window), panel->PanelColor());
  }

  void refreshRunsTheOwnersStepFirstAndReloadsEveryEditor() {
    model.editConfig[16] = 44;
    model.editConfig[11] = 7;
    model.editConfig[9] = 0x30;
    model.editConfig[10] = 0x39;
    model.editConfig[20] = 12;
    QString entryAtFirstStep;
    int calls = 0;
    panel->SetBeforeRefresh([&] {
      ++calls;
      entryAtFirstStep = panel->MaskEdit1()->text();
    });
    Reload(8);
    QCOMPARE(calls, 1);
    QCOMPARE(entryAtFirstStep, QString("0"));
    QCOMPARE(panel->MaskEdit1()->text(), QString("44"));
    QCOMPARE(panel->MaskEdit3()->text(), QString("7"));
    QCOMPARE(panel->MaskEdit2()->text(), QString("12345"));
    QCOMPARE(grid()->item(4, 2)->text(), QString("12"));
    QCOMPARE(panel->MaskEdit1()->palette().color(QPalette::Base), Changed);
  }

  void aRefreshDropsAnOpenCellEditor() {
    TypeIntoCell(1, 1, "4");
    QVERIFY(grid()->Editing());
    Load(1, 6);
    Reload(8);
    QVERIFY(!grid()->Editing());
    QCOMPARE(int(model.editConfig[1]), 6);
    QCOMPARE(grid()->DisplayText(1, 1), QString("240 ms"));
  }

  void closingThePanelWhileAnEntryHasTheFocusIsSafe() {
    TypeIntoEntry(panel->MaskEdit3(), "12");
    TypeIntoCell(1, 1, "4");
    panel->MaskEdit1()->setFocus();
    QTest::keyClicks(panel->MaskEdit1(), "7");
    panel.reset();
    QCOMPARE(int(model.editConfig[16]), 7);
  }
};

QTEST_MAIN(ParameterPanelTest)
#include "ParameterPanelTest.moc"
