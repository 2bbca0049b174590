#include "platform/QtDesktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QDir>
#include <QInputDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

void QtDesktop::message(const QString &text, const QString &caption)
{
    QMessageBox::information(m_parent, caption, text, QMessageBox::Ok);
}

bool QtDesktop::confirm(const QString &text, const QString &caption)
{
    return QMessageBox::question(m_parent, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

void QtDesktop::error(const QString &text)
{
    QMessageBox::critical(m_parent, QApplication::applicationName(), text, QMessageBox::Ok);
}

QString QtDesktop::inputText(const QString &caption, const QString &prompt, const QString &defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, caption, prompt, QLineEdit::Normal,
                                               defaultText, &ok);
    return ok ? text : QString();
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
