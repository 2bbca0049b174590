#pragma once
#include "platform/Desktop.h"

class QWidget;

// Desktop on Qt's standard dialogs, the clipboard and QDesktopServices.
class QtDesktop : public Desktop {
public:
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    void message(const QString &text, const QString &caption) override;
    bool confirm(const QString &text, const QString &caption) override;
    void error(const QString &text) override;
    QString inputText(const QString &caption, const QString &prompt,
                      const QString &defaultText) override;
    int chooseItem(const QString &caption, const QString &prompt, const QStringList &items) override;
    QString browseFolder(const QString &title) override;
    // Where the folder browser opens: the last folder chosen while it still exists, else the
    // user's home; nothing is typed in.
    QString browseStartFolder() const;
    // The width a small dialog needs for `caption` to be whole in a window manager's title
    // bar: its dialogs are at least that wide, their texts as given.
    static int captionWidth(const QString &caption);
    QString saveFileName(const QString &title, const QStringList &filters,
                         int &filterIndex,
                         const QString &folder) override;
    void copyToClipboard(const QImage &image) override;
    void open(const QString &target) override;

private:
    QWidget *m_parent = nullptr;
    QString m_lastBrowsedFolder;
};
