#include "platform/QtDesktop.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
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

QString QtDesktop::browseFolder(const QString &title)
{
    return QFileDialog::getExistingDirectory(
        nullptr, title, QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

QString QtDesktop::saveFileName(const QString &title, const QStringList &filters, int &filterIndex)
{
    QString selected = filters.value(filterIndex - 1);
    const QString name = QFileDialog::getSaveFileName(m_parent, title, QString(),
                                                      filters.join(";;"), &selected);
    filterIndex = int(filters.indexOf(selected)) + 1;
    if (filterIndex < 1)
        filterIndex = 1;
    return name;
}

void QtDesktop::copyToClipboard(const QImage &image)
{
    QApplication::clipboard()->setImage(image);
}

void QtDesktop::open(const QString &target)
{
    const QUrl url = target.contains(QStringLiteral("://"))
                         ? QUrl(target)
                         : QUrl::fromLocalFile(paths::nativePath(target));
    QDesktopServices::openUrl(url);
}
