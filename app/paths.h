#pragma once
// Where the game keeps its three files.
//
// A copy run from its build tree (or any loose copy) keeps them where it always has: Conf.dll and
// Recordes.qdx in the working folder, Frases.ini beside the program. An installed copy cannot
// write beside itself and should not scatter files over whatever folder it was started from, so
// it keeps settings and records in the player's data folder; the phrases are read from the
// shipped default there until the player first saves them, which copies the default there.
// Files that a copy of the first kind left in the working folder are taken over once.

#include <QString>
#include <QStringList>

namespace truco {

// The shipped data folder (holding the default Frases.ini) of a program in `program_dir`, by the
// install layout: <prefix>/games/truco-zanforte and <prefix>/share/games/truco-zanforte.
QString ShippedDataFolder(const QString& program_dir);

// True for a program in `program_dir` that was installed: its shipped data folder holds the
// default Frases.ini, and its folder is not a CMake build folder.
bool IsInstalledCopy(const QString& program_dir);

// The player's data folder as the toolkit reports it for this application ($XDG_DATA_HOME/<app>).
QString PlayerDataFolder();

struct GamePaths {
  bool installed = false;
  QString settings;         // Conf.dll
  QString records;          // Recordes.qdx
  QString phrases;          // Frases.ini that "Gravar" writes
  QString phrases_default;  // read while `phrases` does not exist yet; empty: none
  QString data_folder;      // installed copy only: the folder that holds the files
};

// The paths of a program in `program_dir`; `data_folder` counts only for an installed copy.
GamePaths DecideGamePaths(const QString& program_dir, const QString& data_folder);

// Copies Conf.dll, Recordes.qdx and Frases.ini from `old_folder` into `data_folder`, each only
// when `data_folder` has no file of that name and the old one is a regular file; the old files are
// never changed or removed. Returns the names copied.
QStringList TakeOverOldFiles(const QString& old_folder, const QString& data_folder);

// "mestre.dat", what the level "Mestre" learned: shipped beside the default Frases.ini when
// installed, beside the program in a build tree.
QString MestreDataPath(const QString& program_dir);
QString MestreDataPath();

// At start: the paths of this program, with the data folder made and the working folder's old
// files taken over when it runs installed.
GamePaths PrepareGamePaths();

}  // namespace truco
