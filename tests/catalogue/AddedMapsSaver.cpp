// A second program writing the added-maps file: adds `count` maps titled "<name> <n>" to the
// file of a maps root, one save each, as the window does when a map is added.
// Usage: added_maps_saver ROOT NAME COUNT
#include "catalogue/AddedMaps.h"

#include <QCoreApplication>
#include <QSize>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    catalogue::AddedMaps maps;
    maps.load(args[1]);
    for (int n = 1; n <= args[3].toInt(); ++n) {
        maps.addArchiveMap(args[2] + u' ' + QString::number(n),
                           {{QStringLiteral("http://h/") + args[2] + QString::number(n), QSize(10, 10), {}}});
        if (!maps.save(args[1]))
            return 1;
    }
    return 0;
}
