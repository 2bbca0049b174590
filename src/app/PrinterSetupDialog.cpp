#include "app/PrinterSetupDialog.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPushButton>

QPrintDialog *makePrinterSetupDialog(QPrinter &printer, QWidget *parent)
{
    auto *dialog = new QPrintDialog(&printer, parent);
    dialog->setWindowTitle(QStringLiteral("Sélection de l'imprimante"));
    // Only the printer and its settings are chosen here: no pages to pick.
    dialog->setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog->setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog->setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    for (QDialogButtonBox *box : dialog->findChildren<QDialogButtonBox *>()) {
        if (QPushButton *ok = box->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("Choisir"));
        if (QPushButton *cancel = box->button(QDialogButtonBox::Cancel))
            cancel->setText(QStringLiteral("Annuler"));
    }
    return dialog;
}
