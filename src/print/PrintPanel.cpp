#include "print/PrintPanel.h"
#include "session/AppContext.h"
#include "session/SharedOptions.h"
#include "widgets/Controls.h"
#include "platform/Desktop.h"
#include "print/PageLayout.h"
#include "print/TransferFile.h"
#include "widgets/RadioGroup.h"
#include "widgets/OverrideCursor.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>

using controls::button;
using controls::named;

namespace {

constexpr int kPanelWidth = 361;
constexpr int kPanelHeight = 257;

// Busy cursor for the length of a scope, also when it ends early.
const QString kNoPrinter = QStringLiteral(
    "Aucune imprimante n'est disponible et aucun fichier d'impression n'a été choisi. "
    "Choisissez une imprimante ou l'impression dans un fichier PDF avec le bouton "
    "« Sélection de l'imprimante » de la page Préférences.");

} // namespace

QString numberedPdfName(const QString &fileName, int page, int quarter)
{
    return numberedPdfName(fileName, posterPageLabel(page, quarter));
}

QString posterPageLabel(int page, int quarter)
{
    const QString number = QString::number(page);
    return quarter > 0 ? QStringLiteral("q%1-").arg(quarter) + number : number;
}

QString numberedPdfName(const QString &fileName, const QString &label)
{
    const QString number = QStringLiteral("-") + label;
    if (fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return fileName.left(fileName.size() - 4) + number + fileName.right(4);
    return fileName + number;
}

PrintPanel::PrintPanel(AppContext &context, std::function<QPrinter &()> printer, QWidget *parent)
    : QGroupBox(parent), m_context(context), m_printer(std::move(printer))
{
    setObjectName(QStringLiteral("VisuImp"));
    resize(kPanelWidth, kPanelHeight);
    setAutoFillBackground(true);

    spSkinRadioGroup1 = named(new RadioGroup(QStringLiteral("Orientation"),
                                             {QStringLiteral("Paysage"), QStringLiteral("Portrait")}, this),
                              QStringLiteral("spSkinRadioGroup1"), QRect(24, 40, 155, 89));
    spSkinRadioGroup1->setItemIndex(0);
    connect(spSkinRadioGroup1, &RadioGroup::clicked, this, &PrintPanel::spSkinRadioGroup1Click);

    spSkinGroupBox9 = controls::group(this, QStringLiteral("spSkinGroupBox9"), QStringLiteral("Copies"),
                                      QRect(190, 40, 155, 89));
    spSkinEdit6 = named(new QLineEdit(QStringLiteral("1"), spSkinGroupBox9), QStringLiteral("spSkinEdit6"),
                        QRect(24, 45, 73, 20));
    spSkinEdit6->setAlignment(Qt::AlignCenter);
    spSkinEdit6->setEnabled(false);
    spSkinEdit6->setAccessibleName(QStringLiteral("Copies"));
    // An up-down: a vertical pair of arrows whose upper arrow counts up.
    spSkinUpDown1 = named(new QScrollBar(Qt::Vertical, spSkinGroupBox9), QStringLiteral("spSkinUpDown1"),
                          QRect(112, 39, 17, 34));
    spSkinUpDown1->setRange(0, 100);
    spSkinUpDown1->setSingleStep(1);
    spSkinUpDown1->setPageStep(1);
    spSkinUpDown1->setValue(0);
    spSkinUpDown1->setInvertedAppearance(true);
    spSkinUpDown1->setInvertedControls(true);
    spSkinUpDown1->setAccessibleName(QStringLiteral("Copies"));
    connect(spSkinUpDown1, &QScrollBar::valueChanged, this, &PrintPanel::spSkinUpDown1Change);

    spSkinGroupBox8 = controls::group(this, QStringLiteral("spSkinGroupBox8"), QStringLiteral("Entête"),
                                      QRect(24, 136, 321, 57));
    spSkinEdit7 = named(new QLineEdit(spSkinGroupBox8), QStringLiteral("spSkinEdit7"), QRect(8, 32, 305, 20));
    spSkinEdit7->setAccessibleName(QStringLiteral("Entête"));
    // The header is the shared print header: the poster page sets it page after page, and
    // what the user types here is what prints.
    spSkinEdit7->setText(m_context.options().printHeader());
    connect(&m_context.options(), &SharedOptions::printHeaderChanged, spSkinEdit7, &QLineEdit::setText);
    connect(spSkinEdit7, &QLineEdit::textEdited, &m_context.options(), &SharedOptions::setPrintHeader);

    spSkinButton19 = button(this, QStringLiteral("spSkinButton19"), QStringLiteral("Imprimer"),
                            QRect(171, 216, 75, 25));
    spSkinButton20 = button(this, QStringLiteral("spSkinButton20"), QStringLiteral("Annuler"),
                            QRect(259, 216, 75, 25));
    connect(spSkinButton19, &QPushButton::clicked, this, &PrintPanel::spSkinButton19Click);
    connect(spSkinButton20, &QPushButton::clicked, this, &PrintPanel::spSkinButton20Click);
    previewButton = button(this, QStringLiteral("ApercuImpression"), QStringLiteral("Aperçu avant impression"),
                           QRect(145, 8, 200, 25), QStringLiteral("Montre la page telle qu'elle sera imprimée"));
    connect(previewButton, &QPushButton::clicked, this, &PrintPanel::previewClick);

    hide();
    setEnabled(false);
}

QString PrintPanel::transferPath() const
{
    return printing::transferFile(m_context.scratchFolder());
}

void PrintPanel::printImage(const QImage &picture, const QString &header)
{
    const QString path = transferPath();
    if (!printing::writeTransfer(path, picture)) {
        m_context.desktop().error(picture.isNull() ? QStringLiteral("L'image à imprimer est vide.")
                                                   : printing::cannotWrite(path));
        return;
    }
    if (QWidget *area = parentWidget())
        move((area->width() - kPanelWidth) / 2, (area->height() - kPanelHeight) / 2);
    setEnabled(true);
    raise();
    show();
    spSkinRadioGroup1->setItemIndex(printer().pageLayout().orientation() == QPageLayout::Landscape ? 0 : 1);
    m_context.options().setPrintHeader(header);
    m_printBitmap = printing::readTransfer(path);
    if (m_printBitmap.isNull())
        m_context.desktop().error(printing::cannotRead(path));
}

void PrintPanel::setPortrait(bool portrait)
{
    printer().setPageOrientation(portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
    spSkinRadioGroup1->setItemIndex(portrait ? 1 : 0);
}

void PrintPanel::spSkinRadioGroup1Click()
{
    printer().setPageOrientation(spSkinRadioGroup1->itemIndex() == 0 ? QPageLayout::Landscape
                                                                      : QPageLayout::Portrait);
}

void PrintPanel::spSkinUpDown1Change(int position)
{
    spSkinEdit6->setText(QString::number(position));
}

bool PrintPanel::mayReplacePosterFiles(int pages, int quarter)
{
    if (printer().outputFormat() != QPrinter::PdfFormat || printer().outputFileName().isEmpty())
        return true;
    QStringList existing;
    for (int page = 1; page <= pages; ++page) {
        const QString name = numberedPdfName(printer().outputFileName(), page, quarter);
        if (QFileInfo::exists(name))
            existing << QFileInfo(name).fileName();
    }
    if (existing.isEmpty())
        return true;
    return m_context.desktop().confirm(
        QStringLiteral("Ces fichiers existent déjà et seront remplacés :\n%1\n\nVoulez-vous les remplacer ?")
            .arg(existing.join(QStringLiteral("\n"))),
        QStringLiteral("Impression poster"));
}

bool PrintPanel::PrintPage(int page, int quarter)
{
    return PrintPage(page > 0 ? posterPageLabel(page, quarter) : QString());
}

bool PrintPanel::PrintPage(const QString &pdfLabel)
{
    OverrideCursor busy;
    bool printed = false;
    if (m_printBitmap.isNull() || m_printBitmap.width() == 0) {
        m_context.desktop().error(QStringLiteral("L'image à imprimer est vide."));
    } else if (printer().outputFormat() == QPrinter::PdfFormat && printer().outputFileName().isEmpty()) {
        m_context.desktop().error(kNoPrinter);
    } else {
        const QString chosenName = printer().outputFileName();
        const bool numbered = !pdfLabel.isEmpty() && printer().outputFormat() == QPrinter::PdfFormat;
        if (numbered)
            printer().setOutputFileName(numberedPdfName(chosenName, pdfLabel));
        printer().setDocName(QString());
        QPainter painter;
        if (!painter.begin(&printer())) {
            m_context.desktop().error(printer().outputFormat() == QPrinter::PdfFormat
                                          ? printing::cannotWrite(printer().outputFileName())
                                          : QStringLiteral("L'imprimante « %1 » refuse l'impression.")
                                                .arg(printer().printerName()));
        } else {
            const QSize area(painter.device()->width(), painter.device()->height());
            const bool landscape = printer().pageLayout().orientation() == QPageLayout::Landscape;
            printing::paintPage(painter, area, printer().logicalDpiY(), landscape, m_printBitmap,
                                m_context.options().printHeader());
            printed = painter.end();
            if (!printed)
                m_context.desktop().error(QStringLiteral("L'impression a échoué."));
        }
        if (numbered)
            printer().setOutputFileName(chosenName);
    }
    printing::removeTransfer(transferPath());
    return printed;
}

// A failed print leaves the panel open, so that the user can change the printer and try
// again, or close it with "Annuler".
void PrintPanel::spSkinButton19Click()
{
    if (!PrintPage())
        return;
    printing::removeTransfer(transferPath());
    hidePanel();
}

void PrintPanel::spSkinButton20Click()
{
    printing::removeTransfer(transferPath());
    hidePanel();
}

// Qt's preview of the page "Imprimer" prints: the print bitmap and the header, in the
// orientation chosen.
void PrintPanel::previewClick()
{
    if (m_printBitmap.isNull()) {
        m_context.desktop().error(QStringLiteral("L'image à imprimer est vide."));
        return;
    }
    auto *dialog = new QPrintPreviewDialog(&printer(), window());
    dialog->setObjectName(QStringLiteral("ApercuAvantImpression"));
    dialog->setWindowTitle(QStringLiteral("Aperçu avant impression"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *target) {
        QPainter painter(target);
        printing::paintPage(painter, QSize(painter.device()->width(), painter.device()->height()),
                            target->logicalDpiY(), target->pageLayout().orientation() == QPageLayout::Landscape,
                            m_printBitmap, m_context.options().printHeader());
    });
    dialog->open();
}

void PrintPanel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && isVisible()) {
        spSkinButton20Click();
        return;
    }
    QGroupBox::keyPressEvent(event);
}

void PrintPanel::hidePanel()
{
    hide();
    setEnabled(false);
}
