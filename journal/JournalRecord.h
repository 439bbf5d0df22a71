#pragma once
// What the journal holds, as plain values: the rows the recorder writes and
// the readers (the timeline, orvita-cli, reports) get back. Times are
// milliseconds since the epoch, UTC.
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

#include "model/BarrierModel.h"

// Stored as numbers: never renumber, only add.
enum class JournalEventKind : int {
  SessionStart = 1,
  SessionEnd = 2,
  Connected = 3,      // version bytes, beam count
  Lost = 4,           // reason
  Status = 5,         // the status bytes
  Supply = 6,         // the filtered supply voltage as shown
  ConfigRead = 7,     // the 32 configuration bytes
  WriteSent = 8,      // the 32 bytes the write carries
  ConfigWritten = 9,  // the 32 bytes the barrier confirmed
  WriteDropped = 10,  // the notice shown
  Reset = 11,
  FileOpened = 12,  // file name and its 32 bytes
  FileSaved = 13,   // file name and its 32 bytes
  WalkTest = 14,    // a JSON document
};

// Stored as numbers: never renumber, only add.
enum class JournalLossReason : int { None = 0, Silence = 1, Unplugged = 2, PortSettings = 3, PortClosed = 4 };

// "session-start", "connected", "config-read", ...; "lost" reasons as
// "silence", "unplugged", "port-settings", "port-closed".
QString journalEventName(JournalEventKind kind);
QString journalLossName(JournalLossReason reason);

// The status bytes as a status reply brought them.
inline constexpr int JournalStatusBytes = 10;
QByteArray statusBytes(const BarrierStatus& status);
BarrierStatus statusFromBytes(const QByteArray& bytes);
QByteArray configBytes(const BarrierConfig& config);
BarrierConfig configFromBytes(const QByteArray& bytes);

// A barrier as the journal tells barriers apart: its transmitter serial
// number with its version bytes and beam count, so that two barriers that
// share a number (0, never set, as every barrier leaves the factory) stay
// apart. A key without version bytes and beam count stands for every barrier
// with that number.
struct JournalBarrierKey {
  // Implicit: a number alone selects every barrier with it.
  JournalBarrierKey(unsigned serial = 0) : serial(serial) {}
  JournalBarrierKey(unsigned serial, QByteArray version, int beamCount)
      : serial(serial), version(std::move(version)), beamCount(beamCount) {}
  bool anyModel() const { return version.isEmpty() && beamCount == 0; }
  bool operator==(const JournalBarrierKey&) const = default;

  unsigned serial = 0;
  QByteArray version;
  int beamCount = 0;
};

// A transmitter serial number as people read it: 0 was never set.
QString journalSerialText(unsigned serial);

// Whether a stored time can be shown: ISO 8601 years 1 to 9999. A crafted
// or damaged journal may hold anything; other times are shown as invalid,
// never computed with.
bool journalTimeValid(qint64 ms);

struct JournalEvent {
  qint64 timeMs = 0;
  JournalEventKind kind = JournalEventKind::Status;
  // The barrier's transmitter serial number, once its connection read it.
  std::optional<unsigned> barrier;
  qint64 session = 0;
  qint64 connection = 0;                               // 0 outside a connection (session start and end)
  JournalLossReason reason = JournalLossReason::None;  // Lost
  int beamCount = 0;                                   // Connected
  QByteArray version;                                  // Connected: the 8 version bytes
  BarrierConfig config;                                // ConfigRead, WriteSent, ConfigWritten, FileOpened, FileSaved
  BarrierStatus status;                                // Status
  double supplyVolts = 0;                              // Supply
  // SessionStart: the program; WriteDropped: the notice; FileOpened,
  // FileSaved: the file's name; Supply: the text shown; WalkTest: JSON.
  QString text;
};

// A barrier the journal knows.
struct JournalBarrier {
  unsigned serial = 0;
  QByteArray version;
  int beamCount = 0;
  qint64 firstSeenMs = 0;
  qint64 lastSeenMs = 0;
  int connections = 0;
  int alarms = 0;   // times the alarm output came on
  int tampers = 0;  // times the tamper output came on
  JournalBarrierKey key() const { return {serial, version, beamCount}; }
};

// A span of time when a barrier was connected.
struct JournalConnection {
  qint64 id = 0;
  qint64 session = 0;
  std::optional<unsigned> barrier;
  qint64 startMs = 0;
  // When it was lost; for a connection cut off by a crash, its last event.
  qint64 endMs = 0;
  bool open = false;  // still connected (its program runs, or crashed)
  JournalLossReason reason = JournalLossReason::None;
  QByteArray version;
  int beamCount = 0;
  QString port;
  int alarms = 0;  // times the alarm output came on
};

// One run of the program or of orvita-cli.
struct JournalSession {
  qint64 id = 0;
  QString program;
  qint64 startMs = 0;
  std::optional<qint64> endMs;  // none while it runs, or when it crashed
  QString port;
  QString adapter;     // the adapter's description, as the system gives it
  QString stableName;  // the adapter's stable name (/dev/serial/by-id/...)
};
