// The commissioning record and the configuration sheet as PDF files, read
// back with poppler's pdftotext and pdffonts as any reader would see them,
// and the record put together from a journal.
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "journal/JournalWriter.h"
#include "report/JournalCounts.h"
#include "report/RecordAssembly.h"
#include "report/RecordDocument.h"
#include "texts/UiTexts.h"

namespace {

QString run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return QStringLiteral("<%1 failed>").arg(program);
  return QString::fromUtf8(process.readAllStandardOutput());
}

// pdftotext -layout keeps a table's row on one line.
QString pdfText(const QString& path) { return run(QStringLiteral("pdftotext"), {"-layout", path, "-"}); }

// Every font pdffonts lists, with whether it is embedded ("emb" column).
QStringList unembeddedFonts(const QString& path, int* count) {
  const QStringList lines = run(QStringLiteral("pdffonts"), {path}).split(u'\n', Qt::SkipEmptyParts);
  QStringList missing;
  *count = 0;
  for (const QString& line : lines.mid(2)) {  // a head and a rule first
    const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 5) continue;
    ++*count;
    // name type [encoding words] emb sub uni object id: emb is 5th from the end.
    if (words[words.size() - 5] != QLatin1String("yes")) missing << line;
  }
  return missing;
}

// The pages of pdftotext's text (a form feed ends each), and whether each
// ends with the footer the record promises: its site, serial number, test
// date and "Strona N z M".
QStringList pages(const QString& text) {
  QStringList list = text.split(u'\f');
  if (!list.isEmpty() && list.last().trimmed().isEmpty()) list.removeLast();
  return list;
}

// A row of the text as pdftotext -layout lays it out, blanks collapsed.
QString row(const QString& text, const QString& start) {
  for (const QString& line : text.split(u'\n'))
    if (line.trimmed().startsWith(start)) return line.simplified();
  return {};
}

const QDateTime PrintedAt(QDate(2026, 12, 8), QTime(9, 41));

CommissioningRecord sampleRecord() {
  CommissioningRecord r;
  r.printedAt = PrintedAt;
  r.site = QStringLiteral("Magazyn Łódź-Bałuty, ogrodzenie północne");
  r.technician = QStringLiteral("Zdzisław Wąż");
  r.remark = QStringLiteral("Soczewki odbiornika oczyszczone przed testem.");
  r.barrier.identification = QStringLiteral("ORVITA 4 v.1.05    2021-07-14");
  r.barrier.beamCount = 4;
  r.barrier.adapter = QStringLiteral("ttyUSB0 – FTDI FT232R USB UART, nr seryjny A10K3");
  BarrierConfig& config = r.barrier.config;
  for (int b = 1; b <= 4; ++b) config[BarrierConfig::responseTime(b)] = std::uint8_t(b == 3 ? 0 : 5);
  config[BarrierConfig::autoBlockCount(2)] = 7;
  config[BarrierConfig::SerialHigh] = 0x30;
  config[BarrierConfig::SerialLow] = 0x39;  // 12345
  config[BarrierConfig::BeamCount] = 4;

  const qint64 t0 = QDateTime(QDate(2026, 12, 8), QTime(9, 30)).toMSecsSinceEpoch();
  WalkTest test(config, 4, t0);
  qint64 now = t0;
  auto snapshot = [&](std::uint8_t alert, std::uint8_t flags, std::uint8_t half = 0) {
    BarrierStatus s;
    s.beamsAlert = alert;
    s.statusFlags = flags;
    s.beams50 = half;
    s.supplyRaw = 200;
    test.observe(s, now += 4000);
  };
  // Beam 1 trips the alarm output, beam 2 does not.
  snapshot(beamBit(1), statusflag::AlarmOutput);
  snapshot(0, 0);
  snapshot(beamBit(2), 0, beamBit(2));
  snapshot(0, 0);
  snapshot(0, statusflag::TransmitterTamper | statusflag::TamperOutput);
  snapshot(0, 0);
  test.connectionLost(now += 1000);
  test.finish(now += 1000);  // beam 4 and the receiver's contact never seen
  r.walkTest = test.result();
  r.lastDay = JournalDayCounts{};
  r.lastDay->untilMs = t0;
  r.lastDay->fromMs = t0 - 24 * 3600 * 1000;
  r.lastDay->alarmsPerBeam[0] = 3;
  r.lastDay->connectionLosses = 2;
  return r;
}

QString pdfOf(const QString& path, const CommissioningRecord& record) {
  QString error;
  if (!writeRecordPdf(path, record, &error)) return QStringLiteral("<not written: %1>").arg(error);
  return pdfText(path);
}

// Statuses as a barrier sent them, written into a journal the way the recorder writes them.
class JournalScript {
 public:
  explicit JournalScript(const QString& path) : writer_({path, 0}) { writer_.startSession(0, "test", "ttyS9"); }
  void connect(qint64 t, unsigned serial) {
    writer_.startConnection(t, QByteArray(8, 0), 4);
    writer_.setBarrier(t, serial);
  }
  void status(qint64 t, std::uint8_t alarm, std::uint8_t flags = 0) {
    BarrierStatus s;
    s.beamsAlarm = alarm;
    s.statusFlags = flags;
    s.supplyRaw = 200;
    writer_.addEvent(t, JournalEventKind::Status, statusBytes(s));
  }
  void lose(qint64 t) { writer_.endConnection(t, JournalLossReason::Unplugged); }
  void walkTest(qint64 t, const QString& document) { writer_.addEvent(t, JournalEventKind::WalkTest, {}, document); }
  void finish() { writer_.flush(); }

 private:
  JournalWriter writer_;
};

QString documentOf(const WalkTestResult& result, const TestedBarrier& barrier) {
  return QString::fromUtf8(QJsonDocument(walkTestDocument(result, barrier)).toJson(QJsonDocument::Compact));
}

}  // namespace

class RecordDocumentTest : public QObject {
  Q_OBJECT
 private slots:
  void theRecordCarriesTheBarrierEveryItemsResultAndPolishLettersInEmbeddedFonts() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("protokół.pdf"));
    const CommissioningRecord record = sampleRecord();
    const QString text = pdfOf(path, record);
    if (qEnvironmentVariableIsSet("ORVITA_KEEP_TEST_FILES"))
      QFile::copy(path, qEnvironmentVariable("ORVITA_KEEP_TEST_FILES"));

    for (const char* expected :
         {"Protokół uruchomienia", "ORVITA 4 v.1.05", "2021-07-14", "12345", "Magazyn Łódź-Bałuty, ogrodzenie północne",
          "Zdzisław Wąż", "FTDI FT232R", "Wynik testu: NEGATYWNY", "jedna wiązka", "200 ms", "wyłączona", "bez",
          "Napięcie zasilania w czasie testu: min. 12,2 V, maks. 12,2 V", "„50%”: 2", "Utrata połączenia z barierą",
          "Alarmy, wiązka 1", "Utraty połączenia", "Technik (data, czytelny podpis)", "Klient (data, czytelny podpis)"})
      QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    // When the test ran, not only when it was printed; and the day before it.
    QCOMPARE(row(text, "Data testu"), QStringLiteral("Data testu 8 grudnia 2026, 09:30:00 – 09:30:26"));
    QCOMPARE(row(text, "Data wydruku"), QStringLiteral("Data wydruku 8 grudnia 2026, 09:41"));
    QVERIFY(text.contains(QStringLiteral("24 godziny przed testem")));
    QVERIFY(text.contains(QStringLiteral("Od 7 grudnia 2026, 09:30 do 8 grudnia 2026, 09:30.")));
    // Every item on its own row with its result; the alarm output's column says which beam tripped it.
    QVERIFY(row(text, "Wiązka 1 ").endsWith(QStringLiteral("pozytywny 09:30:04 09:30:08 tak")));
    QVERIFY(row(text, "Wiązka 2 ").endsWith(QStringLiteral("pozytywny 09:30:12 09:30:16 nie")));
    QVERIFY(row(text, "Wiązka 3 wyłączona").contains("nie testowano"));
    QVERIFY(row(text, "Wiązka 4 ").contains("negatywny"));
    QVERIFY(row(text, "Styk sabotażowy nadajnika").contains("pozytywny"));
    QVERIFY(row(text, "Styk sabotażowy odbiornika").contains("negatywny"));
    QVERIFY(row(text, "Wyjście alarmowe NC").contains("pozytywny"));

    // Every page names the site, the barrier and the test, and counts the pages.
    const QStringList list = pages(text);
    QVERIFY(list.size() >= 2);
    for (int n = 1; n <= list.size(); ++n) {
      const QString footer = list[n - 1].trimmed().section(u'\n', -2).simplified();
      QCOMPARE(footer, QStringLiteral("Protokół uruchomienia – Magazyn Łódź-Bałuty, ogrodzenie północne Strona %1 z %2 "
                                      "Numer seryjny nadajnika 12345 – test 8 grudnia 2026, 09:30")
                           .arg(n)
                           .arg(list.size()));
    }

    int fonts = 0;
    const QStringList missing = unembeddedFonts(path, &fonts);
    QVERIFY(fonts > 0);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u'\n')));
  }

  void aRecordPrintedWhileTheTestRunsSaysSoAndFailsNothing() {
    QTemporaryDir dir;
    CommissioningRecord record = sampleRecord();
    record.walkTest->endedMs = 0;
    for (WalkItem& item : record.walkTest->items)
      if (item.kind == WalkItemKind::Beam && item.beam == 4) item.seenMs = record.walkTest->startedMs + 30000;
    const QString text = pdfOf(dir.filePath(QStringLiteral("w toku.pdf")), record);
    QVERIFY(text.contains(QStringLiteral("Stan: test w toku")));
    QVERIFY(text.contains(QStringLiteral("Test od 09:30:00 – test w toku, stan na 09:41:00")));
    QCOMPARE(row(text, "Data testu"), QStringLiteral("Data testu 8 grudnia 2026, od 09:30:00, test w toku"));
    QVERIFY(!text.contains(QStringLiteral("NEGATYWNY")));
    QVERIFY(!text.contains(QStringLiteral("POZYTYWNY")));
    QVERIFY(!text.contains(QStringLiteral("negatywny")));
    QVERIFY(!text.contains(QStringLiteral("✗")));
    QVERIFY(
        !QRegularExpression(QStringLiteral("\\bdo\\s*$"), QRegularExpression::MultilineOption).match(text).hasMatch());
    // In the window's words: beam 4 interrupted now, its output not yet known; the contact still waiting.
    QCOMPARE(row(text, "Wiązka 4 "), QStringLiteral("Wiązka 4 naruszenie 09:30:30"));
    QCOMPARE(row(text, "Styk sabotażowy odbiornika"), QStringLiteral("Styk sabotażowy odbiornika oczekuje"));
    QVERIFY(row(text, "Wiązka 1 ").contains(QStringLiteral("pozytywny")));
  }

  // However long the plan's list, the last day's counts and the signatures
  // under them share a page, and every footer counts the pages right.
  void theSignaturesNeverLeaveTheLastDayWhateverThePlansLength() {
    QTemporaryDir dir;
    for (int lines = 0; lines <= 40; ++lines) {
      CommissioningRecord record = sampleRecord();
      record.planFile = QStringLiteral("plan.acc");
      for (int i = 0; i < lines; ++i)
        record.planDifferences << QStringLiteral("Wiązka %1, Autoblok.: bez -> %2").arg(i % 8 + 1).arg(i);
      const QString text = pdfOf(dir.filePath(QStringLiteral("plan-%1.pdf").arg(lines)), record);
      const qsizetype lastDay = text.indexOf(QStringLiteral("24 godziny przed testem"));
      const qsizetype signedAt = text.indexOf(QStringLiteral("Technik (data"));
      QVERIFY2(lastDay >= 0 && signedAt > lastDay, qPrintable(QString::number(lines)));
      QVERIFY2(!text.mid(lastDay, signedAt - lastDay).contains(u'\f'), qPrintable(QString::number(lines)));
      const QStringList list = pages(text);
      QVERIFY2(list.last().contains(QStringLiteral("Strona %1 z %1").arg(list.size())),
               qPrintable(QString::number(lines)));
    }
  }

  void theConfigurationSheetPrintsWhatTheBarrierHoldsAndMarksWhatWasNotSent() {
    QTemporaryDir dir;
    BarrierModel model;
    model.versionInfo = {0, 1, 0, 5, 0x20, 0x21, 0x07, 0x14};
    model.beamCount = 2;
    BarrierConfig& held = model.deviceConfig;
    held[BarrierConfig::AlarmMode] = 1;
    held[BarrierConfig::responseTime(1)] = 25;
    held[BarrierConfig::AutoBlockTime] = 30;
    held[BarrierConfig::MaxCoveredTime] = 10;
    held[BarrierConfig::BeamCount] = 2;
    model.editConfig = held;
    model.editConfig[BarrierConfig::MaxCoveredTime] = 20;  // edited, not sent
    model.editConfig[BarrierConfig::autoBlockCount(2)] = 4;
    model.editConfig[14] = 0x55;  // a reserved byte no send carries
    const QDateTime now(QDate(2026, 12, 8), QTime(9, 41));

    const QString read = dir.filePath(QStringLiteral("z bariery.pdf"));
    QString error;
    QVERIFY(writeConfigurationPdf(read, configurationSheet(model, true, QString(), now), &error));
    if (qEnvironmentVariableIsSet("ORVITA_KEEP_TEST_FILES"))
      QFile::copy(read, qEnvironmentVariable("ORVITA_KEEP_TEST_FILES") + QStringLiteral(".config.pdf"));
    QString text = pdfText(read);
    for (const char* expected :
         {"Konfiguracja bariery", "odczytana z bariery ORVITA 2 v.1.05", "dwie wiązki", "1000 ms", "wyłączona",
          "30 sek.", "10 min. *", "Niewysłane", "Maks. czas zasł. wszystkich wiązek: 10 min. -> 20 min.",
          "Wiązka 2, Autoblok.: bez -> 4", "Data wydruku", "Strona 1 z 1"})
      QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    QVERIFY(!text.contains(QStringLiteral("20 min. *")));
    QVERIFY(!text.contains(QStringLiteral("Bajt 14")));
    QVERIFY(row(text, "2 ").contains(QStringLiteral("bez *")));
    QVERIFY(!text.contains(QStringLiteral("Wynik testu")));

    // Sent: nothing is marked.
    model.editConfig[BarrierConfig::MaxCoveredTime] = 10;
    model.editConfig[BarrierConfig::autoBlockCount(2)] = 0;
    QVERIFY(writeConfigurationPdf(read, configurationSheet(model, true, QString(), now), &error));
    text = pdfText(read);
    QVERIFY(!text.contains(u'*') && !text.contains(QStringLiteral("Niewysłane")));

    // No barrier read: the editors, saying so, and never "odczytana z bariery".
    model.editConfig[BarrierConfig::MaxCoveredTime] = 20;
    const QString editors = dir.filePath(QStringLiteral("z edytorów.pdf"));
    QVERIFY(
        writeConfigurationPdf(editors, configurationSheet(model, false, QStringLiteral("/x/brama.acc"), now), &error));
    text = pdfText(editors).simplified();  // the source may wrap
    QVERIFY(text.contains(
        QStringLiteral("z edytorów programu (otwarty plik brama.acc); konfiguracja nie została odczytana z bariery")));
    QVERIFY(text.contains(QStringLiteral("20 min.")));
    QVERIFY(!text.contains(QStringLiteral("odczytana z bariery ORVITA")));

    QVERIFY(!writeConfigurationPdf(dir.filePath(QStringLiteral("brak/konfiguracja.pdf")),
                                   configurationSheet(model, false, QString(), now), &error));
    QVERIFY(!error.isEmpty());
  }

  // The journal's day before the test: alarms as they came on within each
  // connection, none from the test itself, none that began before the day.
  void theLastDayCountsTheDayBeforeTheTestAcrossALoss() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    constexpr qint64 Hour = 3600 * 1000;
    const qint64 start = QDateTime(QDate(2026, 12, 8), QTime(9, 30)).toMSecsSinceEpoch();
    {
      JournalScript journal(path);
      journal.connect(start - 26 * Hour, 12345);
      journal.status(start - 25 * Hour, beamBit(3));  // on since before the day
      journal.status(start - 23 * Hour, beamBit(3), statusflag::Led);
      journal.lose(start - 22 * Hour);
      journal.connect(start - 5 * Hour, 12345);
      journal.status(start - 5 * Hour, 0);
      journal.status(start - 4 * Hour, beamBit(1) | beamBit(2), statusflag::TamperOutput);
      journal.status(start - 4 * Hour + 500, beamBit(1) | beamBit(2), statusflag::TamperOutput | statusflag::Led);
      journal.status(start - 3 * Hour, beamBit(1));
      journal.lose(start - 2 * Hour);
      journal.connect(start - Hour, 12345);
      journal.status(start - Hour, beamBit(1));  // on again after the loss: a new alarm
      // The test's own crossings, tamper and reconnection.
      journal.status(start + 1000, beamBit(1) | beamBit(4), statusflag::TamperOutput);
      journal.lose(start + 2000);
      journal.connect(start + 3000, 12345);
      journal.status(start + 4000, beamBit(4));
      journal.finish();
    }
    JournalReader reader(path);
    QVERIFY(reader.open());
    const auto counts = dayCountsBefore(reader, 12345, start);
    QVERIFY(counts);
    QCOMPARE(counts->alarmsPerBeam, (std::array<int, MaxBeams>{2, 1, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(counts->tamperEvents, 1);
    QCOMPARE(counts->connectionLosses, 2);
    QCOMPARE(counts->untilMs, start);

    // assembleRecord counts the day before the test began, not before the print.
    WalkTestResult test;
    test.startedMs = start;
    test.endedMs = start + 10 * 60 * 1000;
    const TestedBarrier barrier{QStringLiteral("ORVITA 4 v.1.05    2021-07-14"), 4, QString(), {}};
    BarrierConfig config;
    config[BarrierConfig::SerialHigh] = 0x30;
    config[BarrierConfig::SerialLow] = 0x39;
    TestedBarrier ofSerial = barrier;
    ofSerial.config = config;
    const RecordRequest request{{}, {}, {}, {}, {}, QDateTime::fromMSecsSinceEpoch(start + Hour)};
    const CommissioningRecord record = assembleRecord(request, ofSerial, test, &reader);
    QVERIFY(record.lastDay);
    QCOMPARE(record.lastDay->alarmsPerBeam, counts->alarmsPerBeam);
    QCOMPARE(record.lastDay->connectionLosses, 2);
  }

  void theRecordIsOfTheNewestTestOfTheBarrierAskedForWithThePlansFileName() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    const qint64 t0 = QDateTime(QDate(2026, 12, 8), QTime(9, 30)).toMSecsSinceEpoch();
    const auto barrierOf = [](unsigned serial, std::uint8_t maxCovered) {
      TestedBarrier barrier{QStringLiteral("ORVITA 4 v.1.05    2021-07-14"), 4, QStringLiteral("ttyUSB0"), {}};
      barrier.config[BarrierConfig::SerialHigh] = std::uint8_t(serial >> 8);
      barrier.config[BarrierConfig::SerialLow] = std::uint8_t(serial);
      barrier.config[BarrierConfig::MaxCoveredTime] = maxCovered;
      return barrier;
    };
    const auto resultAt = [](qint64 start) {
      WalkTestResult result;
      result.startedMs = start;
      result.endedMs = start + 60000;
      return result;
    };
    {
      JournalScript journal(path);
      journal.connect(t0, 12345);
      journal.walkTest(t0 + 60000, documentOf(resultAt(t0), barrierOf(12345, 5)));
      journal.walkTest(t0 + 90000, QStringLiteral("{\"result\": \"cut short\"}"));  // unreadable: passed over
      journal.lose(t0 + 100000);
      journal.connect(t0 + 200000, 54321);
      journal.walkTest(t0 + 260000, documentOf(resultAt(t0 + 200000), barrierOf(54321, 7)));
      journal.finish();
    }
    JournalReader reader(path);
    QVERIFY(reader.open());
    const auto ofFirst = newestWalkTest(reader, 12345u);
    QVERIFY(ofFirst);
    QCOMPARE(ofFirst->result.startedMs, t0);
    QCOMPARE(ofFirst->barrier.config.transmitterSerial(), 12345u);
    const auto newest = newestWalkTest(reader, std::nullopt);
    QVERIFY(newest);
    QCOMPARE(newest->barrier.config.transmitterSerial(), 54321u);
    QVERIFY(!newestWalkTest(reader, 1u));

    // The plan is compared with the configuration the test ran on, and named by its file name.
    BarrierConfig plan = ofFirst->barrier.config;
    plan[BarrierConfig::MaxCoveredTime] = 6;
    const RecordRequest request{
        QStringLiteral("Brama"),     QStringLiteral("Jan"), {}, dir.filePath(QStringLiteral("plany/brama.acc")), plan,
        QDateTime::currentDateTime()};
    const CommissioningRecord record = assembleRecord(request, ofFirst->barrier, ofFirst->result, &reader);
    QCOMPARE(record.planFile, QStringLiteral("brama.acc"));
    QCOMPARE(record.planDifferences,
             QStringList{QStringLiteral("Maks. czas zasł. wszystkich wiązek: 5 min. -> 6 min.")});
    QCOMPARE(record.barrier.config.transmitterSerial(), 12345u);
  }
};

QTEST_MAIN(RecordDocumentTest)
#include "RecordDocumentTest.moc"
