#include "journal/JournalSchema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "journal/JournalRecord.h"

namespace {

bool exec(QSqlDatabase& db, const QString& sql, QString* error) {
  QSqlQuery q(db);
  if (q.exec(sql)) return true;
  if (error) *error = q.lastError().text();
  return false;
}

// Version 1 counted alarms when asked; version 2 keeps a count per
// connection, so listing barriers stays quick on a journal of months.
bool countAlarms(QSqlDatabase& db, QString* error) {
  QSqlQuery statuses(db);
  statuses.setForwardOnly(true);
  if (!statuses.exec(QStringLiteral("SELECT connection, bytes FROM event WHERE kind = %1 AND connection IS NOT NULL "
                                    "ORDER BY connection, time, id")
                         .arg(int(JournalEventKind::Status)))) {
    if (error) *error = statuses.lastError().text();
    return false;
  }
  struct Count {
    qint64 connection;
    int alarms, tampers;
  };
  QList<Count> counts;
  qint64 current = -1;
  std::uint8_t previous = 0;
  while (statuses.next()) {
    const qint64 connection = statuses.value(0).toLongLong();
    const std::uint8_t flags = statusFromBytes(statuses.value(1).toByteArray()).statusFlags;
    if (connection != current) {
      counts.append({connection, 0, 0});
      current = connection;
      previous = 0;
    }
    if ((flags & statusflag::AlarmOutput) && !(previous & statusflag::AlarmOutput)) ++counts.last().alarms;
    if ((flags & statusflag::TamperOutput) && !(previous & statusflag::TamperOutput)) ++counts.last().tampers;
    previous = flags;
  }
  QSqlQuery update(db);
  update.prepare(QStringLiteral("UPDATE connection SET alarms = ?, tampers = ? WHERE id = ?"));
  for (const Count& c : counts) {
    update.addBindValue(c.alarms);
    update.addBindValue(c.tampers);
    update.addBindValue(c.connection);
    if (!update.exec()) {
      if (error) *error = update.lastError().text();
      return false;
    }
  }
  return true;
}

// Up to version 2 a barrier was its serial number alone; since version 3 its
// version bytes and beam count belong to it too.
QString barrierTable(int version, const QString& name) {
  if (version < 3)
    return QStringLiteral("CREATE TABLE %1(id INTEGER PRIMARY KEY, serial INTEGER NOT NULL UNIQUE)").arg(name);
  return QStringLiteral(
             "CREATE TABLE %1(id INTEGER PRIMARY KEY, serial INTEGER NOT NULL, version BLOB NOT NULL, beams INTEGER "
             "NOT NULL, UNIQUE(serial, version, beams))")
      .arg(name);
}

// Each serial number becomes one barrier per model its connections had.
QStringList barriersByModel() {
  return {
      barrierTable(3, QStringLiteral("barrier_by_model")),
      QStringLiteral("INSERT OR IGNORE INTO barrier_by_model(serial, version, beams) SELECT b.serial, "
                     "coalesce(c.version, x''), coalesce(c.beams, 0) FROM connection c JOIN barrier b ON b.id = "
                     "c.barrier ORDER BY c.started, c.id"),
      QStringLiteral(
          "UPDATE connection SET barrier = (SELECT m.id FROM barrier_by_model m JOIN barrier b ON b.serial = "
          "m.serial WHERE b.id = connection.barrier AND m.version = coalesce(connection.version, x'') AND "
          "m.beams = coalesce(connection.beams, 0)) WHERE barrier IS NOT NULL"),
      QStringLiteral("DROP TABLE barrier"),
      QStringLiteral("ALTER TABLE barrier_by_model RENAME TO barrier"),
  };
}

}  // namespace

QStringList journalSchemaStatements(int version) {
  QStringList statements{
      QStringLiteral("CREATE TABLE session(id INTEGER PRIMARY KEY, program TEXT NOT NULL, started INTEGER NOT NULL, "
                     "ended INTEGER, port TEXT, adapter TEXT, stable_name TEXT, pid INTEGER)"),
      barrierTable(version, QStringLiteral("barrier")),
      QStringLiteral("CREATE TABLE connection(id INTEGER PRIMARY KEY, session INTEGER NOT NULL, barrier INTEGER, "
                     "started INTEGER NOT NULL, ended INTEGER, reason INTEGER, version BLOB, beams INTEGER, "
                     "port TEXT, last_event INTEGER%1)")
          .arg(version >= 2 ? QStringLiteral(", alarms INTEGER NOT NULL DEFAULT 0, tampers INTEGER NOT NULL DEFAULT 0")
                            : QString()),
      QStringLiteral("CREATE INDEX connection_barrier ON connection(barrier, started)"),
      QStringLiteral("CREATE INDEX connection_session ON connection(session)"),
      // One index: events are found through their connection (the barrier's
      // spans), those outside any connection under NULL.
      QStringLiteral("CREATE TABLE event(id INTEGER PRIMARY KEY, session INTEGER NOT NULL, connection INTEGER, "
                     "time INTEGER NOT NULL, kind INTEGER NOT NULL, code INTEGER, bytes BLOB, text TEXT)"),
      QStringLiteral("CREATE INDEX event_connection ON event(connection, time)"),
  };
  statements << QStringLiteral("PRAGMA user_version = %1").arg(version);
  return statements;
}

SchemaOutcome prepareJournalSchema(QSqlDatabase& db, QString* error) {
  QSqlQuery q(db);
  if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
    if (error) *error = q.lastError().text();
    return SchemaOutcome::Failed;
  }
  // Read inside the transaction: another program may have just prepared it.
  int version = -1;
  if (q.exec(QStringLiteral("PRAGMA user_version")) && q.next()) version = q.value(0).toInt();
  q.finish();
  const auto fail = [&] {
    exec(db, QStringLiteral("ROLLBACK"), nullptr);
    return SchemaOutcome::Failed;
  };
  if (version < 0) {
    if (error) *error = q.lastError().text();
    return fail();
  }
  if (version > JournalSchemaVersion) {
    exec(db, QStringLiteral("ROLLBACK"), nullptr);
    return SchemaOutcome::Newer;
  }
  QStringList steps;
  if (version == 0) steps = journalSchemaStatements(JournalSchemaVersion);
  if (version == 1)
    steps << QStringLiteral("ALTER TABLE connection ADD COLUMN alarms INTEGER NOT NULL DEFAULT 0")
          << QStringLiteral("ALTER TABLE connection ADD COLUMN tampers INTEGER NOT NULL DEFAULT 0");
  for (const QString& s : steps)
    if (!exec(db, s, error)) return fail();
  if (version == 1 && !countAlarms(db, error)) return fail();
  if (version >= 1 && version < 3) {
    for (const QString& s : barriersByModel())
      if (!exec(db, s, error)) return fail();
  }
  if (version != 0 && version < JournalSchemaVersion &&
      !exec(db, QStringLiteral("PRAGMA user_version = %1").arg(JournalSchemaVersion), error))
    return fail();
  if (!exec(db, QStringLiteral("COMMIT"), error)) return fail();
  return SchemaOutcome::Ready;
}
