#pragma once
// "Importer d'une sauvegarde" of the Cassini and archive pages.

class AppContext;
class QWidget;

// Imports the selected sheet into its map folder with the status bar's gauge, tells the
// pages its tiles were installed, and refreshes the selection's status unless the import
// stopped on an error. `window` steps aside while the folder browser is open.
void importSelectedSheet(AppContext &context, QWidget &window);
