#include "support/ScriptedDesktop.h"

#include <cstdio>

namespace testing_support {

void ScriptedDesktop::message(const QString &text, const QString &caption)
{
    calls.push_back({QStringLiteral("message"), text, caption});
}

bool ScriptedDesktop::confirm(const QString &text, const QString &caption)
{
    calls.push_back({QStringLiteral("confirm"), text, caption});
    if (confirmAnswers.empty())
        return true;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

void ScriptedDesktop::error(const QString &text)
{
    calls.push_back({QStringLiteral("error"), text, QString()});
    if (echoErrors)
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
}

QString ScriptedDesktop::inputText(const QString &caption, const QString &prompt, const QString &)
{
    calls.push_back({QStringLiteral("input"), prompt, caption});
    if (inputAnswers.empty())
        return {};
    const QString answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

QString ScriptedDesktop::browseFolder(const QString &title)
{
    calls.push_back({QStringLiteral("browse"), title, QString()});
    if (folderAnswers.empty())
        return {};
    const QString answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

QString ScriptedDesktop::saveFileName(const QString &title, const QStringList &filters, int &filterIndex,
                                      const QString &folder)
{
    lastSaveFolder = folder;
    calls.push_back({QStringLiteral("save"), title, filters.join(QStringLiteral(";;"))});
    filterIndex = 1;
    if (!saveFilterAnswers.empty()) {
        filterIndex = saveFilterAnswers.front();
        saveFilterAnswers.pop_front();
    }
    if (saveAnswers.empty())
        return {};
    const QString answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

void ScriptedDesktop::copyToClipboard(const QImage &image)
{
    calls.push_back({QStringLiteral("clipboard"), QString(), QString()});
    clipboard = image;
}

void ScriptedDesktop::open(const QString &target)
{
    calls.push_back({QStringLiteral("open"), target, QString()});
}

QStringList ScriptedDesktop::kinds() const
{
    QStringList list;
    for (const Call &c : calls)
        list << c.kind;
    return list;
}

const ScriptedDesktop::Call *ScriptedDesktop::last(const QString &kind) const
{
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
        if (it->kind == kind)
            return &*it;
    return nullptr;
}

} // namespace testing_support
