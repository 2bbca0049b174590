#pragma once
// Paths are native from the moment they are built: folders are joined with "/" and a
// user's folder name is taken as it is ("back\slash" is one folder on Linux). The "\" form
// appears only in texts shown to the user (the folder suffix "\F007" of a caption).

#include <QString>

namespace paths {

// `name` inside `folder`: one "/" between them, whatever `folder` ends with. An empty folder
// gives `name` alone. Nothing else in either part is touched.
QString join(const QString &folder, const QString &name);

// The folder a stored setting names. A text that names an existing folder is taken as it is.
// Older versions read "\" in a stored path as a separator (and doubled separators as one):
// a text that names no folder as it is, but names one read that way, gives that folder.
// Empty when neither names an existing folder.
QString existingStoredFolder(const QString &stored);

// The folder of the executable, ending with a separator. For an installed program (see
// isInstalledProgramFolder()) or one whose folder cannot be written to, the per-user data
// folder stands in for it as the place of maps and scratch files. `installFolder()` holds the help file and the skin: the executable's
// folder in a build, <prefix>/share/orvantis/ once installed.
QString installFolder();
QString programFolder();

// Whether a program's folder is an installed one: a bin/ that is not a build folder.
bool isInstalledProgramFolder(const QString &folder);

// Whether a folder can hold new files (tries to create and remove a probe file).
bool isWritableFolder(const QString &folder);

} // namespace paths
