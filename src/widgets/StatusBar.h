#pragma once
// The status bar under the pages: "Carte de Cassini : ", the sheet number field, the
// sheet title with its detail button, and the progress gauge.

#include "widgets/BarGauge.h"

#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QToolButton;
class SpinEdit;

class StatusBar : public QWidget {
    Q_OBJECT
public:
    explicit StatusBar(QWidget *parent = nullptr);

    QLabel *spSkinStatusPanel1;
    SpinEdit *spSkinSpinEdit1;     // sheet number, 1..182
    QLineEdit *spSkinEdit5;        // title of the selected sheet
    QToolButton *spSkinEdit5Button; // opens the detail view
    QProgressBar *spSkinGauge1;

    // The gauge of long work, shown by spSkinGauge1.
    ProgressGauge &gauge() { return *m_gauge; }

private:
    std::unique_ptr<BarGauge> m_gauge;
};
