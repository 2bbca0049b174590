#pragma once
// A drop-down list of tile letters whose screen-reader name says what it picks and its
// value ("Première colonne : A"). Qt's own combo box on Linux is announced by its current
// text alone.

#include <QComboBox>

class LetterPicker : public QComboBox {
    Q_OBJECT
public:
    explicit LetterPicker(QWidget *parent = nullptr);

    static constexpr int kVisibleLetters = 8;
};
