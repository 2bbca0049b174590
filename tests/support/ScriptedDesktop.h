#pragma once
// The tests' desktop: it answers from a script and records every question. Programs run
// by the tests and the benchmarks use it too, answering nothing and echoing errors.

#include "platform/Desktop.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

namespace testing_support {

// A desktop that answers from a script and records every question.
class ScriptedDesktop : public Desktop {
public:
    struct Call {
        QString kind;   // "message", "confirm", "error", "input", "browse", "save", "clipboard", "open"
        QString text;
        QString caption;
    };
    std::vector<Call> calls;
    // Errors also written to the standard error, for programs run outside a test.
    bool echoErrors = false;
    std::deque<bool> confirmAnswers;      // default true
    std::deque<QString> inputAnswers;     // default empty (cancelled)
    std::deque<QString> folderAnswers;    // default empty (cancelled)
    std::deque<QString> saveAnswers;      // default empty (cancelled)
    std::deque<int> saveFilterAnswers;    // default 1
    QImage clipboard;

    void message(const QString &text, const QString &caption) override;
    bool confirm(const QString &text, const QString &caption) override;
    void error(const QString &text) override;
    QString inputText(const QString &caption, const QString &prompt, const QString &defaultText) override;
    QString browseFolder(const QString &title) override;
    QString saveFileName(const QString &title, const QStringList &filters, int &filterIndex,
                         const QString &folder) override;
    QString lastSaveFolder;
    void copyToClipboard(const QImage &image) override;
    void open(const QString &target) override;

    QStringList kinds() const;
    const Call *last(const QString &kind) const;
};

} // namespace testing_support
