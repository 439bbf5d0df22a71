#include "ConfigFileCommands.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

#include "ConfigFile.h"
#include "Unit1txt.h"

namespace {

const QString AccFilter = QStringLiteral("*.acc (*.acc)");
const QString AccSuffix = QStringLiteral("acc");

QString RunDialog(QWidget* parent, const QString& dir, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, QString(), dir, AccFilter);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(AccSuffix);
  if (mode == QFileDialog::AcceptSave) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace

QString QtFileDialogs::OpenFileName(const QString& dir) { return RunDialog(parent_, dir, QFileDialog::AcceptOpen); }

QString QtFileDialogs::SaveFileName(const QString& dir) { return RunDialog(parent_, dir, QFileDialog::AcceptSave); }

void QtFileDialogs::ShowError(const QString& message) {
  QMessageBox::critical(parent_, Text(Unit1txt::txtCaption), message, QMessageBox::Ok);
}

QString ConfigFileFolder() {
  const QString programFolder = QCoreApplication::applicationDirPath();
  if (QFileInfo(programFolder).isWritable()) return programFolder;
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

ConfigFileCommands::ConfigFileCommands(BarrierModel& model, QString& configFileName,
                                       std::function<void()> refreshEditors, FileDialogs& dialogs)
    : model_(model), configFileName_(configFileName), refreshEditors_(std::move(refreshEditors)), dialogs_(dialogs) {}

void ConfigFileCommands::ShowFailure(const QString& message) {
  dialogs_.ShowError(message.endsWith(QLatin1Char('.')) ? message : message + QLatin1Char('.'));
}

void ConfigFileCommands::Otwrz1Click() {
  const QString path = dialogs_.OpenFileName(ConfigFileFolder());
  if (path.isEmpty()) return;
  BarrierConfig loaded;
  if (const ConfigFileResult result = ReadConfigFile(path, loaded); !result) {
    ShowFailure(result.Message());
    return;
  }
  model_.editConfig = loaded;
  model_.deviceConfig = loaded;
  // Taken as the file has it; everything that shows beams stops at MaxBeams.
  model_.beamCount = loaded[BarrierConfig::BeamCount];
  if (refreshEditors_) refreshEditors_();
  configFileName_ = path;
}

void ConfigFileCommands::Zapisz1Click() {
  if (configFileName_.isEmpty() || !QFileInfo::exists(configFileName_)) {
    Zapiszjako1Click();
    return;
  }
  if (const ConfigFileResult result = WriteConfigFile(configFileName_, model_.editConfig); !result)
    ShowFailure(result.Message());
}

void ConfigFileCommands::Zapiszjako1Click() {
  const QString path = dialogs_.SaveFileName(ConfigFileFolder());
  if (path.isEmpty()) return;
  if (const ConfigFileResult result = WriteConfigFile(path, model_.editConfig); !result) {
    ShowFailure(result.Message());
    return;
  }
  configFileName_ = path;
}
