#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "texts/UiTexts.h"
#include "ui/ConfigFileCommands.h"

namespace {

// Answers the dialogs from a script and records what was shown.
class ScriptedDialogs : public FileDialogs {
 public:
  QString answer;  // the path the next dialog returns; empty = cancel
  int opens = 0;
  int saves = 0;
  QStringList errors;

  QString openFileName(const QString&) override {
    ++opens;
    return answer;
  }
  QString saveFileName(const QString&) override {
    ++saves;
    return answer;
  }
  void showError(const QString& message) override { errors << message; }
};

BarrierConfig numbered(std::uint8_t first) {
  BarrierConfig config;
  for (std::size_t i = 0; i < BarrierConfig::Size; ++i) config[i] = std::uint8_t(first + i);
  return config;
}

QByteArray Bytes(const BarrierConfig& config) {
  return QByteArray(reinterpret_cast<const char*>(config.bytes.data()), qsizetype(config.bytes.size()));
}

QByteArray readRaw(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeRaw(const QString& path, const QByteArray& data) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// Runs `record` on the file dialog once it is up, then cancels it.
void whenFileDialogShows(std::function<void(QFileDialog*)> record) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, record] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(window);
      if (!dialog || !dialog->isVisible()) continue;
      poll->deleteLater();
      poll->stop();
      record(dialog);
      dialog->reject();
      return;
    }
  });
  poll->start();
}

}  // namespace

class ConfigFileCommandsTest : public QObject {
  Q_OBJECT

 private:
  BarrierModel model;
  QString configFileName;
  int refreshes = 0;
  QStringList notices;
  ScriptedDialogs dialogs;
  std::unique_ptr<ConfigFileCommands> commands;
  std::unique_ptr<QTemporaryDir> dir;

  QString path(const QString& name) const { return dir->filePath(name); }

 private slots:
  void init() {
    model = BarrierModel{};
    configFileName.clear();
    refreshes = 0;
    notices.clear();
    dialogs = ScriptedDialogs{};
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    commands = std::make_unique<ConfigFileCommands>(
        model, configFileName, [this] { ++refreshes; }, dialogs, [this](const QString& text) { notices << text; });
  }

  // What the barrier holds stays: the file's values are unsent edits.
  void openingAFileFillsTheEditorsAndTheBeamCountThenRefreshes() {
    BarrierConfig file = numbered(1);
    file[BarrierConfig::BeamCount] = 5;
    QVERIFY(writeRaw(path("brama.acc"), Bytes(file)));
    model.deviceConfig[3] = 99;
    const BarrierConfig held = model.deviceConfig;
    dialogs.answer = path("brama.acc");
    commands->openConfigFile();
    QCOMPARE(dialogs.opens, 1);
    QVERIFY(dialogs.errors.isEmpty());
    QVERIFY(model.editConfig == file);
    QVERIFY(model.deviceConfig == held);
    QVERIFY(model.changed(3));
    QCOMPARE(int(model.beamCount), 5);
    QCOMPARE(refreshes, 1);
    QCOMPARE(configFileName, path("brama.acc"));
  }

  void anOutOfRangeBeamCountNeverBecomesTheBeamCount() {
    BarrierConfig file;
    file[BarrierConfig::BeamCount] = 200;
    QVERIFY(writeRaw(path("odd.acc"), Bytes(file)));
    model.beamCount = 6;
    dialogs.answer = path("odd.acc");
    commands->openConfigFile();
    QCOMPARE(int(model.beamCount), 6);
    QCOMPARE(notices, QStringList{uiText(UiTexts::txtFileBeamCountInvalid).arg(200)});
  }

  void whileABarrierIsIdentifiedItsBeamCountStandsAndTheFilesStaysAnEdit() {
    BarrierConfig file = numbered(1);
    file[BarrierConfig::BeamCount] = 5;
    QVERIFY(writeRaw(path("five.acc"), Bytes(file)));
    model.versionInfo = {6, 1, 0, 5, 0x20, 0x21, 7, 0x14};
    model.beamCount = 8;
    dialogs.answer = path("five.acc");
    commands->openConfigFile();
    QCOMPARE(int(model.beamCount), 8);
    QCOMPARE(int(model.editConfig[BarrierConfig::BeamCount]), 5);
    QVERIFY(model.changed(BarrierConfig::BeamCount));
    QCOMPARE(notices, QStringList{uiText(UiTexts::txtFileBeamCountDiffers).arg(5).arg(8)});
  }

  void aShortFileShowsTheErrorWithAFullStopAndChangesNothing() {
    QVERIFY(writeRaw(path("short.acc"), Bytes(numbered(1)).left(31)));
    model.editConfig = numbered(100);
    model.beamCount = 4;
    configFileName = path("before.acc");
    dialogs.answer = path("short.acc");
    commands->openConfigFile();
    QCOMPARE(dialogs.errors, QStringList{"Read beyond end of file."});
    QVERIFY(model.editConfig == numbered(100));
    QVERIFY(model.deviceConfig == BarrierConfig{});
    QCOMPARE(int(model.beamCount), 4);
    QCOMPARE(refreshes, 0);
    QCOMPARE(configFileName, path("before.acc"));
  }

  void aRoundTripThroughSaveAsAndOpenGivesTheSameRecord() {
    model.editConfig = numbered(7);
    dialogs.answer = path("round.acc");
    commands->saveConfigFileAs();
    QCOMPARE(configFileName, path("round.acc"));
    QCOMPARE(readRaw(path("round.acc")), Bytes(numbered(7)));

    model = BarrierModel{};
    commands->openConfigFile();
    QVERIFY(model.editConfig == numbered(7));
    QVERIFY(dialogs.errors.isEmpty());
  }

  void savingBeforeAnythingWasReadWritesZeros() {
    dialogs.answer = path("zeros.acc");
    commands->saveConfigFile();
    QCOMPARE(dialogs.saves, 1);
    QCOMPARE(readRaw(path("zeros.acc")), QByteArray(32, '\0'));
  }

  void saveAsksForANameOnlyUntilAFileIsKnownAndWhileItExists() {
    dialogs.answer = path("first.acc");
    commands->saveConfigFile();
    QCOMPARE(dialogs.saves, 1);

    model.editConfig[5] = 42;
    dialogs.answer.clear();
    commands->saveConfigFile();
    QCOMPARE(dialogs.saves, 1);  // written silently to the same file
    QCOMPARE(readRaw(path("first.acc")).at(5), char(42));

    QVERIFY(QFile::remove(path("first.acc")));
    dialogs.answer = path("second.acc");
    commands->saveConfigFile();
    QCOMPARE(dialogs.saves, 2);
    QCOMPARE(configFileName, path("second.acc"));
  }

  void cancellingEitherDialogChangesNothing() {
    configFileName = path("kept.acc");
    model.editConfig = numbered(3);
    dialogs.answer.clear();
    commands->openConfigFile();
    commands->saveConfigFileAs();
    QCOMPARE(dialogs.opens, 1);
    QCOMPARE(dialogs.saves, 1);
    QCOMPARE(configFileName, path("kept.acc"));
    QVERIFY(model.editConfig == numbered(3));
    QCOMPARE(refreshes, 0);
    QVERIFY(dialogs.errors.isEmpty());
    QVERIFY(!QFile::exists(path("kept.acc")));
  }

  void aFailedSaveAsKeepsTheFileNameAndShowsTheError() {
    configFileName = path("kept.acc");
    dialogs.answer = path("nowhere/x.acc");
    commands->saveConfigFileAs();
    QCOMPARE(dialogs.errors, QStringList{"Invalid filename."});
    QCOMPARE(configFileName, path("kept.acc"));
  }

  void aFailedOpenOfAMissingFileKeepsEverything() {
    dialogs.answer = path("missing.acc");
    commands->openConfigFile();
    QCOMPARE(dialogs.errors, QStringList{"File not found."});
    QVERIFY(configFileName.isEmpty());
  }

  void aNameTypedWithoutExtensionOpensAsTypedWhenThatFileExists() {
    QVERIFY(writeRaw(path("brama"), Bytes(numbered(6))));
    QCOMPARE(openPathFor(path("brama")), path("brama"));
    QCOMPARE(openPathFor(path("furtka")), path("furtka.acc"));  // no such file: the dialog's suffix
    QCOMPARE(openPathFor(path("furtka.old")), path("furtka.old"));
    QCOMPARE(openPathFor(QString()), QString());  // cancelled
  }

  // The real dialogs, inspected while they are up and then cancelled.
  void theSaveDialogAsksBeforeReplacingAndTheOpenDialogAddsNoSuffix() {
    QtFileDialogs real(nullptr);
    bool confirms = false;
    QString saveSuffix = QStringLiteral("unseen"), openSuffix = QStringLiteral("unseen");
    whenFileDialogShows([&](QFileDialog* d) {
      confirms = !d->testOption(QFileDialog::DontConfirmOverwrite);
      saveSuffix = d->defaultSuffix();
    });
    QVERIFY(real.saveFileName(dir->path()).isEmpty());
    whenFileDialogShows([&](QFileDialog* d) { openSuffix = d->defaultSuffix(); });
    QVERIFY(real.openFileName(dir->path()).isEmpty());
    QVERIFY(confirms);
    QCOMPARE(saveSuffix, QStringLiteral("acc"));
    QCOMPARE(openSuffix, QString());
  }

  void aReadOnlyFileOpens() {
    QVERIFY(writeRaw(path("template.acc"), Bytes(numbered(2))));
    QVERIFY(QFile::setPermissions(path("template.acc"), QFileDevice::ReadOwner));
    dialogs.answer = path("template.acc");
    commands->openConfigFile();
    QVERIFY(dialogs.errors.isEmpty());
    QVERIFY(model.editConfig == numbered(2));
  }
};

QTEST_MAIN(ConfigFileCommandsTest)
#include "ConfigFileCommandsTest.moc"
