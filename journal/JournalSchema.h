#pragma once
// The journal's tables and their versions. The version is the database's
// PRAGMA user_version: 0 for a new file, JournalSchemaVersion once prepared.
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

inline constexpr int JournalSchemaVersion = 3;

enum class SchemaOutcome {
  Ready,   // at JournalSchemaVersion now
  Newer,   // written by a newer program: left as it is
  Failed,  // see the error
};

// Brings the open database to JournalSchemaVersion in one transaction: a new
// one gets the tables, an older one is upgraded with its rows kept.
SchemaOutcome prepareJournalSchema(QSqlDatabase& db, QString* error);

// The statements that made a journal of `version` (1 to the current one), so
// that an upgrade can be tried on the real thing.
QStringList journalSchemaStatements(int version);
