#pragma once

// Where the tool runs: every path it uses is relative to its working folder,
// which holds the data files beside the program. In a build tree that folder
// is the program's own. Installed, the program's folder belongs to the
// system, so each user gets a folder of their own that links to the
// installed data and holds the files the tool writes (config.ini).

#include <QString>

namespace WorkFolder {

// Prepares the working folder for a program in `programDir` and returns it:
// `programDir` itself when the user may write there and `useProgramDir`
// allows it, otherwise `userDir`, filled with links to the data in
// `programDir` (links that point elsewhere are renewed; files the user made
// are left alone) and a copy of the default config.ini when there is none
// yet. Returns an empty string when no folder could be prepared.
QString prepare(const QString &programDir, const QString &userDir, bool useProgramDir = true);

// The second half of prepare(): fills `userDir` as described there; false
// when the folder cannot be made.
bool fillUserFolder(const QString &programDir, const QString &userDir);

// For a process running as `uid`: HOME and the XDG base folders
// (XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME) that lie in a folder
// `uid` does not own are not its own; `sudo` keeps a user's HOME, for one.
// Such a HOME becomes `ownHome`, such an XDG folder is unset (its default
// then follows HOME). Returns whether anything changed.
bool confineHome(uint uid, const QString &ownHome);

// Whether the process runs as root. Root's files must not land in a user's
// home, where that user cannot remove them, so root's home is confined to
// root's own (from the password database) before anything reads it.
bool confineRoot();

} // namespace WorkFolder
