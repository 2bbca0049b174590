#pragma once
// The printer set-up dialog of the preferences: the system's print dialog, titled and
// buttoned for choosing the printer and its settings, never for printing.

class QPrintDialog;
class QPrinter;
class QWidget;

// The dialog, ready to show; the caller owns it.
QPrintDialog *makePrinterSetupDialog(QPrinter &printer, QWidget *parent);
