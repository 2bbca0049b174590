#pragma once
// What the program asks of the desktop: message boxes, the input box, the folder browser,
// the save dialog, the clipboard and the shell's "Open". The window uses the Qt
// implementation; tests use a scripted one that answers from a script and records calls.

#include <QImage>
#include <QString>
#include <QStringList>

class Desktop {
public:
    virtual ~Desktop() = default;

    // A message box with an OK button.
    virtual void message(const QString &text, const QString &caption) = 0;
    // A message box with OK and Cancel; true for OK.
    virtual bool confirm(const QString &text, const QString &caption) = 0;
    // The application's error box for an action that failed.
    virtual void error(const QString &text) = 0;
    // The input box; a cancelled box gives the empty text.
    virtual QString inputText(const QString &caption, const QString &prompt,
                              const QString &defaultText) = 0;
    // A list to pick one item from; its index, or -1 when cancelled. By default the input
    // box, the items numbered in its prompt, answered by a number.
    virtual int chooseItem(const QString &caption, const QString &prompt, const QStringList &items)
    {
        QString text = prompt;
        for (qsizetype i = 0; i < items.size(); ++i)
            text += QStringLiteral("\n%1. ").arg(i + 1) + items[i];
        bool ok = false;
        const int number = inputText(caption, text, QString()).trimmed().toInt(&ok);
        return ok && number >= 1 && number <= items.size() ? number - 1 : -1;
    }
    // The folder browser; empty when cancelled.
    virtual QString browseFolder(const QString &title) = 0;
    // The save dialog, opening in `folder`; empty when cancelled. `filterIndex` gives the
    // filter shown first and receives the chosen one (1-based). A name typed without the
    // chosen filter's extension gets it, and replacing an existing file is asked first.
    virtual QString saveFileName(const QString &title, const QStringList &filters, int &filterIndex,
                                 const QString &folder) = 0;
    virtual void copyToClipboard(const QImage &image) = 0;
    // The shell's "Open" for a web address, a folder or a document; the result is ignored.
    virtual void open(const QString &target) = 0;
};
