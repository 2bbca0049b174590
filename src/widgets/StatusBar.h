#pragma once
// The status bar under the pages: "Carte de Cassini : ", the sheet number field, the
// sheet title with its detail button, and the progress gauge.

#include "widgets/BarGauge.h"

#include <QWidget>
#include <memory>

class QLineEdit;
class QProgressBar;
class QToolButton;
class SpinEdit;

class StatusBar : public QWidget {
    Q_OBJECT
public:
    explicit StatusBar(QWidget *parent = nullptr);

    // The sheet number field, 1..182.
    int sheetNumber() const;
    // What the field holds, typed text included (not necessarily a sheet number).
    QString sheetNumberText() const;
    // Sets the number; sheetNumberChanged() follows even when the number stays the same.
    void setSheetNumber(int sheet);
    // The title of the selected sheet, beside the number.
    void setSheetTitle(const QString &title);

    // The gauge of long work, shown by the bar at the right.
    ProgressGauge &gauge() { return *m_gauge; }
    // The bar itself, for the work that still drives it step by step.
    QProgressBar *gaugeBar() const { return m_gaugeBar; }

signals:
    // The number was set, by the user or by code.
    void sheetNumberChanged();
    // The button beside the title: the detail view of the selected sheet.
    void detailsRequested();

private:
    SpinEdit *m_sheetNumberEdit;
    QLineEdit *m_sheetTitleEdit;
    QToolButton *m_detailsButton;
    QProgressBar *m_gaugeBar;
    std::unique_ptr<BarGauge> m_gauge;
};
