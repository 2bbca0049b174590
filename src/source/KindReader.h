#pragma once
// Reads what a map's address holds on one kind of server, for adding the map: the sheets it
// makes (their addresses, sizes and grids) and a title. Each kind of server has one (the
// pyramids share DescriptionReader, IIIF has IiifReader); MapReader drives them through this
// interface alone. A reader asks the server what it needs ("read this address first"), may
// let the person choose among a collection's entries through the chooser, and ends with one
// done(), failed() or stopped(), never after cancel().

#include "source/SheetSource.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>

namespace source {

class KindReader : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Reads the address `url` that the typed `text` was recognised as.
    virtual void read(const QString &text, const QString &url) = 0;
    // Ends the reading at once; no signal follows.
    virtual void cancel() = 0;
    // The person gave up waiting: the reading ends and stopped() says so.
    virtual void stop() = 0;
    virtual bool busy() const = 0;

    // Asks the person to pick one of a collection's entries (its title and the entries'
    // labels); -1 when none was picked. Without a chooser a collection is refused.
    using Chooser = std::function<int(const QString &title, const QStringList &entries)>;
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

signals:
    // What is being read, for a person waiting (also the count-down of a busy server).
    void progress(const QString &text);
    void done(const QString &title, const QList<source::SheetSource> &sheets);
    void failed(const QString &text);
    void stopped();

protected:
    Chooser m_chooser;
};

} // namespace source
