#pragma once
// Every file the program writes goes through here, under one rule for
// symbolic links: a link is followed to the file it names, but never one
// that another user may have planted (owned by neither the user nor the
// folder's owner, in a folder that others may write to: the kernel's
// protected_symlinks rule, which is not on everywhere), and never a link to
// a file that does not exist (that would create a file wherever it points).
// The file is decided before anything is written: a file replaced by a
// rename (as QSaveFile does) would otherwise land on a link's target, which
// protected_symlinks does not stop. Each refusal says why.
#include <sys/types.h>

#include <QBuffer>
#include <QByteArray>
#include <QString>

enum class OutputFailure {
  None,
  ForeignLink,     // a link another user may have planted
  DanglingLink,    // a link to a file that does not exist
  NotRegularFile,  // a pipe, a device or a socket in place of a file (or a link in place of a log file)
  System,          // systemError says why (a folder in place of the file gives EISDIR)
};

struct OutputResult {
  OutputFailure failure = OutputFailure::None;
  int systemError = 0;  // errno of the failing call, for System

  bool ok() const { return failure == OutputFailure::None; }
  explicit operator bool() const { return ok(); }
  // Why, in the user's words, without a final full stop; empty on success.
  QString message() const;
};

// What a new file's mode is: the user's alone for everything the program
// records, prints or exports; as the umask has it for a configuration file,
// which is the user's own document.
inline constexpr mode_t PrivateFileMode = 0600;
inline constexpr mode_t UmaskFileMode = 0666;

// The file `path` finally names, each link on the way judged by the rule
// before it is followed; `path` itself when it is no link (or absent).
OutputResult resolveOutputPath(const QString& path, QString& target);

// Replaces what `path` holds with `bytes`, written whole or not at all: the
// bytes go to a new file beside the target, which replaces it only once they
// are on disk, so a failure leaves an existing file as it was. An existing
// file keeps its mode (a read-only one is refused, as a direct write would
// be); a new one gets `newFileMode`, less the umask. Where the user may write
// the file but not replace it (someone else's file in a sticky folder, a
// folder the user may not add to), it is written in place and counts as
// written once all of it is on disk.
OutputResult writeOutputFile(const QString& path, const QByteArray& bytes, mode_t newFileMode = PrivateFileMode);

// For a file that another library opens by name (the journal's SQLite): the
// regular file `path` names under the rule, created empty with
// `newFileMode` when missing, and never truncated; `target` gets its real
// path, to be opened in place of `path`.
OutputResult prepareOutputFile(const QString& path, QString& target, mode_t newFileMode = PrivateFileMode);

// Appends `bytes` with one write to a file the program names itself in a
// folder it chose (a log file): never through a link at all, as the user
// never asked for one there. A missing file is created with `newFileMode`
// when `create` is set; an existing one is never truncated.
OutputResult appendToOwnFile(const QString& path, const QByteArray& bytes, bool create,
                             mode_t newFileMode = PrivateFileMode);

// In place of QSaveFile: collects what is written and writes it on commit()
// as writeOutputFile does. open() already judges the name, so that a refused
// one costs no work; errorString() says why either failed.
class OutputFile : public QBuffer {
 public:
  explicit OutputFile(QString path, mode_t newFileMode = PrivateFileMode);
  bool open(OpenMode mode) override;
  bool commit();
  const OutputResult& result() const { return result_; }

 private:
  bool fail(OutputResult result);

  QString path_;
  mode_t newFileMode_;
  OutputResult result_;
};
