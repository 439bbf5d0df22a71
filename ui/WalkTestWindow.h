#pragma once
// "Test uruchomieniowy": the walk test beside the main window, which keeps
// polling and drawing. It watches the barrier through the device link's
// observer seam, shows every item's lane turning green as it passes, sounds
// the pass chime, and makes the commissioning record. Main thread only.
#include <QWidget>
#include <functional>
#include <optional>

#include "link/DeviceLink.h"
#include "report/CommissioningRecord.h"
#include "walktest/WalkTestRun.h"

class QLabel;
class QPushButton;
class WalkTestBoard;

class WalkTestWindow : public QWidget {
  Q_OBJECT
 public:
  // What the window needs of the program around it.
  struct Services {
    std::function<QString()> portName;  // the port the link uses now
    std::function<void()> passChime;    // the pass sound
    // Keeps a finished test's document (the journal); may be empty.
    std::function<void(const QString& json)> store;
  };

  WalkTestWindow(const BarrierModel& model, const LinkState& state, DeviceLink& link, Services services,
                 QWidget* parent = nullptr);
  ~WalkTestWindow() override;

  // Starts a test (again); it waits for the barrier when there is none yet.
  void startTest();
  // The record of the test shown, also while it runs (else the barrier's
  // last one in the journal): the form, then a PDF file or a printer.
  void printRecord();
  // The record as it would be printed now with the form's texts.
  CommissioningRecord record(const QString& site, const QString& technician, const QString& remark) const;

  const WalkTestRun& run() const { return run_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void comparePlan();
  void refresh();
  // The port in use and its device, as the record names the adapter.
  QString adapter() const;

  const BarrierModel& model_;
  const LinkState& state_;
  DeviceLink& link_;
  Services services_;
  WalkTestRun run_;
  QString planFile_;
  BarrierConfig plan_;
  QStringList planDifferences_;

  QLabel* headline_ = nullptr;
  QLabel* instruction_ = nullptr;
  WalkTestBoard* board_ = nullptr;
  QLabel* details_ = nullptr;
  QPushButton* endButton_ = nullptr;
  QPushButton* repeatButton_ = nullptr;
  QPushButton* planButton_ = nullptr;
  QPushButton* recordButton_ = nullptr;
};
