#pragma once
// Whether a folder beside the program is the user's to write in, and the
// folders the program makes for itself.
#include <QString>

// True for an existing folder that the user running the program owns and
// that nobody else may write in (a build tree, an unpacked copy in the home
// folder). False for the system's folders (/usr, /opt, ...), whoever owns
// them, and for shared folders such as /tmp: root owns and may write almost
// everything, so neither ownership nor access() alone tells.
bool isUsersOwnFolder(const QString& folder);

// The per-user state folder $XDG_STATE_HOME/Dravel/Orvita (default
// ~/.local/state/Dravel/Orvita), made as makePrivateFolder makes it.
QString userStateFolder();

// Makes `path` and every missing folder above it, each created at mode 0700
// (the umask may take more away); a folder that exists keeps its mode. True
// when `path` is a folder at the end.
bool makePrivateFolder(const QString& path);
