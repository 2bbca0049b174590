#include "print/PrintPanel.h"
#include "session/AppContext.h"
#include "session/SharedOptions.h"
#include "widgets/Controls.h"
#include "platform/Desktop.h"
#include "platform/Logging.h"
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

    m_orientationGroup = named(new RadioGroup(QStringLiteral("Orientation"),
                                              {QStringLiteral("Paysage"), QStringLiteral("Portrait")}, this),
                               QStringLiteral("spSkinRadioGroup1"), QRect(24, 40, 155, 89));
    m_orientationGroup->setItemIndex(0);
    connect(m_orientationGroup, &RadioGroup::clicked, this, &PrintPanel::onOrientationClicked);

    QGroupBox *copiesGroup = controls::group(this, QStringLiteral("spSkinGroupBox9"), QStringLiteral("Copies"),
                                             QRect(190, 40, 155, 89));
    m_copiesEdit = named(new QLineEdit(QStringLiteral("1"), copiesGroup), QStringLiteral("spSkinEdit6"),
                         QRect(24, 45, 73, 20));
    m_copiesEdit->setAlignment(Qt::AlignCenter);
    m_copiesEdit->setEnabled(false);
    m_copiesEdit->setAccessibleName(QStringLiteral("Copies"));
    // An up-down: a vertical pair of arrows whose upper arrow counts up.
    m_copiesUpDown = named(new QScrollBar(Qt::Vertical, copiesGroup), QStringLiteral("spSkinUpDown1"),
                           QRect(112, 39, 17, 34));
    m_copiesUpDown->setRange(0, 100);
    m_copiesUpDown->setSingleStep(1);
    m_copiesUpDown->setPageStep(1);
    m_copiesUpDown->setValue(0);
    m_copiesUpDown->setInvertedAppearance(true);
    m_copiesUpDown->setInvertedControls(true);
    m_copiesUpDown->setAccessibleName(QStringLiteral("Copies"));
    connect(m_copiesUpDown, &QScrollBar::valueChanged, this, &PrintPanel::onCopiesChanged);
    // The arrow on top (▲, and the Up key) adds a copy, the one below takes one away: the
    // reverse of a scroll bar's own steps.
    connect(m_copiesUpDown, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderSingleStepSub)
            m_copiesUpDown->setSliderPosition(m_copiesUpDown->value() + 1);
        else if (action == QAbstractSlider::SliderSingleStepAdd)
            m_copiesUpDown->setSliderPosition(m_copiesUpDown->value() - 1);
    });

    QGroupBox *headerGroup = controls::group(this, QStringLiteral("spSkinGroupBox8"), QStringLiteral("Entête"),
                                             QRect(24, 136, 321, 57));
    m_headerEdit = named(new QLineEdit(headerGroup), QStringLiteral("spSkinEdit7"), QRect(8, 32, 305, 20));
    m_headerEdit->setAccessibleName(QStringLiteral("Entête"));
    // The header is the shared print header: the poster page sets it page after page, and
    // what the user types here is what prints.
    m_headerEdit->setText(m_context.options().printHeader());
    connect(&m_context.options(), &SharedOptions::printHeaderChanged, m_headerEdit, &QLineEdit::setText);
    connect(m_headerEdit, &QLineEdit::textEdited, &m_context.options(), &SharedOptions::setPrintHeader);

    auto *printButton = button(this, QStringLiteral("spSkinButton19"), QStringLiteral("Imprimer"),
                               QRect(171, 216, 75, 25));
    auto *cancelButton = button(this, QStringLiteral("spSkinButton20"), QStringLiteral("Annuler"),
                                QRect(259, 216, 75, 25));
    connect(printButton, &QPushButton::clicked, this, &PrintPanel::onPrintClicked);
    connect(cancelButton, &QPushButton::clicked, this, &PrintPanel::cancel);
    auto *previewButton = button(this, QStringLiteral("ApercuImpression"), QStringLiteral("Aperçu avant impression"),
                                 QRect(145, 8, 200, 25), QStringLiteral("Montre la page telle qu'elle sera imprimée"));
    connect(previewButton, &QPushButton::clicked, this, &PrintPanel::onPreviewClicked);

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
        m_context.desktop().error(picture.isNull() ? printing::emptyPictureText() : printing::cannotWrite(path));
        return;
    }
    if (QWidget *area = parentWidget())
        move((area->width() - kPanelWidth) / 2, (area->height() - kPanelHeight) / 2);
    setEnabled(true);
    raise();
    show();
    m_orientationGroup->setItemIndex(printer().pageLayout().orientation() == QPageLayout::Landscape ? 0 : 1);
    m_context.options().setPrintHeader(header);
    m_printBitmap = printing::readTransfer(path);
    if (m_printBitmap.isNull())
        m_context.desktop().error(printing::cannotRead(path));
}

void PrintPanel::setPortrait(bool portrait)
{
    printer().setPageOrientation(portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
    m_orientationGroup->setItemIndex(portrait ? 1 : 0);
}

void PrintPanel::onOrientationClicked()
{
    printer().setPageOrientation(m_orientationGroup->itemIndex() == 0 ? QPageLayout::Landscape
                                                                      : QPageLayout::Portrait);
}

void PrintPanel::onCopiesChanged(int position)
{
    m_copiesEdit->setText(QString::number(position));
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

bool PrintPanel::printPage(int page, int quarter)
{
    return printPage(page > 0 ? posterPageLabel(page, quarter) : QString());
}

bool PrintPanel::printPage(const QString &pdfLabel)
{
    return printPage(pdfLabel, {});
}

bool PrintPanel::printPage(const QString &pdfLabel, const PageOverlay &overlay)
{
    OverrideCursor busy;
    bool printed = false;
    if (m_printBitmap.isNull() || m_printBitmap.width() == 0) {
        m_context.desktop().error(printing::emptyPictureText());
    } else if (printer().outputFormat() == QPrinter::PdfFormat && printer().outputFileName().isEmpty()) {
        qCWarning(lcPrint) << "no printer and no PDF file chosen";
        m_context.desktop().error(kNoPrinter);
    } else {
        const QString chosenName = printer().outputFileName();
        const bool numbered = !pdfLabel.isEmpty() && printer().outputFormat() == QPrinter::PdfFormat;
        if (numbered)
            printer().setOutputFileName(numberedPdfName(chosenName, pdfLabel));
        printed = runPrintJob([this, &overlay](QPrinter &target, QPainter &painter) {
            const printing::PageLayout page = paintPrintBitmap(target, painter);
            if (overlay)
                overlay(target, painter, page, m_printBitmap.width());
            return true;
        });
        if (numbered)
            printer().setOutputFileName(chosenName);
    }
    printing::removeTransfer(transferPath());
    return printed;
}

bool PrintPanel::runPrintJob(const std::function<bool(QPrinter &, QPainter &)> &paint)
{
    QPrinter &target = printer();
    const bool toPdf = target.outputFormat() == QPrinter::PdfFormat;
    const QString output = toPdf ? target.outputFileName() : target.printerName();
    target.setDocName(QString());
    QPainter painter;
    if (!painter.begin(&target)) {
        qCWarning(lcPrint) << (toPdf ? "cannot write the PDF file" : "the printer refuses the job") << output;
        m_context.desktop().error(toPdf ? printing::cannotWrite(output)
                                        : QStringLiteral("L'imprimante « %1 » refuse l'impression.").arg(output));
        return false;
    }
    const bool painted = paint(target, painter);
    const bool printed = painter.end() && painted;
    if (!printed) {
        qCWarning(lcPrint) << "the print job failed on" << output;
        m_context.desktop().error(QStringLiteral("L'impression a échoué."));
    }
    return printed;
}

void PrintPanel::openPreview(const std::function<void(QPrinter &, QPainter &)> &paint)
{
    auto *dialog = new QPrintPreviewDialog(&printer(), window());
    dialog->setObjectName(QStringLiteral("ApercuAvantImpression"));
    dialog->setWindowTitle(QStringLiteral("Aperçu avant impression"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QPrintPreviewDialog::paintRequested, this, [paint](QPrinter *target) {
        QPainter painter(target);
        paint(*target, painter);
    });
    dialog->open();
}

printing::PageLayout PrintPanel::paintPrintBitmap(QPrinter &target, QPainter &painter) const
{
    return printing::paintPage(painter, QSize(painter.device()->width(), painter.device()->height()),
                        target.logicalDpiY(), target.pageLayout().orientation() == QPageLayout::Landscape,
                        m_printBitmap, m_context.options().printHeader());
}

// A failed print leaves the panel open, so that the user can change the printer and try
// again, or close it with "Annuler".
void PrintPanel::onPrintClicked()
{
    if (printPage())
        hidePanel();
}

void PrintPanel::cancel()
{
    printing::removeTransfer(transferPath());
    hidePanel();
}

// Qt's preview of the page "Imprimer" prints: the print bitmap and the header, in the
// orientation chosen.
void PrintPanel::onPreviewClicked()
{
    if (m_printBitmap.isNull()) {
        m_context.desktop().error(printing::emptyPictureText());
        return;
    }
    openPreview([this](QPrinter &target, QPainter &painter) { paintPrintBitmap(target, painter); });
}

void PrintPanel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && isVisible()) {
        cancel();
        return;
    }
    QGroupBox::keyPressEvent(event);
}

void PrintPanel::hidePanel()
{
    hide();
    setEnabled(false);
}
