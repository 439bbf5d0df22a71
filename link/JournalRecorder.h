#pragma once
// Turns what the link tells (LinkObserver) into journal rows: one session per
// run, a connection per identification, every status change, the supply at
// most once a second (from its first settled value in each connection),
// configuration reads and writes, files. Main thread; each call only queues a
// row (JournalWriter), so the link never waits.
#include <QString>
#include <QTimer>
#include <functional>

#include "journal/JournalWriter.h"
#include "link/LinkObserver.h"
#include "serial/PortList.h"

class JournalRecorder : public LinkObserver {
 public:
  static constexpr qint64 SupplyIntervalMs = 1000;

  // Starts the session of `program` ("orvita", "orvita-cli") on `port`.
  // `clock` gives the time in ms since the epoch, UTC (tests pass their own).
  JournalRecorder(JournalWriter& writer, const QString& program, const QString& port,
                  std::function<qint64()> clock = {});
  // Ends the session as finish() does, unless done already.
  ~JournalRecorder() override;
  JournalRecorder(const JournalRecorder&) = delete;
  JournalRecorder& operator=(const JournalRecorder&) = delete;

  // A configuration file was opened or saved, with its 32 bytes.
  void fileOpened(const QString& path, const BarrierConfig& config);
  void fileSaved(const QString& path, const BarrierConfig& config);
  // A walk test's result as a JSON document, for the connected barrier.
  void walkTest(const QString& json);
  // The run ends: a barrier still connected is lost with the port closed.
  void finish();
  // Writes a supply held back within its second once the second has passed
  // (a timer calls it).
  void writeDueSupply();

  // LinkObserver
  void portOpened(const QString& deviceName) override;
  void barrierIdentified(std::span<const std::uint8_t> versionInfo, int beamCount) override;
  void barrierLost(LinkLoss reason) override;
  void statusChanged(const BarrierStatus& status, std::span<const std::uint8_t> frame) override;
  void supplyTextChanged(const QString& text) override;
  void configurationRead(const BarrierConfig& config) override;
  void writeSent(const BarrierConfig& config) override;
  void writeConfirmed(const BarrierConfig& config) override;
  void writeDropped(const QString& notice) override;
  void resetConfirmed() override;

 private:
  qint64 now() const { return clock_(); }
  void writeSupply();

  JournalWriter& writer_;
  std::function<qint64()> clock_;
  bool connected_ = false;
  bool finished_ = false;
  qint64 lastSupplyMs_ = 0;
  QString shownSupply_;    // as last written
  QString pendingSupply_;  // changed since, waiting for its second
  QTimer supplyTimer_;
};

// A port's adapter as the system describes it ("FTDI FT232R USB UART") and
// its stable name (/dev/serial/by-id/...), from the folders the port list
// reads; empty for what is no USB adapter or has no stable name.
struct AdapterIdentity {
  QString description;
  QString stableName;
};
AdapterIdentity adapterIdentity(const QString& deviceName, const QString& sysfsRoot = SysfsTtyRoot,
                                const QString& byIdFolder = SerialByIdFolder);
