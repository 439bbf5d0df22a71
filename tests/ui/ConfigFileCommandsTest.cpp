#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "ConfigFileCommands.h"

namespace {

// Answers the dialogs from a script and records what was shown.
class ScriptedDialogs : public FileDialogs {
 public:
  QString answer;  // the path the next dialog returns; empty = cancel
  int opens = 0;
  int saves = 0;
  QStringList errors;

  QString OpenFileName(const QString&) override {
    ++opens;
    return answer;
  }
  QString SaveFileName(const QString&) override {
    ++saves;
    return answer;
  }
  void ShowError(const QString& message) override { errors << message; }
};

BarrierConfig Numbered(std::uint8_t first) {
  BarrierConfig config;
  for (std::size_t i = 0; i < BarrierConfig::Size; ++i) config[i] = std::uint8_t(first + i);
  return config;
}

QByteArray Bytes(const BarrierConfig& config) {
  return QByteArray(reinterpret_cast<const char*>(config.bytes.data()), qsizetype(config.bytes.size()));
}

QByteArray ReadRaw(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteRaw(const QString& path, const QByteArray& data) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

}  // namespace

class ConfigFileCommandsTest : public QObject {
  Q_OBJECT

 private:
  BarrierModel model;
  QString configFileName;
  int refreshes = 0;
  ScriptedDialogs dialogs;
  std::unique_ptr<ConfigFileCommands> commands;
  std::unique_ptr<QTemporaryDir> dir;

  QString Path(const QString& name) const { return dir->filePath(name); }

 private slots:
  void init() {
    model = BarrierModel{};
    configFileName.clear();
    refreshes = 0;
    dialogs = ScriptedDialogs{};
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    commands = std::make_unique<ConfigFileCommands>(
        model, configFileName, [this] { ++refreshes; }, dialogs);
  }

  void openingAFileFillsBothCopiesAndTheBeamCountThenRefreshes() {
    BarrierConfig file = Numbered(1);
    file[BarrierConfig::BeamCount] = 5;
    QVERIFY(WriteRaw(Path("brama.acc"), Bytes(file)));
    model.deviceConfig[3] = 99;
    dialogs.answer = Path("brama.acc");
    commands->Otwrz1Click();
    QCOMPARE(dialogs.opens, 1);
    QVERIFY(dialogs.errors.isEmpty());
    QVERIFY(model.editConfig == file);
    QVERIFY(model.deviceConfig == file);
    QCOMPARE(int(model.beamCount), 5);
    QCOMPARE(refreshes, 1);
    QCOMPARE(configFileName, Path("brama.acc"));
  }

  void anOutOfRangeBeamCountIsTakenAsTheFileHasIt() {
    BarrierConfig file;
    file[BarrierConfig::BeamCount] = 200;
    QVERIFY(WriteRaw(Path("odd.acc"), Bytes(file)));
    dialogs.answer = Path("odd.acc");
    commands->Otwrz1Click();
    QCOMPARE(int(model.beamCount), 200);
    QCOMPARE(model.ShownBeams(), 8);
  }

  void aShortFileShowsTheErrorWithAFullStopAndChangesNothing() {
    QVERIFY(WriteRaw(Path("short.acc"), Bytes(Numbered(1)).left(31)));
    model.editConfig = Numbered(100);
    model.beamCount = 4;
    configFileName = Path("before.acc");
    dialogs.answer = Path("short.acc");
    commands->Otwrz1Click();
    QCOMPARE(dialogs.errors, QStringList{"Read beyond end of file."});
    QVERIFY(model.editConfig == Numbered(100));
    QVERIFY(model.deviceConfig == BarrierConfig{});
    QCOMPARE(int(model.beamCount), 4);
    QCOMPARE(refreshes, 0);
    QCOMPARE(configFileName, Path("before.acc"));
  }

  void aRoundTripThroughSaveAsAndOpenGivesTheSameRecord() {
    model.editConfig = Numbered(7);
    dialogs.answer = Path("round.acc");
    commands->Zapiszjako1Click();
    QCOMPARE(configFileName, Path("round.acc"));
    QCOMPARE(ReadRaw(Path("round.acc")), Bytes(Numbered(7)));

    model = BarrierModel{};
    commands->Otwrz1Click();
    QVERIFY(model.editConfig == Numbered(7));
    QVERIFY(dialogs.errors.isEmpty());
  }

  void savingBeforeAnythingWasReadWritesZeros() {
    dialogs.answer = Path("zeros.acc");
    commands->Zapisz1Click();
    QCOMPARE(dialogs.saves, 1);
    QCOMPARE(ReadRaw(Path("zeros.acc")), QByteArray(32, '\0'));
  }

  void saveAsksForANameOnlyUntilAFileIsKnownAndWhileItExists() {
    dialogs.answer = Path("first.acc");
    commands->Zapisz1Click();
    QCOMPARE(dialogs.saves, 1);

    model.editConfig[5] = 42;
    dialogs.answer.clear();
    commands->Zapisz1Click();
    QCOMPARE(dialogs.saves, 1);  // written silently to the same file
    QCOMPARE(ReadRaw(Path("first.acc")).at(5), char(42));

    QVERIFY(QFile::remove(Path("first.acc")));
    dialogs.answer = Path("second.acc");
    commands->Zapisz1Click();
    QCOMPARE(dialogs.saves, 2);
    QCOMPARE(configFileName, Path("second.acc"));
  }

  void cancellingEitherDialogChangesNothing() {
    configFileName = Path("kept.acc");
    model.editConfig = Numbered(3);
    dialogs.answer.clear();
    commands->Otwrz1Click();
    commands->Zapiszjako1Click();
    QCOMPARE(dialogs.opens, 1);
    QCOMPARE(dialogs.saves, 1);
    QCOMPARE(configFileName, Path("kept.acc"));
    QVERIFY(model.editConfig == Numbered(3));
    QCOMPARE(refreshes, 0);
    QVERIFY(dialogs.errors.isEmpty());
    QVERIFY(!QFile::exists(Path("kept.acc")));
  }

  void aFailedSaveAsKeepsTheFileNameAndShowsTheError() {
    configFileName = Path("kept.acc");
    dialogs.answer = Path("nowhere/x.acc");
    commands->Zapiszjako1Click();
    QCOMPARE(dialogs.errors, QStringList{"Invalid filename."});
    QCOMPARE(configFileName, Path("kept.acc"));
  }

  void aFailedOpenOfAMissingFileKeepsEverything() {
    dialogs.answer = Path("missing.acc");
    commands->Otwrz1Click();
    QCOMPARE(dialogs.errors, QStringList{"File not found."});
    QVERIFY(configFileName.isEmpty());
  }

  void aReadOnlyFileOpens() {
    QVERIFY(WriteRaw(Path("template.acc"), Bytes(Numbered(2))));
    QVERIFY(QFile::setPermissions(Path("template.acc"), QFileDevice::ReadOwner));
    dialogs.answer = Path("template.acc");
    commands->Otwrz1Click();
    QVERIFY(dialogs.errors.isEmpty());
    QVERIFY(model.editConfig == Numbered(2));
  }
};

QTEST_GUILESS_MAIN(ConfigFileCommandsTest)
#include "ConfigFileCommandsTest.moc"
