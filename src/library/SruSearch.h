#pragma once
// The library's search service (SRU 1.2 with CQL queries): the query made from a person's
// words, the address of one page of answers, and the reading of an answer.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace library {

// The answers per page asked for (the service gives at most 50).
constexpr int kPageSize = 50;

// A CQL string: the text in double quotes, with backslashes and quotes escaped.
QString cqlString(const QString &text);
// The query for a person's words: `gallica all "words"`, kept to maps unless
// `allDocuments`. Blank words give an empty query.
QString searchQuery(const QString &words, bool allDocuments);
// The address of the page of answers starting at `startRecord` (from 1).
QString searchAddress(const QString &catalogue, const QString &query, int startRecord, int maximumRecords = kPageSize);

// One document of an answer, as the service describes it.
struct Record {
    QString title;          // the first title
    QStringList creators;
    QString date;           // free text ("17..", "1883-04")
    QString identifier;     // the first ark address
    QString arkName;        // empty when the identifier holds none
    bool series = false;    // the ark of a series ("/date"), not of one document
    int views = 0;          // "Nombre total de vues : N"; 0 when not told
    QString thumbnail;      // a small picture's address
    QString link;
    QStringList types;
};

struct Answer {
    int total = 0;                       // numberOfRecords
    QList<Record> records;
    std::optional<int> nextPosition;     // absent on the last page
    QString diagnostic;                  // the message of a diagnostic, when the query was refused
};

// Reads an answer; nothing when it is no search answer (`why` then says what is wrong).
std::optional<Answer> readAnswer(const QByteArray &xml, QString *why = nullptr);

} // namespace library
