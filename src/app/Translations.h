#pragma once
// Qt's own texts (dialog buttons, the file dialog's labels) in French: the translations
// installed with Qt, loaded at start-up so that every standard dialog speaks French.

class QCoreApplication;

// Installs Qt's French translations on the application; false when none could be loaded
// (the dialogs then keep Qt's English texts).
bool installFrenchQtTranslations(QCoreApplication &app);
