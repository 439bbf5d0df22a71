#include "ui/ConfigFileCommands.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

#include "files/ConfigFile.h"
#include "texts/UiTexts.h"
#include "util/UserFolder.h"

namespace {

const QString AccFilter = QStringLiteral("*.acc (*.acc)");
const QString AccSuffix = QStringLiteral("acc");

QString runDialog(QWidget* parent, const QString& dir, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, QString(), dir, AccFilter);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Opening adds the suffix itself (openPathFor), so that a file without one can be opened.
  if (mode == QFileDialog::AcceptSave) dialog.setDefaultSuffix(AccSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace

QString openPathFor(const QString& typed) {
  if (typed.isEmpty() || QFileInfo::exists(typed) || !QFileInfo(typed).suffix().isEmpty()) return typed;
  return typed + QLatin1Char('.') + AccSuffix;
}

QString QtFileDialogs::openFileName(const QString& dir) {
  return openPathFor(runDialog(parent_, dir, QFileDialog::AcceptOpen));
}

QString QtFileDialogs::saveFileName(const QString& dir) { return runDialog(parent_, dir, QFileDialog::AcceptSave); }

void QtFileDialogs::showError(const QString& message) {
  QMessageBox::critical(parent_, uiText(UiTexts::txtCaption), message, QMessageBox::Ok);
}

QString configFileFolder() {
  const QString programFolder = QCoreApplication::applicationDirPath();
  if (isUsersOwnFolder(programFolder)) return programFolder;
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

ConfigFileCommands::ConfigFileCommands(BarrierModel& model, QString& configFileName,
                                       std::function<void()> refreshEditors, FileDialogs& dialogs,
                                       std::function<void(const QString&)> showNotice)
    : model_(model),
      configFileName_(configFileName),
      refreshEditors_(std::move(refreshEditors)),
      dialogs_(dialogs),
      showNotice_(std::move(showNotice)) {}

void ConfigFileCommands::showFailure(const QString& message) {
  dialogs_.showError(message.endsWith(QLatin1Char('.')) ? message : message + QLatin1Char('.'));
}

void ConfigFileCommands::openConfigFile() {
  const QString path = dialogs_.openFileName(configFileFolder());
  if (!path.isEmpty()) loadConfigFile(path);
}

void ConfigFileCommands::loadConfigFile(const QString& path) {
  BarrierConfig loaded;
  if (const ConfigFileResult result = readConfigFile(path, loaded); !result) {
    showFailure(result.message());
    return;
  }
  // What the barrier holds stays deviceConfig: the file's values are unsent
  // edits, highlighted where they differ from it.
  model_.editConfig = loaded;
  const int fileBeams = loaded[BarrierConfig::BeamCount];
  QString notice;
  if (model_.connected()) {
    // What the barrier has is its own count; the file's differs as an edit would.
    if (fileBeams != model_.beamCount)
      notice = uiText(UiTexts::txtFileBeamCountDiffers).arg(fileBeams).arg(model_.beamCount);
  } else if (fileBeams >= 2 && fileBeams <= MaxBeams) {
    model_.beamCount = std::uint8_t(fileBeams);
  } else {
    notice = uiText(UiTexts::txtFileBeamCountInvalid).arg(fileBeams);
  }
  if (refreshEditors_) refreshEditors_();
  if (!notice.isEmpty() && showNotice_) showNotice_(notice);
  configFileName_ = path;
  if (onFileDone) onFileDone(false, path, loaded);
}

void ConfigFileCommands::saveConfigFile() {
  if (configFileName_.isEmpty() || !QFileInfo::exists(configFileName_)) {
    saveConfigFileAs();
    return;
  }
  if (const ConfigFileResult result = writeConfigFile(configFileName_, model_.editConfig); !result)
    showFailure(result.message());
  else if (onFileDone)
    onFileDone(true, configFileName_, model_.editConfig);
}

void ConfigFileCommands::saveConfigFileAs() {
  const QString path = dialogs_.saveFileName(configFileFolder());
  if (path.isEmpty()) return;
  if (const ConfigFileResult result = writeConfigFile(path, model_.editConfig); !result) {
    showFailure(result.message());
    return;
  }
  configFileName_ = path;
  if (onFileDone) onFileDone(true, path, model_.editConfig);
}
