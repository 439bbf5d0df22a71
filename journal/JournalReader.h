#pragma once
// Reads the journal for the timeline, orvita-cli and reports, on one
// read-only connection of its own: it never waits for a program that is
// writing, never creates the file and never changes it. One thread.
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <limits>
#include <optional>

#include "journal/JournalRecord.h"

struct JournalQuery {
  std::optional<JournalBarrierKey> barrier;  // none: every barrier, and events outside connections
  qint64 fromMs = std::numeric_limits<qint64>::min();
  qint64 untilMs = std::numeric_limits<qint64>::max();  // inclusive
  QList<JournalEventKind> kinds;                        // empty: every kind
};

class JournalReader {
 public:
  explicit JournalReader(QString path);
  ~JournalReader();
  JournalReader(const JournalReader&) = delete;
  JournalReader& operator=(const JournalReader&) = delete;

  // False with error() set when the file is missing, not a journal or from
  // a newer program.
  bool open();
  const QString& error() const { return error_; }

  // The barriers the journal knows (JournalBarrierKey tells them apart), by
  // serial number.
  QList<JournalBarrier> barriers();
  // The events `query` selects, oldest first (time, then order of writing).
  QList<JournalEvent> events(const JournalQuery& query);
  // The same one by one, for exports of any size; `take` returns false to stop.
  bool forEachEvent(const JournalQuery& query, const std::function<bool(const JournalEvent&)>& take);
  // The spans when the barrier (or any, when none is given) was connected
  // that overlap [fromMs, untilMs], oldest first.
  QList<JournalConnection> connections(const std::optional<JournalBarrierKey>& barrier,
                                       qint64 fromMs = std::numeric_limits<qint64>::min(),
                                       qint64 untilMs = std::numeric_limits<qint64>::max());
  QList<JournalSession> sessions();
  // The last event of one of `kinds` in `connection` at or before `atMs`;
  // failing that, with `orItsBarrier`, the last such event of the
  // connection's barrier before it (for a state that began before a range).
  std::optional<JournalEvent> lastBefore(qint64 connection, const QList<JournalEventKind>& kinds, qint64 atMs,
                                         bool orItsBarrier = false);
  // The newest walk test result recorded for the barrier.
  std::optional<JournalEvent> lastWalkTest(const JournalBarrierKey& barrier);

 private:
  QString path_;
  QString name_;
  QSqlDatabase db_;
  QString error_;
};
