#pragma once
// The library's settings in the preferences: the button "Bibliothèque..." and, over the page
// while open, the search service's address, the library's address and the interval between
// two requests to it. Each value is stored the moment it changes; the pace follows.

#include "session/SettingsTable.h"

#include <QObject>
#include <QRect>

class AppContext;
class QDoubleSpinBox;
class QGroupBox;
class QLineEdit;
class QWidget;

class LibraryPreferences : public QObject {
    Q_OBJECT
public:
    // The button goes on `buttonParent` at `buttonBounds`, the fields over `page` at `bounds`.
    LibraryPreferences(AppContext &context, QWidget *page, const QRect &bounds, QWidget *buttonParent,
                       const QRect &buttonBounds);

private:
    // Shows the stored values and applies them; `tellUnreadable` logs a value that falls back.
    void load(bool tellUnreadable);
    void storeAddress(QLineEdit *edit, Setting setting);
    void storeInterval();

    AppContext &m_context;
    QGroupBox *m_box;
    QLineEdit *m_catalogueEdit, *m_libraryEdit;
    QDoubleSpinBox *m_intervalEdit;
};
