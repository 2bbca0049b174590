#pragma once
// The small window shown while a map's address is read for adding a map: what is being
// read (and the count-down of a busy server), and "Annuler", which ends the reading.

#include <QDialog>

namespace source {
class MapReader;
}
class QLabel;

class ReadingProgress : public QDialog {
    Q_OBJECT
public:
    // Follows the reader: shows itself while it reads, goes when it ends.
    ReadingProgress(source::MapReader &reader, const QString &caption, QWidget *parent);

private:
    QLabel *m_text = nullptr;
};
