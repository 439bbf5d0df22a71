#include "journal/JournalPath.h"

#include "util/UserFolder.h"

QString journalPath() {
  const QString chosen = qEnvironmentVariable("ORVITA_JOURNAL");
  if (!chosen.isEmpty()) return chosen;
  return userStateFolder() + QStringLiteral("/journal.sqlite");
}
