#pragma once
// Starts a program with one of its outputs the write end of a pipe and
// SIGPIPE at its default action, as a shell leaves it. The read end is the
// caller's, or (`unread`) closed at once: a reader that went away. With
// `captureErrors` its standard error is a pipe of the caller's too.
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <QByteArray>
#include <vector>

struct PipedProcess {
  pid_t pid = -1;   // -1: it could not be started
  int reader = -1;  // -1 when unread
  int errors = -1;  // standard error's read end; -1 unless captured
};

inline PipedProcess spawnPiped(const char* program, const std::vector<QByteArray>& arguments,
                               const std::vector<QByteArray>& environment, int outputFd, bool unread,
                               bool captureErrors = false) {
  int fds[2];
  int errorFds[2] = {-1, -1};
  if (::pipe(fds) != 0) return {};
  if (captureErrors && ::pipe(errorFds) != 0) return {};
  if (unread) fds[0] = (::close(fds[0]), -1);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], outputFd);
  if (fds[0] >= 0) posix_spawn_file_actions_addclose(&actions, fds[0]);
  if (captureErrors) {
    posix_spawn_file_actions_adddup2(&actions, errorFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, errorFds[0]);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  std::vector<QByteArray> words{QByteArray(program)};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<QByteArray> variables = environment;
  std::vector<char*> argv, envp;
  for (QByteArray& word : words) argv.push_back(word.data());
  for (QByteArray& variable : variables) envp.push_back(variable.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  PipedProcess process;
  if (::posix_spawn(&process.pid, program, &actions, &attributes, argv.data(), envp.data()) != 0) process.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(fds[1]);
  if (captureErrors) ::close(errorFds[1]);
  process.reader = fds[0];
  process.errors = errorFds[0];
  return process;
}
