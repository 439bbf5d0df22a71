#pragma once
// The ".acc" configuration file: exactly the 32 bytes of BarrierConfig, no
// header. Each call opens, reads or writes whole, and closes the file.
#include <QString>

#include "model/BarrierModel.h"

enum class ConfigFileError {
  None,
  FileNotFound,     // no such file
  InvalidFilename,  // the folder does not exist, or the name cannot be a file name
  AccessDenied,     // no permission, a read-only target, a folder in place of a file
  NotRegularFile,   // a pipe, a device or a socket in place of a file
  ForeignLink,      // a link another user may have planted: theirs, in a folder others may write to
  DanglingLink,     // a link to a file that does not exist
  ReadBeyondEnd,    // the file is shorter than 32 bytes
  DiskFull,         // fewer than 32 bytes could be written
  TooManyOpenFiles,
  Other,  // the system's own message for systemError
};

struct ConfigFileResult {
  ConfigFileError error = ConfigFileError::None;
  int systemError = 0;  // errno of the failing call; 0 for None and ReadBeyondEnd

  bool ok() const { return error == ConfigFileError::None; }
  explicit operator bool() const { return ok(); }
  // The user's words for the failure, without a final full stop ("File not
  // found", "Too many levels of symbolic links"); empty on success.
  QString message() const;
};

// Reads the first 32 bytes of `path` into `record`. The file is opened for
// reading only, so a read-only file loads; only a regular file is read.
// `record` is untouched on failure.
ConfigFileResult readConfigFile(const QString& path, BarrierConfig& record);

// Writes the 32 bytes of `record` to `path`, which must be a regular file or
// absent, as every file is written (util/OutputFile.h): whole or not at all,
// an existing file keeping its permissions, a read-only one refused, and
// never through a link that another user may have planted or that names a
// file that does not exist. A new file gets the mode the umask allows.
ConfigFileResult writeConfigFile(const QString& path, const BarrierConfig& record);
