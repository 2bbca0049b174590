#pragma once
// The program builds its paths the way its users see them: plain concatenation with "\"
// between folders ("D:\Cartes\\Cassini couleurs\Carte5"). Every file-system call goes
// through nativePath(), which turns such a path into one the system understands.

#include <QString>

namespace paths {

// "\" and "/" both separate folders; doubled separators count as one.
QString nativePath(const QString &programPath);

// The folder of the executable, ending with a separator. Where it cannot be written to
// (an installed copy), the per-user data folder stands in for it as the place of maps and
// scratch files. `installFolder()` holds the help file and the skin: the executable's
// folder in a build, <prefix>/share/orvantis/ once installed.
QString installFolder();
QString programFolder();

// Whether a folder can hold new files (tries to create and remove a probe file).
bool isWritableFolder(const QString &folder);

} // namespace paths
