#pragma once
// The options Qt's application object takes from a command line, set aside so that the
// program's own parser sees only its options.

#include <QStringList>

// The arguments without Qt's options and their values ("-platform offscreen",
// "-style=fusion", "--reverse"...). The first argument (the program) is kept.
QStringList withoutQtOptions(const QStringList &arguments);
