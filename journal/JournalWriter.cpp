#include "journal/JournalWriter.h"

#include <pthread.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <algorithm>

#include "journal/JournalSchema.h"
#include "texts/UiTexts.h"
#include "util/OutputFile.h"
#include "util/UserFolder.h"

struct JournalWriter::Row {
  enum Op { StartSession, SetPort, EndSession, StartConnection, SetBarrier, EndConnection, Event };
  Op op = Event;
  qint64 time = 0;
  int kind = 0;
  qint64 code = 0;
  QByteArray bytes;
  QString text, text2, text3;
};

namespace {

constexpr qint64 DayMs = 24LL * 3600 * 1000;

// SQLite's primary result codes that the journal tells apart.
enum SqliteCode { Busy = 5, Locked = 6, Corrupt = 11, NotADatabase = 26 };

// Qt gives SQLite's code with most errors, but not when a row could not be
// fetched; SQLite's own words for these codes are fixed.
int sqliteCode(const QSqlError& error) {
  if (!error.nativeErrorCode().isEmpty()) return error.nativeErrorCode().toInt() & 0xff;
  const QString text = error.databaseText();
  if (text.contains(QLatin1String("database is locked"))) return Busy;
  if (text.contains(QLatin1String("table is locked"))) return Locked;
  if (text.contains(QLatin1String("malformed"))) return Corrupt;
  if (text.contains(QLatin1String("not a database"))) return NotADatabase;
  return 0;
}

bool damaged(const QSqlError& error) {
  const int code = sqliteCode(error);
  return code == Corrupt || code == NotADatabase;
}

bool busy(const QSqlError& error) {
  const int code = sqliteCode(error);
  return code == Busy || code == Locked;
}

// The journal's file as every output is written (util/OutputFile.h), created
// the user's alone: SQLite gives its -wal and -shm the database's mode. Its
// folder is made when missing, never changed when there. SQLite opens the
// companions by name beside the file, so their names are judged too.
OutputResult prepareJournalFile(const QString& path, QString& target) {
  makePrivateFolder(QFileInfo(path).absolutePath());
  if (const OutputResult r = prepareOutputFile(path, target, PrivateFileMode); !r) return r;
  for (const char* companion : {"-wal", "-shm", "-journal"}) {
    QString ignored;
    if (const OutputResult r = resolveOutputPath(target + QLatin1String(companion), ignored); !r) return r;
  }
  return {};
}

QVariant nullable(qint64 id) { return id == 0 ? QVariant(QMetaType::fromType<qint64>()) : QVariant(id); }

// What the thread holds while the journal is open.
class Store {
 public:
  Store(const JournalOptions& options, std::function<void(const QString&)> report)
      : options_(options), report_(std::move(report)), name_(QStringLiteral("journal-writer-%1").arg(quintptr(this))) {}
  ~Store() { close(); }

  bool open();
  // The file was there before this run; whether it is whole is asked apart
  // (fileLooksWhole), beside the writing.
  bool existed() const { return existed_; }
  // A statement found the file damaged (not told yet).
  bool damageSeen() const { return damageSeen_; }
  // The file turned out damaged: it goes aside and a new one is opened.
  bool startAfresh();
  bool startedAfresh() const { return startedAfresh_; }
  // Writes the rows in one transaction; false stops the journal (told).
  bool write(const std::vector<JournalWriter::Row>& rows);
  // Deletes one session past the retention time; true while there may be
  // more, so that commits go on between them.
  bool deleteOldSession();

 private:
  enum class Opened { Ready, Damaged, Stop };
  Opened tryOpen();
  void close();
  void putAside();
  // Tells `error` as the fault it is; always false.
  bool fail(const QSqlError& error);
  bool exec(QSqlQuery& q) { return q.exec() || fail(q.lastError()); }
  bool exec(const QString& sql) {
    QSqlQuery q(db_);
    return q.exec(sql) || fail(q.lastError());
  }
  bool apply(const JournalWriter::Row& row);
  bool insertEvent(qint64 time, int kind, qint64 code, const QByteArray& bytes, const QString& text);
  bool startConnection(qint64 time, const QByteArray& version, int beams);
  bool endConnection(qint64 time, int reason);
  bool saveConnectionCounts();

  const JournalOptions& options_;
  std::function<void(const QString&)> report_;
  QString name_;
  QSqlDatabase db_;
  std::optional<QSqlQuery> insert_;
  qint64 session_ = 0;
  QString port_;
  qint64 connection_ = 0;
  qint64 connectionBarrier_ = 0;
  QByteArray version_;
  int beams_ = 0;
  bool existed_ = false;
  bool damageSeen_ = false;
  bool startedAfresh_ = false;
  bool deletedOld_ = false;
  std::uint8_t flags_ = 0;
  int alarms_ = 0, tampers_ = 0;
  int savedAlarms_ = 0, savedTampers_ = 0;
};

bool Store::fail(const QSqlError& error) {
  // Told when the file goes aside (once a run).
  if (damaged(error) && !startedAfresh_) {
    damageSeen_ = true;
    return false;
  }
  const QString path = QDir::toNativeSeparators(options_.path);
  if (busy(error))
    report_(uiText(UiTexts::txtJournalLocked).arg(path).arg(options_.busyTimeoutMs / 1000.0));
  else
    report_(uiText(UiTexts::txtJournalCannotWrite).arg(path, error.text()));
  return false;
}

bool Store::open() {
  const Opened first = tryOpen();
  if (first != Opened::Damaged) return first == Opened::Ready;
  putAside();
  return tryOpen() == Opened::Ready;
}

Store::Opened Store::tryOpen() {
  const QFileInfo file(options_.path);
  existed_ = file.exists() && file.size() > 0;
  QString target;
  if (const OutputResult r = prepareJournalFile(options_.path, target); !r) {
    report_(uiText(UiTexts::txtJournalCannotWrite).arg(QDir::toNativeSeparators(options_.path), r.message()));
    return Opened::Stop;
  }
  db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
  db_.setDatabaseName(target);
  db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(options_.busyTimeoutMs));
  if (!db_.open()) {
    fail(db_.lastError());
    return Opened::Stop;
  }
  QSqlQuery q(db_);
  // Asked before anything is written: a newer program's file stays untouched.
  if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
    if (damaged(q.lastError())) return Opened::Damaged;
    fail(q.lastError());
    return Opened::Stop;
  }
  if (q.value(0).toInt() > JournalSchemaVersion) {
    report_(uiText(UiTexts::txtJournalNewer).arg(QDir::toNativeSeparators(options_.path)));
    return Opened::Stop;
  }
  q.finish();
  // WAL: a reader never waits for the writer, and a killed writer leaves
  // the file whole. NORMAL: a commit does not wait for the disk; a power
  // cut may lose the last commits, never the file. Two programs starting
  // on a new file at once: the switch fails at once for one of them instead
  // of waiting on the busy time-out, so it is tried again within it.
  QElapsedTimer switching;
  switching.start();
  while (!q.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !q.next()) {
    if (damaged(q.lastError())) return Opened::Damaged;
    if (!busy(q.lastError()) || switching.elapsed() > options_.busyTimeoutMs) {
      fail(q.lastError());
      return Opened::Stop;
    }
    QThread::msleep(10);
  }
  q.finish();
  if (!exec(QStringLiteral("PRAGMA synchronous = NORMAL"))) return Opened::Stop;
  QString error;
  switch (prepareJournalSchema(db_, &error)) {
    case SchemaOutcome::Ready:
      break;
    case SchemaOutcome::Newer:
      report_(uiText(UiTexts::txtJournalNewer).arg(QDir::toNativeSeparators(options_.path)));
      return Opened::Stop;
    case SchemaOutcome::Failed:
      if (damaged(db_.lastError())) return Opened::Damaged;
      fail(QSqlError(QString(), error, QSqlError::StatementError, db_.lastError().nativeErrorCode()));
      return Opened::Stop;
  }
  insert_.emplace(db_);
  insert_->prepare(QStringLiteral(
      "INSERT INTO event(session, connection, time, kind, code, bytes, text) VALUES (?, ?, ?, ?, ?, ?, ?)"));
  return Opened::Ready;
}

bool Store::startAfresh() {
  putAside();
  session_ = connection_ = connectionBarrier_ = 0;
  startedAfresh_ = true;
  return tryOpen() == Opened::Ready;
}

void Store::close() {
  insert_.reset();
  if (db_.isValid()) {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
  }
}

// A damaged file is never deleted: it goes aside with the time in its name,
// its write-ahead log and index beside it.
void Store::putAside() {
  close();
  const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
  const QString aside = options_.path + QStringLiteral(".damaged-") + stamp;
  QFile::rename(options_.path, aside);
  for (const char* suffix : {"-wal", "-shm"})
    if (QFile::exists(options_.path + QLatin1String(suffix)))
      QFile::rename(options_.path + QLatin1String(suffix), aside + QLatin1String(suffix));
  report_(
      uiText(UiTexts::txtJournalDamaged).arg(QDir::toNativeSeparators(options_.path), QDir::toNativeSeparators(aside)));
}

bool Store::insertEvent(qint64 time, int kind, qint64 code, const QByteArray& bytes, const QString& text) {
  QSqlQuery& q = *insert_;
  q.bindValue(0, session_);
  q.bindValue(1, nullable(connection_));
  q.bindValue(2, time);
  q.bindValue(3, kind);
  q.bindValue(4, code == 0 ? QVariant(QMetaType::fromType<qint64>()) : QVariant(code));
  q.bindValue(5, bytes.isNull() ? QVariant(QMetaType::fromType<QByteArray>()) : QVariant(bytes));
  q.bindValue(6, text.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text));
  return exec(q);
}

bool Store::startConnection(qint64 time, const QByteArray& version, int beams) {
  QSqlQuery q(db_);
  q.prepare(
      QStringLiteral("INSERT INTO connection(session, started, version, beams, port, last_event) "
                     "VALUES (?, ?, ?, ?, ?, ?)"));
  q.addBindValue(session_);
  q.addBindValue(time);
  q.addBindValue(version);
  q.addBindValue(beams);
  q.addBindValue(port_);
  q.addBindValue(time);
  if (!exec(q)) return false;
  connection_ = q.lastInsertId().toLongLong();
  connectionBarrier_ = 0;
  version_ = version;
  beams_ = beams;
  flags_ = 0;
  alarms_ = tampers_ = savedAlarms_ = savedTampers_ = 0;
  return true;
}

// Only when they changed: a commit that writes the events' pages alone is
// cheaper, and a connection cut off by a crash ends at its last event anyway.
bool Store::saveConnectionCounts() {
  if (connection_ == 0 || (alarms_ == savedAlarms_ && tampers_ == savedTampers_)) return true;
  QSqlQuery q(db_);
  q.prepare(QStringLiteral("UPDATE connection SET alarms = ?, tampers = ? WHERE id = ?"));
  q.addBindValue(alarms_);
  q.addBindValue(tampers_);
  q.addBindValue(connection_);
  if (!exec(q)) return false;
  savedAlarms_ = alarms_;
  savedTampers_ = tampers_;
  return true;
}

bool Store::endConnection(qint64 time, int reason) {
  if (connection_ == 0) return true;
  if (!saveConnectionCounts()) return false;
  QSqlQuery q(db_);
  q.prepare(QStringLiteral("UPDATE connection SET ended = ?, last_event = ?, reason = ? WHERE id = ?"));
  q.addBindValue(time);
  q.addBindValue(time);
  q.addBindValue(reason == 0 ? QVariant(QMetaType::fromType<int>()) : QVariant(reason));
  q.addBindValue(connection_);
  if (!exec(q)) return false;
  connection_ = 0;
  return true;
}

bool Store::apply(const JournalWriter::Row& row) {
  using Row = JournalWriter::Row;
  switch (row.op) {
    case Row::StartSession: {
      QSqlQuery q(db_);
      q.prepare(QStringLiteral("INSERT INTO session(program, started, port, pid) VALUES (?, ?, ?, ?)"));
      q.addBindValue(row.text);
      q.addBindValue(row.time);
      q.addBindValue(row.text2);
      q.addBindValue(QCoreApplication::applicationPid());
      if (!exec(q)) return false;
      session_ = q.lastInsertId().toLongLong();
      port_ = row.text2;
      return insertEvent(row.time, int(JournalEventKind::SessionStart), 0, {}, row.text);
    }
    case Row::SetPort: {
      port_ = row.text;
      QSqlQuery q(db_);
      q.prepare(QStringLiteral("UPDATE session SET port = ?, adapter = ?, stable_name = ? WHERE id = ?"));
      q.addBindValue(row.text);
      q.addBindValue(row.text2);
      q.addBindValue(row.text3);
      q.addBindValue(session_);
      return exec(q);
    }
    case Row::EndSession: {
      if (!endConnection(row.time, int(JournalLossReason::PortClosed))) return false;
      if (!insertEvent(row.time, int(JournalEventKind::SessionEnd), 0, {}, {})) return false;
      QSqlQuery q(db_);
      q.prepare(QStringLiteral("UPDATE session SET ended = ? WHERE id = ?"));
      q.addBindValue(row.time);
      q.addBindValue(session_);
      return exec(q);
    }
    case Row::StartConnection:
      if (!endConnection(row.time, int(JournalLossReason::None))) return false;
      if (!startConnection(row.time, row.bytes, int(row.code))) return false;
      return insertEvent(row.time, int(JournalEventKind::Connected), row.code, row.bytes, {});
    case Row::SetBarrier: {
      if (connection_ == 0) return true;
      QSqlQuery q(db_);
      q.prepare(QStringLiteral("INSERT OR IGNORE INTO barrier(serial) VALUES (?)"));
      q.addBindValue(row.code);
      if (!exec(q)) return false;
      q.prepare(QStringLiteral("SELECT id FROM barrier WHERE serial = ?"));
      q.addBindValue(row.code);
      if (!exec(q) || !q.next()) return false;
      const qint64 barrier = q.value(0).toLongLong();
      if (barrier == connectionBarrier_) return true;
      // A new serial number on the same line (a transmitter registered, a
      // number written): from here on it is another barrier's span.
      if (connectionBarrier_ != 0) {
        const QByteArray version = version_;
        if (!endConnection(row.time, int(JournalLossReason::None)) || !startConnection(row.time, version, beams_) ||
            !insertEvent(row.time, int(JournalEventKind::Connected), beams_, version, {}))
          return false;
      }
      q.prepare(QStringLiteral("UPDATE connection SET barrier = ? WHERE id = ?"));
      q.addBindValue(barrier);
      q.addBindValue(connection_);
      if (!exec(q)) return false;
      connectionBarrier_ = barrier;
      return true;
    }
    case Row::EndConnection:
      if (connection_ == 0) return true;
      if (!insertEvent(row.time, int(JournalEventKind::Lost), row.code, {}, {})) return false;
      return endConnection(row.time, int(row.code));
    case Row::Event:
      if (row.kind == int(JournalEventKind::Status) && connection_ != 0) {
        const std::uint8_t flags = statusFromBytes(row.bytes).statusFlags;
        if ((flags & statusflag::AlarmOutput) && !(flags_ & statusflag::AlarmOutput)) ++alarms_;
        if ((flags & statusflag::TamperOutput) && !(flags_ & statusflag::TamperOutput)) ++tampers_;
        flags_ = flags;
      }
      return insertEvent(row.time, row.kind, row.code, row.bytes, row.text);
  }
  return true;
}

bool Store::write(const std::vector<JournalWriter::Row>& rows) {
  if (rows.empty()) return true;
  if (!exec(QStringLiteral("BEGIN IMMEDIATE"))) return false;
  for (const auto& row : rows)
    if (!apply(row)) {
      QSqlQuery(db_).exec(QStringLiteral("ROLLBACK"));
      return false;
    }
  if (!saveConnectionCounts()) {
    QSqlQuery(db_).exec(QStringLiteral("ROLLBACK"));
    return false;
  }
  if (!exec(QStringLiteral("COMMIT"))) {
    QSqlQuery(db_).exec(QStringLiteral("ROLLBACK"));
    return false;
  }
  return true;
}

bool Store::deleteOldSession() {
  if (options_.retentionDays <= 0) return false;
  const qint64 cutoff = QDateTime::currentMSecsSinceEpoch() - options_.retentionDays * DayMs;
  QSqlQuery old(db_);
  // A session without an end (still running, or cut off) is as old as its
  // last event.
  old.prepare(QStringLiteral(
      "SELECT s.id FROM session s WHERE coalesce(s.ended, (SELECT max(e.time) FROM connection c JOIN event e ON "
      "e.connection = c.id WHERE c.session = s.id), s.started) < ? AND s.id != ? LIMIT 1"));
  old.addBindValue(cutoff);
  old.addBindValue(session_);
  if (!old.exec()) return false;
  if (!old.next()) {
    if (deletedOld_)
      QSqlQuery(db_).exec(QStringLiteral(
          "DELETE FROM barrier WHERE id NOT IN (SELECT barrier FROM connection WHERE barrier IS NOT NULL)"));
    return false;
  }
  const qint64 id = old.value(0).toLongLong();
  old.finish();
  // In a short transaction of its own: the other program on the journal
  // waits for no more than this.
  QSqlQuery q(db_);
  if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) return false;
  const QString statements[] = {
      QStringLiteral("DELETE FROM event WHERE connection IN (SELECT id FROM connection WHERE session = %1)"),
      QStringLiteral("DELETE FROM event WHERE connection IS NULL AND session = %1"),
      QStringLiteral("DELETE FROM connection WHERE session = %1"),
      QStringLiteral("DELETE FROM session WHERE id = %1"),
  };
  for (const QString& statement : statements)
    if (!q.exec(statement.arg(id))) {
      q.exec(QStringLiteral("ROLLBACK"));
      return false;
    }
  deletedOld_ = q.exec(QStringLiteral("COMMIT"));
  return deletedOld_;
}

// On a connection of its own, so that the writer goes on meanwhile: false
// only when the file is found damaged.
bool fileLooksWhole(const QString& path, int busyTimeoutMs) {
  const QString name = QStringLiteral("journal-check-%1").arg(quintptr(&path));
  bool whole = true;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    if (db.open()) {
      QSqlQuery q(db);
      if (q.exec(QStringLiteral("PRAGMA quick_check")) && q.next())
        whole = q.value(0).toString() == QStringLiteral("ok");
      else
        whole = !damaged(q.lastError());
    }
  }
  QSqlDatabase::removeDatabase(name);
  return whole;
}

// What a new file needs to go on with the run: its session and the
// connection that is open.
void remember(std::vector<JournalWriter::Row>& context, const JournalWriter::Row& row) {
  using Row = JournalWriter::Row;
  const auto drop = [&context](std::initializer_list<Row::Op> ops) {
    std::erase_if(context, [ops](const Row& r) { return std::find(ops.begin(), ops.end(), r.op) != ops.end(); });
  };
  switch (row.op) {
    case Row::StartSession:
    case Row::EndSession:
      context.clear();
      break;
    case Row::SetPort:
      drop({Row::SetPort});
      break;
    case Row::StartConnection:
    case Row::EndConnection:
      drop({Row::StartConnection, Row::SetBarrier});
      break;
    case Row::SetBarrier:
      drop({Row::SetBarrier});
      break;
    case Row::Event:
      return;
  }
  if (row.op != Row::EndSession && row.op != Row::EndConnection) context.push_back(row);
}

}  // namespace

JournalWriter::JournalWriter(JournalOptions options)
    : options_(std::move(options)), context_(std::make_unique<QObject>()) {
  thread_ = std::thread([this] { run(); });
}

JournalWriter::~JournalWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void JournalWriter::enqueue(Row row) {
  if (!working_) return;
  // The first row wakes the thread, which then gathers rows for an
  // interval; a session's end is written at once.
  const bool now = row.op == Row::EndSession;
  bool first = false;
  {
    std::lock_guard lock(mutex_);
    first = queue_.empty();
    queue_.push_back(std::move(row));
    ++queued_;
    flushWanted_ = flushWanted_ || now;
  }
  if (now || first) wake_.notify_all();
}

void JournalWriter::startSession(qint64 timeMs, const QString& program, const QString& port) {
  enqueue({Row::StartSession, timeMs, 0, 0, {}, program, port, {}});
}

void JournalWriter::setPort(const QString& port, const QString& adapter, const QString& stableName) {
  enqueue({Row::SetPort, 0, 0, 0, {}, port, adapter, stableName});
}

void JournalWriter::endSession(qint64 timeMs) { enqueue({Row::EndSession, timeMs, 0, 0, {}, {}, {}, {}}); }

void JournalWriter::startConnection(qint64 timeMs, const QByteArray& version, int beamCount) {
  enqueue({Row::StartConnection, timeMs, 0, beamCount, version, {}, {}, {}});
}

void JournalWriter::setBarrier(qint64 timeMs, unsigned serial) {
  enqueue({Row::SetBarrier, timeMs, 0, qint64(serial), {}, {}, {}, {}});
}

void JournalWriter::endConnection(qint64 timeMs, JournalLossReason reason) {
  enqueue({Row::EndConnection, timeMs, 0, int(reason), {}, {}, {}, {}});
}

void JournalWriter::addEvent(qint64 timeMs, JournalEventKind kind, const QByteArray& bytes, const QString& text) {
  enqueue({Row::Event, timeMs, int(kind), 0, bytes, text, {}, {}});
}

void JournalWriter::flush() {
  std::unique_lock lock(mutex_);
  const quint64 target = queued_;
  flushWanted_ = true;
  wake_.notify_all();
  flushed_.wait(lock, [&] { return committed_ >= target || !working_; });
}

void JournalWriter::report(const QString& text) {
  QMetaObject::invokeMethod(
      context_.get(),
      [this, text] {
        if (onFault) onFault(text);
      },
      Qt::QueuedConnection);
}

void JournalWriter::run() {
  pthread_setname_np(pthread_self(), "orvita-journal");  // as top and the benchmark see it
  Store store(options_, [this](const QString& text) { report(text); });
  bool open = store.open();
  // A journal kept from earlier runs is checked beside the writing, since
  // reading a file of months takes seconds and a program killed meanwhile
  // would lose what it queued. Until the check answers, what is written is
  // kept here too, to go into a new file should this one be damaged; after
  // it, the session and connection that are open.
  bool checking = open && store.existed();
  std::atomic<int> verdict{0};  // 1 whole, 2 damaged
  std::thread checker;
  std::vector<Row> sinceOpen, context;
  const auto startAfresh = [&](const std::vector<Row>& unwritten) {
    return store.startAfresh() && store.write(checking ? sinceOpen : context) && store.write(unwritten);
  };
  const auto written = [&](const std::vector<Row>& rows) {
    for (const Row& row : rows) remember(context, row);
    if (checking) sinceOpen.insert(sinceOpen.end(), rows.begin(), rows.end());
  };
  bool trimming = true;
  bool first = true;  // the session's start is written as soon as the file is open
  std::vector<Row> rows;
  for (;;) {
    bool stop = false;
    {
      std::unique_lock lock(mutex_);
      const auto due = [&] { return stopping_ || flushWanted_; };
      if (!first) {
        // Once the file is checked and trimmed, with nothing queued the
        // thread sleeps: a barrier whose state does not change costs the
        // journal nothing.
        if (!(open && (checking || trimming))) wake_.wait(lock, [&] { return due() || !queue_.empty(); });
        wake_.wait_for(lock, std::chrono::milliseconds(options_.commitIntervalMs), due);
      }
      first = false;
      rows.swap(queue_);
      flushWanted_ = false;
      stop = stopping_;
    }
    if (open) {
      open = store.write(rows) || (store.damageSeen() && !store.startedAfresh() && startAfresh(rows));
      if (open) written(rows);
    }
    if (open && checking) {
      if (!checker.joinable()) {
        checker = std::thread([&] { verdict = fileLooksWhole(options_.path, options_.busyTimeoutMs) ? 1 : 2; });
      } else if (verdict != 0 || stop) {
        checker.join();
        if (verdict == 2 && !store.startedAfresh()) open = startAfresh({});
        checking = false;
        sinceOpen.clear();
      }
    }
    if (!open) working_ = false;
    {
      std::lock_guard lock(mutex_);
      committed_ += rows.size();
      if (!working_) {
        committed_ += queue_.size();
        queue_.clear();
      }
    }
    flushed_.notify_all();
    rows.clear();
    if (stop) break;
    // The old sessions go once the program runs, one per commit.
    if (open && !checking && trimming) trimming = store.deleteOldSession();
  }
  if (checker.joinable()) checker.join();
}
