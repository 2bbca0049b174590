#include "platform/QtDesktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <QDir>
#include <QInputDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

int QtDesktop::captionWidth(const QString &caption)
{
    // A title bar's font is commonly the text's, bold and a little larger; beside the caption
    // it has the window's icon and three buttons.
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() * 1.15 : 11);
    constexpr int kTitleBarControls = 140;
    return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarControls;
}

namespace {

// A message box wide enough for its caption to be whole in the window manager's title bar
// (a message box sizes itself to its text and ignores a minimum width: a spacer holds it).
int runMessageBox(QMessageBox &box)
{
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(QtDesktop::captionWidth(box.windowTitle()), 0, QSizePolicy::Minimum,
                                      QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return box.exec();
}

} // namespace

void QtDesktop::message(const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, m_parent);
    runMessageBox(box);
}

bool QtDesktop::confirm(const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel, m_parent);
    box.setDefaultButton(QMessageBox::Ok);
    return runMessageBox(box) == QMessageBox::Ok;
}

void QtDesktop::error(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok, m_parent);
    runMessageBox(box);
}

QString QtDesktop::inputText(const QString &caption, const QString &prompt, const QString &defaultText)
{
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.sizeHint();   // lays the dialog out, which holds its width as a minimum width would not
    if (QLayout *layout = dialog.layout())
        layout->addItem(new QSpacerItem(captionWidth(caption), 0, QSizePolicy::Minimum, QSizePolicy::Fixed));
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

int QtDesktop::chooseItem(const QString &caption, const QString &prompt, const QStringList &items)
{
    bool ok = false;
    const QString chosen = QInputDialog::getItem(m_parent, caption, prompt, items, 0, false, &ok);
    return ok ? int(items.indexOf(chosen)) : -1;
}

QString QtDesktop::browseStartFolder() const
{
    if (!m_lastBrowsedFolder.isEmpty() && QFileInfo(m_lastBrowsedFolder).isDir())
        return m_lastBrowsedFolder;
    return QDir::homePath();
}

QString QtDesktop::browseFolder(const QString &title)
{
    const QString folder = QFileDialog::getExistingDirectory(m_parent, title, browseStartFolder());
    if (!folder.isEmpty())
        m_lastBrowsedFolder = folder;
    return folder;
}

namespace {

// "jpg" for "Fichier image JPEG (*.jpg)".
QString filterExtension(const QString &filter)
{
    const int star = int(filter.lastIndexOf(QStringLiteral("*.")));
    return star < 0 ? QString() : filter.mid(star + 2).section(u')', 0, 0).section(u' ', 0, 0);
}

} // namespace

QString QtDesktop::saveFileName(const QString &title, const QStringList &filters, int &filterIndex,
                                const QString &folder)
{
    QFileDialog dialog(m_parent, title, folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    const QString first = filters.value(filterIndex - 1, filters.value(0));
    dialog.selectNameFilter(first);
    // The extension goes on before the dialog checks for an existing file, so that the
    // question about replacing it names the file that is really written.
    dialog.setDefaultSuffix(filterExtension(first));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString &filter) { dialog.setDefaultSuffix(filterExtension(filter)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (filterIndex < 1)
        filterIndex = 1;
    return dialog.selectedFiles().constFirst();
}

void QtDesktop::copyToClipboard(const QImage &image)
{
    QApplication::clipboard()->setImage(image);
}

void QtDesktop::open(const QString &target)
{
    const QUrl url = target.contains(QStringLiteral("://"))
                         ? QUrl(target)
                         : QUrl::fromLocalFile(target);
    QDesktopServices::openUrl(url);
}
