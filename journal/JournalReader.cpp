#include "journal/JournalReader.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "journal/JournalSchema.h"
#include "texts/UiTexts.h"

namespace {

// The columns every event query selects, in this order.
const QString EventColumns = QStringLiteral(
    "SELECT e.time, e.kind, e.session, e.connection, e.code, e.bytes, e.text, b.serial FROM event e "
    "LEFT JOIN connection c ON c.id = e.connection LEFT JOIN barrier b ON b.id = c.barrier ");

JournalEvent eventFrom(const QSqlQuery& q) {
  JournalEvent e;
  e.timeMs = q.value(0).toLongLong();
  e.kind = JournalEventKind(q.value(1).toInt());
  e.session = q.value(2).toLongLong();
  e.connection = q.value(3).toLongLong();
  const qint64 code = q.value(4).toLongLong();
  const QByteArray bytes = q.value(5).toByteArray();
  e.text = q.value(6).toString();
  if (!q.value(7).isNull()) e.barrier = q.value(7).toUInt();
  switch (e.kind) {
    case JournalEventKind::Connected:
      e.version = bytes;
      e.beamCount = int(code);
      break;
    case JournalEventKind::Lost:
      e.reason = JournalLossReason(code);
      break;
    case JournalEventKind::Status:
      e.status = statusFromBytes(bytes);
      break;
    case JournalEventKind::Supply:
      e.supplyVolts = e.text.trimmed().toDouble();
      break;
    case JournalEventKind::ConfigRead:
    case JournalEventKind::WriteSent:
    case JournalEventKind::ConfigWritten:
    case JournalEventKind::FileOpened:
    case JournalEventKind::FileSaved:
      e.config = configFromBytes(bytes);
      break;
    default:
      break;
  }
  return e;
}

// The condition on a connection's barrier column `column` that selects `key`.
QString barrierCondition(const QString& column, const JournalBarrierKey& key) {
  return QStringLiteral("%1 IN (SELECT id FROM barrier WHERE serial = :serial%2) ")
      .arg(column, key.anyModel() ? QString() : QStringLiteral(" AND version = :version AND beams = :beams"));
}

void bindBarrier(QSqlQuery& q, const JournalBarrierKey& key) {
  q.bindValue(QStringLiteral(":serial"), key.serial);
  if (key.anyModel()) return;
  q.bindValue(QStringLiteral(":version"), key.version);
  q.bindValue(QStringLiteral(":beams"), key.beamCount);
}

QString kindList(const QList<JournalEventKind>& kinds) {
  QStringList numbers;
  for (const JournalEventKind k : kinds) numbers << QString::number(int(k));
  return numbers.join(QLatin1Char(','));
}

}  // namespace

JournalReader::JournalReader(QString path)
    : path_(std::move(path)), name_(QStringLiteral("journal-reader-%1").arg(quintptr(this))) {}

JournalReader::~JournalReader() {
  if (db_.isValid()) {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
  }
}

bool JournalReader::open() {
  const QString shown = QDir::toNativeSeparators(path_);
  if (!QFileInfo(path_).isFile()) {
    error_ = uiText(UiTexts::txtJournalCannotRead).arg(shown, uiText(UiTexts::txtJournalNoFile));
    return false;
  }
  db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
  db_.setDatabaseName(path_);
  db_.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
  if (!db_.open()) {
    error_ = uiText(UiTexts::txtJournalCannotRead).arg(shown, db_.lastError().text());
    return false;
  }
  QSqlQuery q(db_);
  if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
    error_ = uiText(UiTexts::txtJournalCannotRead).arg(shown, q.lastError().text());
    return false;
  }
  const int version = q.value(0).toInt();
  if (version > JournalSchemaVersion) {
    error_ = uiText(UiTexts::txtJournalNewer).arg(shown);
    return false;
  }
  if (version < JournalSchemaVersion) {
    // The next program that writes upgrades it; until then nothing to read.
    error_ = uiText(UiTexts::txtJournalCannotRead).arg(shown, QStringLiteral("user_version %1").arg(version));
    return false;
  }
  return true;
}

QList<JournalBarrier> JournalReader::barriers() {
  QList<JournalBarrier> list;
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  // A connection cut off by a crash ends at its last event.
  if (!q.exec(QStringLiteral("SELECT b.serial, min(c.started), max(coalesce(c.ended, (SELECT max(time) FROM event "
                             "WHERE connection = c.id), c.started)), count(*), sum(c.alarms), sum(c.tampers), "
                             "b.version, b.beams FROM barrier b JOIN connection c ON c.barrier = b.id GROUP BY b.id "
                             "ORDER BY b.serial, b.beams, b.version")))
    return list;
  while (q.next()) {
    JournalBarrier b;
    b.serial = q.value(0).toUInt();
    b.firstSeenMs = q.value(1).toLongLong();
    b.lastSeenMs = q.value(2).toLongLong();
    b.connections = q.value(3).toInt();
    b.alarms = q.value(4).toInt();
    b.tampers = q.value(5).toInt();
    b.version = q.value(6).toByteArray();
    b.beamCount = q.value(7).toInt();
    list << b;
  }
  return list;
}

bool JournalReader::forEachEvent(const JournalQuery& query, const std::function<bool(const JournalEvent&)>& take) {
  QString sql = EventColumns + QStringLiteral("WHERE e.time >= :from AND e.time <= :until ");
  if (query.barrier) sql += QStringLiteral("AND ") + barrierCondition(QStringLiteral("c.barrier"), *query.barrier);
  if (!query.kinds.isEmpty()) sql += QStringLiteral("AND e.kind IN (%1) ").arg(kindList(query.kinds));
  sql += QStringLiteral("ORDER BY e.time, e.id");
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  q.prepare(sql);
  q.bindValue(QStringLiteral(":from"), query.fromMs);
  q.bindValue(QStringLiteral(":until"), query.untilMs);
  if (query.barrier) bindBarrier(q, *query.barrier);
  if (!q.exec()) {
    error_ = q.lastError().text();
    return false;
  }
  while (q.next())
    if (!take(eventFrom(q))) break;
  return true;
}

QList<JournalEvent> JournalReader::events(const JournalQuery& query) {
  QList<JournalEvent> list;
  forEachEvent(query, [&](const JournalEvent& e) {
    list << e;
    return true;
  });
  return list;
}

QList<JournalConnection> JournalReader::connections(const std::optional<JournalBarrierKey>& barrier, qint64 fromMs,
                                                    qint64 untilMs) {
  QList<JournalConnection> list;
  QString sql = QStringLiteral(
      "SELECT * FROM (SELECT c.id, c.session, b.serial, c.started, coalesce(c.ended, (SELECT max(time) FROM event "
      "WHERE connection = c.id), c.started) AS ending, c.ended IS NULL, c.reason, c.version, c.beams, c.port, "
      "c.alarms FROM connection c LEFT JOIN barrier b ON b.id = c.barrier WHERE c.started <= :until ");
  if (barrier) sql += QStringLiteral("AND ") + barrierCondition(QStringLiteral("c.barrier"), *barrier);
  sql += QStringLiteral(") WHERE ending >= :from ORDER BY started, id");
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  q.prepare(sql);
  q.bindValue(QStringLiteral(":from"), fromMs);
  q.bindValue(QStringLiteral(":until"), untilMs);
  if (barrier) bindBarrier(q, *barrier);
  if (!q.exec()) return list;
  while (q.next()) {
    JournalConnection c;
    c.id = q.value(0).toLongLong();
    c.session = q.value(1).toLongLong();
    if (!q.value(2).isNull()) c.barrier = q.value(2).toUInt();
    c.startMs = q.value(3).toLongLong();
    c.endMs = q.value(4).toLongLong();
    c.open = q.value(5).toBool();
    c.reason = JournalLossReason(q.value(6).toInt());
    c.version = q.value(7).toByteArray();
    c.beamCount = q.value(8).toInt();
    c.port = q.value(9).toString();
    c.alarms = q.value(10).toInt();
    list << c;
  }
  return list;
}

QList<JournalSession> JournalReader::sessions() {
  QList<JournalSession> list;
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  if (!q.exec(QStringLiteral(
          "SELECT id, program, started, ended, port, adapter, stable_name FROM session ORDER BY started, id")))
    return list;
  while (q.next()) {
    JournalSession s;
    s.id = q.value(0).toLongLong();
    s.program = q.value(1).toString();
    s.startMs = q.value(2).toLongLong();
    if (!q.value(3).isNull()) s.endMs = q.value(3).toLongLong();
    s.port = q.value(4).toString();
    s.adapter = q.value(5).toString();
    s.stableName = q.value(6).toString();
    list << s;
  }
  return list;
}

std::optional<JournalEvent> JournalReader::lastBefore(qint64 connection, const QList<JournalEventKind>& kinds,
                                                      qint64 atMs, bool orItsBarrier) {
  const QString kindsSql = kindList(kinds);
  QSqlQuery q(db_);
  q.prepare(EventColumns + QStringLiteral("WHERE e.connection = ? AND e.kind IN (%1) AND e.time <= ? "
                                          "ORDER BY e.time DESC, e.id DESC LIMIT 1")
                               .arg(kindsSql));
  q.addBindValue(connection);
  q.addBindValue(atMs);
  if (q.exec() && q.next()) return eventFrom(q);
  if (!orItsBarrier) return std::nullopt;
  q.prepare(EventColumns + QStringLiteral("WHERE c.barrier = (SELECT barrier FROM connection WHERE id = ?) AND "
                                          "e.kind IN (%1) AND e.time <= ? ORDER BY e.time DESC, e.id DESC LIMIT 1")
                               .arg(kindsSql));
  q.addBindValue(connection);
  q.addBindValue(atMs);
  if (q.exec() && q.next()) return eventFrom(q);
  return std::nullopt;
}

std::optional<JournalEvent> JournalReader::lastWalkTest(const JournalBarrierKey& barrier) {
  QSqlQuery q(db_);
  q.prepare(
      EventColumns + QStringLiteral("WHERE ") + barrierCondition(QStringLiteral("c.barrier"), barrier) +
      QStringLiteral("AND e.kind = %1 ORDER BY e.time DESC, e.id DESC LIMIT 1").arg(int(JournalEventKind::WalkTest)));
  bindBarrier(q, barrier);
  if (q.exec() && q.next()) return eventFrom(q);
  return std::nullopt;
}
