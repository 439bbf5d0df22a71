#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <vector>

#include "model/Colors.h"
#include "ui/BeamGrid.h"
#include "ui/ParameterPanel.h"

namespace {

const QColor changed = QColor::fromRgb(colors::ChangedValue);

}  // namespace

class ParameterPanelTest : public QObject {
  Q_OBJECT

 private:
  BarrierModel model;
  std::unique_ptr<ParameterPanel> panel;

  BeamGrid* grid() const { return panel->grid(); }

  void reload(std::uint8_t beamCount) {
    model.beamCount = beamCount;
    panel->refreshEditors();
  }

  // Puts the same byte into both copies, as a read from the barrier does.
  void load(std::size_t index, std::uint8_t value) {
    model.editConfig[index] = value;
    model.deviceConfig[index] = value;
  }

  // Types `text` into cell (row, column) the way a user does: the first key
  // on the grid opens the cell editor, the others go to that editor. Returns
  // the stored byte after every key.
  std::vector<int> typeIntoCell(int row, int column, const QString& text) {
    grid()->setFocus();
    grid()->setCurrentCell(row, column);
    std::vector<int> stored;
    for (int i = 0; i < text.size(); ++i) {
      QWidget* target = i == 0 ? static_cast<QWidget*>(grid()) : QApplication::focusWidget();
      QTest::keyClick(target, text[i].toLatin1());
      stored.push_back(model.editConfig[BeamGrid::configIndex(row, column)]);
    }
    return stored;
  }

  QLineEdit* cellEditor() const { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }

  void endEditing(Qt::Key key = Qt::Key_Return) {
    QLineEdit* editor = cellEditor();
    QVERIFY(editor);
    QTest::keyClick(editor, key);
    QCoreApplication::processEvents();  // the delegate closes its editor through a queued call
    QVERIFY(!grid()->editing());
  }

  // A pixel of the drawn cell away from its text.
  QColor cellPixel(int row, int column) const {
    const QImage image = grid()->viewport()->grab().toImage();
    const QRect rect = grid()->visualItemRect(grid()->item(row, column));
    return image.pixelColor(rect.right() - 3, rect.bottom() - 2);
  }

  // Moves the grid's cursor away so that the cell is drawn unselected.
  void unselect() {
    grid()->clearSelection();
    grid()->setCurrentCell(8, 2, QItemSelectionModel::NoUpdate);
  }

  void typeIntoEntry(QLineEdit* entry, const QString& text) {
    entry->setFocus();
    entry->selectAll();
    QTest::keyClicks(entry, text);
  }

  void leaveEntry() { panel->alarmModeButton(0)->setFocus(Qt::TabFocusReason); }

 private slots:
  void init() {
    model = BarrierModel{};
    panel = std::make_unique<ParameterPanel>(model);
    panel->show();
    panel->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(panel.get()));
    reload(8);
  }

  void cleanup() { panel.reset(); }

  void responseTimeIsStoredAtEveryKeyAndShownRoundedUpOnceEditingEnds() {
    const std::vector<int> stored = typeIntoCell(1, 1, "100");
    QCOMPARE(stored, (std::vector<int>{1, 1, 3}));
    endEditing();
    QCOMPARE(grid()->displayText(1, 1), QString("120 ms"));
    QCOMPARE(int(model.editConfig[1]), 3);
    QCOMPARE(int(model.deviceConfig[1]), 0);
    QCOMPARE(cellPixel(1, 1), changed);  // the changed colour wins over the selection
  }

  void zeroSwitchesTheBeamOffAndLargeEntriesStopAtOneSecond() {
    load(2, 5);
    reload(8);
    typeIntoCell(2, 1, "0");
    endEditing();
    QCOMPARE(int(model.editConfig[2]), 0);
    QCOMPARE(grid()->displayText(2, 1), QString(" wyłączona"));

    typeIntoCell(3, 1, "5000");
    endEditing();
    QCOMPARE(int(model.editConfig[3]), 25);
    QCOMPARE(grid()->displayText(3, 1), QString("1000 ms"));
    QCOMPARE(grid()->item(3, 1)->text(), QString("1000"));
  }

  void aBarrierValueAboveTheRangeIsShownAsOneSecondAndKeptUntilEdited() {
    load(4, 30);
    reload(8);
    unselect();
    QCOMPARE(grid()->displayText(4, 1), QString("1000 ms"));
    QVERIFY(cellPixel(4, 1) != changed);
    QCOMPARE(int(model.editConfig[4]), 30);

    // Opening the editor and leaving it, with or without Escape, stores nothing.
    grid()->setFocus();
    grid()->setCurrentCell(4, 1);
    QTest::keyClick(grid(), Qt::Key_F2);
    endEditing(Qt::Key_Return);
    QCOMPARE(int(model.editConfig[4]), 30);
    QTest::keyClick(grid(), Qt::Key_F2);
    endEditing(Qt::Key_Escape);
    QCOMPARE(int(model.editConfig[4]), 30);
  }

  void anAbandonedCellEditPutsTheStoredValueBack() {
    load(1, 3);
    reload(8);
    typeIntoCell(1, 1, "200");
    QCOMPARE(int(model.editConfig[1]), 5);
    endEditing(Qt::Key_Escape);
    QCOMPARE(int(model.editConfig[1]), 3);
    QCOMPARE(grid()->displayText(1, 1), QString("120 ms"));
  }

  void autoBlockCountsStopAt255AndZeroReadsNone() {
    typeIntoCell(1, 2, "300");
    endEditing();
    QCOMPARE(int(model.editConfig[17]), 255);
    QCOMPARE(grid()->displayText(1, 2), QString("255"));

    typeIntoCell(1, 2, "0");
    endEditing();
    QCOMPARE(int(model.editConfig[17]), 0);
    QCOMPARE(grid()->displayText(1, 2), QString(" bez"));
  }

  void rowsBeyondTheBeamCountAreEmptyPanelColouredAndNotEditable() {
    for (int r = 1; r <= 8; ++r) load(BarrierConfig::responseTime(r), 2);
    reload(4);
    unselect();
    for (int r = 5; r <= 8; ++r) {
      QVERIFY(grid()->item(r, 1)->text().isEmpty());
      QVERIFY(grid()->item(r, 2)->text().isEmpty());
      QVERIFY(grid()->displayText(r, 1).isEmpty());
      QCOMPARE(cellPixel(r, 1), panel->panelColor());
      QCOMPARE(cellPixel(r, 2), panel->panelColor());
    }
    QCOMPARE(grid()->displayText(4, 1), QString("80 ms"));

    typeIntoCell(5, 1, "7");
    QVERIFY(!grid()->editing());
    QCOMPARE(int(model.editConfig[5]), 2);
    typeIntoCell(4, 1, "7");
    QVERIFY(grid()->editing());
    QCOMPARE(int(model.editConfig[4]), 1);
  }

  void aHugeBeamCountNeverGoesBeyondEightRows() {
    for (int r = 1; r <= 8; ++r) load(BarrierConfig::responseTime(r), std::uint8_t(r));
    reload(200);
    QCOMPARE(grid()->rowCount(), 9);
    for (int r = 1; r <= 8; ++r) QCOMPARE(grid()->displayText(r, 1), QString::number(r * 40) + " ms");
    QVERIFY(!grid()->rowEditable(9));
    typeIntoCell(8, 2, "9");
    endEditing();
    QCOMPARE(int(model.editConfig[24]), 9);
    QCOMPARE(int(model.beamCount), 200);
  }

  void theSerialNumberStopsAt65535AndShowsItAfterLeaving() {
    typeIntoEntry(panel->serialEntry(), "70000");
    QCOMPARE(int(model.editConfig[9]), 0xFF);
    QCOMPARE(int(model.editConfig[10]), 0xFF);
    QCOMPARE(panel->serialEntry()->text(), QString("70000"));
    leaveEntry();
    QCOMPARE(panel->serialEntry()->text(), QString("65535"));

    typeIntoEntry(panel->serialEntry(), "258");
    QCOMPARE(int(model.editConfig[9]), 1);
    QCOMPARE(int(model.editConfig[10]), 2);
  }

  void theSerialNumberIsUnchangedOnlyWhenBothBytesMatch() {
    load(9, 1);
    load(10, 2);
    reload(8);
    QCOMPARE(panel->serialEntry()->palette().color(QPalette::Base), panel->windowColor());
    typeIntoEntry(panel->serialEntry(), "259");  // low byte differs only
    QCOMPARE(panel->serialEntry()->palette().color(QPalette::Base), changed);
    typeIntoEntry(panel->serialEntry(), "514");  // high byte differs only
    QCOMPARE(panel->serialEntry()->palette().color(QPalette::Base), changed);
  }

  void theAutoBlockTimeTakesThreeDigitsAndStopsAt255() {
    typeIntoEntry(panel->blockTimeEntry(), "3x00");
    QCOMPARE(panel->blockTimeEntry()->text(), QString("300"));
    QCOMPARE(int(model.editConfig[16]), 255);
    leaveEntry();
    QCOMPARE(panel->blockTimeEntry()->text(), QString("255"));
  }

  void theCoveredTimeIgnoresLettersAndBackspace() {
    typeIntoEntry(panel->coveredTimeEntry(), "1a2");
    QCOMPARE(panel->coveredTimeEntry()->text(), QString("12"));
    QCOMPARE(int(model.editConfig[11]), 12);
    QTest::keyClick(panel->coveredTimeEntry(), Qt::Key_Backspace);
    QCOMPARE(panel->coveredTimeEntry()->text(), QString("12"));
    QTest::keyClicks(panel->coveredTimeEntry(), "9");
    QCOMPARE(int(model.editConfig[11]), 129);
    QTest::keyClicks(panel->coveredTimeEntry(), "9");  // a fourth digit does not fit
    QCOMPARE(panel->coveredTimeEntry()->text(), QString("129"));

    typeIntoEntry(panel->coveredTimeEntry(), "999");
    QCOMPARE(int(model.editConfig[11]), 255);
    leaveEntry();
    QCOMPARE(panel->coveredTimeEntry()->text(), QString("255"));

    typeIntoEntry(panel->coveredTimeEntry(), "0");
    QCOMPARE(int(model.editConfig[11]), 0);
  }

  void aValueChangedBackToTheBarriersLosesTheHighlightAtOnce() {
    load(16, 5);
    load(BarrierConfig::responseTime(2), 3);
    reload(8);
    QCOMPARE(panel->blockTimeEntry()->palette().color(QPalette::Base), panel->windowColor());
    typeIntoEntry(panel->blockTimeEntry(), "6");
    QCOMPARE(panel->blockTimeEntry()->palette().color(QPalette::Base), changed);
    typeIntoEntry(panel->blockTimeEntry(), "5");
    QCOMPARE(panel->blockTimeEntry()->palette().color(QPalette::Base), panel->windowColor());

    typeIntoCell(2, 1, "200");
    endEditing();
    unselect();
    QCOMPARE(cellPixel(2, 1), changed);
    typeIntoCell(2, 1, "100");  // rounds up to the barrier's 120 ms
    endEditing();
    unselect();
    QCOMPARE(cellPixel(2, 1), grid()->palette().color(QPalette::Base));
  }

  void anAlarmModeAboveOneSelectsTwoBeamsAndShowsAsChanged() {
    load(BarrierConfig::AlarmMode, 2);
    reload(8);
    QVERIFY(panel->alarmModeButton(1)->isChecked());
    QCOMPARE(int(model.editConfig[0]), 1);
    QCOMPARE(panel->alarmModeGroup()->palette().color(QPalette::Window), changed);
    const QImage image = panel->alarmModeGroup()->grab().toImage();
    QCOMPARE(image.pixelColor(image.width() - 3, 2), changed);  // outside the style's frame
  }

  void clickingTheAlarmModeStoresItAndColoursTheGroup() {
    QTest::mouseClick(panel->alarmModeButton(1), Qt::LeftButton);
    QCOMPARE(int(model.editConfig[0]), 1);
    QCOMPARE(panel->alarmModeGroup()->palette().color(QPalette::Window), changed);
    QTest::mouseClick(panel->alarmModeButton(0), Qt::LeftButton);
    QCOMPARE(int(model.editConfig[0]), 0);
    QCOMPARE(panel->alarmModeGroup()->palette().color(QPalette::Window), panel->panelColor());
  }

  void refreshRunsTheOwnersStepFirstAndReloadsEveryEditor() {
    model.editConfig[16] = 44;
    model.editConfig[11] = 7;
    model.editConfig[9] = 0x30;
    model.editConfig[10] = 0x39;
    model.editConfig[20] = 12;
    QString entryAtFirstStep;
    int calls = 0;
    panel->setBeforeRefresh([&] {
      ++calls;
      entryAtFirstStep = panel->blockTimeEntry()->text();
    });
    reload(8);
    QCOMPARE(calls, 1);
    QCOMPARE(entryAtFirstStep, QString("0"));
    QCOMPARE(panel->blockTimeEntry()->text(), QString("44"));
    QCOMPARE(panel->coveredTimeEntry()->text(), QString("7"));
    QCOMPARE(panel->serialEntry()->text(), QString("12345"));
    QCOMPARE(grid()->item(4, 2)->text(), QString("12"));
    QCOMPARE(panel->blockTimeEntry()->palette().color(QPalette::Base), changed);
  }

  void aRefreshDropsAnOpenCellEditor() {
    typeIntoCell(1, 1, "4");
    QVERIFY(grid()->editing());
    load(1, 6);
    reload(8);
    QVERIFY(!grid()->editing());
    QCOMPARE(int(model.editConfig[1]), 6);
    QCOMPARE(grid()->displayText(1, 1), QString("240 ms"));
  }

  void closingThePanelWhileAnEntryHasTheFocusIsSafe() {
    typeIntoEntry(panel->coveredTimeEntry(), "12");
    typeIntoCell(1, 1, "4");
    panel->blockTimeEntry()->setFocus();
    QTest::keyClicks(panel->blockTimeEntry(), "7");
    panel.reset();
    QCOMPARE(int(model.editConfig[16]), 7);
  }
};

QTEST_MAIN(ParameterPanelTest)
#include "ParameterPanelTest.moc"
