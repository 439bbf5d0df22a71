// The commissioning record and the configuration sheet as PDF files, read
// back with poppler's pdftotext and pdffonts as any reader would see them.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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

CommissioningRecord sampleRecord() {
  CommissioningRecord r;
  r.printedAt = QDateTime(QDate(2026, 12, 8), QTime(9, 41));
  r.site = QStringLiteral("Magazyn Łódź-Bałuty, ogrodzenie północne");
  r.technician = QStringLiteral("Zdzisław Wąż");
  r.remark = QStringLiteral("Soczewki odbiornika oczyszczone przed testem.");
  r.identification = QStringLiteral(" ORVITA 4 v.1.05    2021-07-14");
  r.beamCount = 4;
  r.adapter = QStringLiteral("ttyUSB0 – FTDI FT232R USB UART, nr seryjny A10K3");
  for (int b = 1; b <= 4; ++b) r.config[BarrierConfig::responseTime(b)] = std::uint8_t(b == 3 ? 0 : 5);
  r.config[BarrierConfig::autoBlockCount(2)] = 7;
  r.config[BarrierConfig::SerialHigh] = 0x30;
  r.config[BarrierConfig::SerialLow] = 0x39;  // 12345
  r.config[BarrierConfig::BeamCount] = 4;

  const qint64 t0 = r.printedAt.toMSecsSinceEpoch() - 600000;
  WalkTest test(r.config, 4, t0);
  qint64 now = t0;
  auto snapshot = [&](std::uint8_t alert, std::uint8_t flags, std::uint8_t half = 0) {
    BarrierStatus s;
    s.beamsAlert = alert;
    s.statusFlags = flags;
    s.beams50 = half;
    s.supplyRaw = 200;
    test.observe(s, now += 4000);
  };
  for (int b : {1, 2}) {
    snapshot(beamBit(b), statusflag::AlarmOutput, beamBit(2));
    snapshot(0, 0);
  }
  snapshot(0, statusflag::TransmitterTamper | statusflag::TamperOutput);
  snapshot(0, 0);
  test.connectionLost(now += 1000);
  test.finish(now += 1000);  // beam 4 and the receiver's contact never seen
  r.walkTest = test.result();
  r.lastDay = JournalDayCounts{};
  r.lastDay->alarmsPerBeam[0] = 3;
  r.lastDay->connectionLosses = 2;
  return r;
}

}  // namespace

class RecordDocumentTest : public QObject {
  Q_OBJECT
 private slots:
  void theRecordCarriesTheBarrierEveryItemsResultAndPolishLettersInEmbeddedFonts() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("protokół.pdf"));
    QString error;
    QVERIFY2(writeRecordPdf(path, sampleRecord(), &error), qPrintable(error));
    if (qEnvironmentVariableIsSet("ORVITA_KEEP_TEST_FILES"))
      QFile::copy(path, qEnvironmentVariable("ORVITA_KEEP_TEST_FILES"));

    const QString text = pdfText(path);
    for (const char* expected :
         {"Protokół uruchomienia", "ORVITA 4 v.1.05", "2021-07-14", "12345", "Magazyn Łódź-Bałuty, ogrodzenie północne",
          "Zdzisław Wąż", "FTDI FT232R", "Wynik testu: NEGATYWNY", "jedna wiązka", "200 ms", "wyłączona", "bez",
          "Napięcie zasilania w czasie testu: min. 12.2 V, maks. 12.2 V", "„50 %”: 2", "Utrata połączenia z barierą",
          "Alarmy, wiązka 1", "Utraty połączenia", "Instalator (data, czytelny podpis)",
          "Klient (data, czytelny podpis)"})
      QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    // The last day's counts are signed under on their own page, never split from the signatures.
    const qsizetype lastDay = text.indexOf(QStringLiteral("Ostatnie 24 godziny"));
    const qsizetype signed_ = text.indexOf(QStringLiteral("Instalator"));
    QVERIFY(lastDay >= 0 && signed_ > lastDay);
    QVERIFY(!text.mid(lastDay, signed_ - lastDay).contains(u'\f'));
    // Every item on its own row with its result.
    const QStringList lines = text.split(u'\n');
    auto row = [&](const QString& item) {
      for (const QString& line : lines)
        if (line.trimmed().startsWith(item)) return line.simplified();
      return QString();
    };
    QVERIFY(row("Wiązka 1 ").contains("pozytywny"));
    QVERIFY(row("Wiązka 2 ").contains("pozytywny"));
    QVERIFY(row("Wiązka 3 wyłączona").contains("nie testowano"));
    QVERIFY(row("Wiązka 4 ").contains("negatywny"));
    QVERIFY(row("Styk sabotażowy nadajnika").contains("pozytywny"));
    QVERIFY(row("Styk sabotażowy odbiornika").contains("negatywny"));
    QVERIFY(row("Wyjście alarmowe NC").contains("pozytywny"));

    int fonts = 0;
    const QStringList missing = unembeddedFonts(path, &fonts);
    QVERIFY(fonts > 0);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u'\n')));
  }

  void theConfigurationSheetShowsTheEditorsWordsAndAFileThatCannotBeWrittenSaysWhy() {
    QTemporaryDir dir;
    BarrierConfig config;
    config[BarrierConfig::AlarmMode] = 1;
    config[BarrierConfig::responseTime(1)] = 25;
    config[BarrierConfig::AutoBlockTime] = 30;
    config[BarrierConfig::MaxCoveredTime] = 5;
    config[BarrierConfig::BeamCount] = 2;
    const QString path = dir.filePath(QStringLiteral("konfiguracja.pdf"));
    QString error;
    QVERIFY(
        writeConfigurationPdf(path, config, QStringLiteral("z pliku brama.acc"), QDateTime::currentDateTime(), &error));
    if (qEnvironmentVariableIsSet("ORVITA_KEEP_TEST_FILES"))
      QFile::copy(path, qEnvironmentVariable("ORVITA_KEEP_TEST_FILES") + QStringLiteral(".config.pdf"));
    const QString text = pdfText(path);
    for (const char* expected :
         {"Konfiguracja bariery", "z pliku brama.acc", "dwie wiązki", "1000 ms", "wyłączona", "30 sek.", "5 min."})
      QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    QVERIFY(!text.contains(QStringLiteral("Wynik testu")));

    QVERIFY(!writeConfigurationPdf(dir.filePath(QStringLiteral("brak/konfiguracja.pdf")), config, QString(),
                                   QDateTime::currentDateTime(), &error));
    QVERIFY(!error.isEmpty());
  }
};

QTEST_MAIN(RecordDocumentTest)
#include "RecordDocumentTest.moc"
