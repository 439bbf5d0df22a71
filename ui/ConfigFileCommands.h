#pragma once
// The "Plik" commands "Otwórz", "Zapisz" and "Zapisz jako". The dialogs and
// the error box sit behind FileDialogs so that tests never open a real one.
#include <QString>
#include <functional>

#include "model/BarrierModel.h"

class QWidget;

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The chosen path, or an empty string when the user cancelled.
  virtual QString openFileName(const QString& dir) = 0;
  virtual QString saveFileName(const QString& dir) = 0;
  // The application's error box: `message` under the program's title.
  virtual void showError(const QString& message) = 0;
};

// The platform's dialogs: filter "*.acc", default suffix "acc"; the open dialog
// accepts a name that does not exist, the save dialog asks before replacing
// a file.
class QtFileDialogs : public FileDialogs {
 public:
  explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}
  QString openFileName(const QString& dir) override;
  QString saveFileName(const QString& dir) override;
  void showError(const QString& message) override;

 private:
  QWidget* parent_;
};

// The file to open for a name typed in the open dialog: the name itself when
// such a file exists or the name has an extension, else the name with ".acc".
QString openPathFor(const QString& typed);

// Where the file dialogs start: the program's folder when it is the user's
// own (util/UserFolder.h), otherwise the user's documents folder.
QString configFileFolder();

class ConfigFileCommands {
 public:
  // `configFileName` is the main window's: the file last opened or saved,
  // empty at start. `showNotice` tells what the user must not miss.
  ConfigFileCommands(BarrierModel& model, QString& configFileName, std::function<void()> refreshEditors,
                     FileDialogs& dialogs, std::function<void(const QString&)> showNotice = {});

  // Open: loadConfigFile on the file chosen in the open dialog.
  void openConfigFile();
  // The editors' configuration from `path`, then the editors refreshed; what
  // the barrier holds (deviceConfig) stays, so the file's values count as
  // unsent edits. While a barrier is identified its beam count stands, and a
  // file for another count stays an unsent edit (a notice says so); otherwise
  // the file's count is taken when it is 2..8. A failure is shown in the
  // error box and changes nothing.
  void loadConfigFile(const QString& path);
  // Save: to configFileName while that file exists, otherwise Save As.
  void saveConfigFile();
  // Save As: editConfig to the chosen file, which becomes configFileName.
  void saveConfigFileAs();

  // Told after a file was opened (saved false) or saved, with its path and
  // the 32 bytes it holds.
  std::function<void(bool saved, const QString& path, const BarrierConfig& config)> onFileDone;

 private:
  void showFailure(const QString& message);

  BarrierModel& model_;
  QString& configFileName_;
  std::function<void()> refreshEditors_;
  FileDialogs& dialogs_;
  std::function<void(const QString&)> showNotice_;
};
