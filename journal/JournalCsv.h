#pragma once
// The journal's events as orvita-cli history and the Historia window's
// export write them: the context a row needs from before it (beam count,
// configuration, supply shown), each event's text, and CSV with one column
// per field, for programs or for a spreadsheet.
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

#include "journal/JournalReader.h"

// A moment of the journal as history prints it: local time, ISO 8601 with
// milliseconds and the offset ("2026-12-08T03:12:00.000+01:00"); empty for a
// time that cannot be shown (journalTimeValid).
QString journalTimeText(qint64 ms);

// What a status row needs from before it, per connection: its beam count,
// the configuration the barrier had and the supply voltage last shown. A
// range that begins inside a connection asks the journal what held then.
struct JournalConnectionContext {
  int beams = 0;
  BarrierConfig config;
  // As shown ("12.2"); empty until the connection's filter had settled.
  QString supply;
};

class JournalEventContext {
 public:
  explicit JournalEventContext(JournalReader& reader);

  // Takes `e` into its connection's context and returns that context; null
  // for events outside connections.
  const JournalConnectionContext* take(const JournalEvent& e);
  // The event's text: the program and its port for a session start, the
  // identification for a connection, else the text recorded with it.
  QString textOf(const JournalEvent& e) const;
  // Events history leaves out: the supply (it goes into status rows), a
  // write sent (it shows as written or dropped), walk tests (their own report).
  static bool leftOut(const JournalEvent& e);
  JournalSession session(qint64 id) const { return sessions_.value(id); }

 private:
  JournalReader& reader_;
  QHash<qint64, JournalSession> sessions_;
  QHash<qint64, JournalConnectionContext> contexts_;
};

enum class JournalCsvForm {
  // For programs (RFC 4180): commas, a decimal point, ISO 8601 times with
  // their offset, the configuration in hex; a field quoted when it holds a
  // comma, a quote or a line break.
  Machine,
  // As a Polish spreadsheet opens it by double-click: a byte-order mark
  // before UTF-8, semicolons, decimal commas, local times as it reads them
  // ("2026-12-08 03:12:00,000"), the configuration as bytes apart ("06 01 ...")
  // so that it stays text; a text that would start a formula begins with '.
  Spreadsheet,
};

// The CSV header line (with the byte-order mark the form begins with), and
// the line of one event; both without the line's end.
QString journalCsvHeader(JournalCsvForm form = JournalCsvForm::Machine);
QString journalCsvLine(const JournalEvent& e, const JournalConnectionContext* context, const QString& text,
                       JournalCsvForm form = JournalCsvForm::Machine);
// The header, then a line per event `query` selects, oldest first, to
// `out`; false when the journal could not be read (reader.error() says why).
bool writeJournalCsv(JournalReader& reader, const JournalQuery& query, JournalCsvForm form,
                     const std::function<void(const QString&)>& out);
