#pragma once
// Writes the journal without ever making its caller wait: every call only
// queues a row; a thread of its own opens the file, keeps its schema, trims
// old sessions and commits what is queued every CommitIntervalMs in one
// transaction. A kill loses at most the rows of the last interval, and
// SQLite's write-ahead log keeps the file whole. What the log holds is copied
// into the file at every session's end and every checkpointIntervalMs, since
// a log damaged later loses every commit after its first bad frame.
//
// One writer per program run; it is the run's session. Calls from the thread
// that created it (the main thread); faults are told once each, through
// onFault on that thread's event loop, and the program goes on without the
// journal (a damaged file is put aside and a new one started instead).
#include <QByteArray>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "journal/JournalRecord.h"

class QObject;

struct JournalOptions {
  QString path;
  int retentionDays = 180;   // sessions that ended longer ago are deleted at start; 0 keeps all
  int busyTimeoutMs = 5000;  // longer than this locked by another program is a fault
  int commitIntervalMs = 500;
  int checkpointIntervalMs = 120'000;  // the log copied into the file at least this often while recording
};

class JournalWriter {
 public:
  explicit JournalWriter(JournalOptions options);
  // Writes what is queued (waiting at most the busy time-out) and closes.
  ~JournalWriter();
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  // The fault's text in the user's words, once per fault, on the creating
  // thread; working() already tells whether the journal stopped with it.
  std::function<void(const QString& text)> onFault;

  // The run begins: `program` names it ("orvita", "orvita-cli status").
  void startSession(qint64 timeMs, const QString& program, const QString& port);
  // The port in use and the adapter behind it, as the system describes it.
  void setPort(const QString& port, const QString& adapter, const QString& stableName);
  void endSession(qint64 timeMs);

  // A barrier answered: the following events belong to this connection.
  void startConnection(qint64 timeMs, const QByteArray& version, int beamCount);
  // The connection's barrier by its transmitter serial number; its earlier
  // events go with it. A different number than before starts a new span.
  void setBarrier(qint64 timeMs, unsigned serial);
  void endConnection(qint64 timeMs, JournalLossReason reason);
  // Any event; it belongs to the open connection, if any.
  void addEvent(qint64 timeMs, JournalEventKind kind, const QByteArray& bytes = {}, const QString& text = {});

  // Waits until everything queued so far is committed (or dropped by a
  // fault). For tests and benchmarks; the program never needs it.
  void flush();
  // False once a fault has stopped the journal for this run.
  bool working() const { return working_; }
  const QString& path() const { return options_.path; }

  struct Row;

 private:
  void enqueue(Row row);
  void run();
  void report(const QString& text, bool stops);

  JournalOptions options_;
  std::unique_ptr<QObject> context_;  // delivers faults on the creating thread
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable flushed_;
  std::vector<Row> queue_;
  quint64 queued_ = 0;     // rows ever queued
  quint64 committed_ = 0;  // rows ever taken off the queue and done with
  bool stopping_ = false;
  bool flushWanted_ = false;
  std::atomic<bool> working_{true};
  std::thread thread_;
};
