#pragma once
// The small XML descriptions of tiled pictures (Deep Zoom, Zoomify): the root element's
// attributes and those of one child element, names compared without regard to case.
// Numbers are read whole, as 64-bit values, and checked against bounds; every refusal says
// in French what was wrong.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

namespace source {

class DescriptionElement {
public:
    // The attribute of the root element; empty when absent.
    QString attribute(const QString &name) const { return find(m_attributes, name); }
    bool has(const QString &name) const;
    // The root's (or the child's) attribute as a whole number within [min, max].
    bool number(const QString &name, qint64 min, qint64 max, qint64 *out, QString *why) const;
    bool childNumber(const QString &name, qint64 min, qint64 max, qint64 *out, QString *why) const;

private:
    friend std::optional<DescriptionElement> readRootElement(const QByteArray &, const QString &, const QString &,
                                                             QString *);
    using Attributes = QList<QPair<QString, QString>>;
    static QString find(const Attributes &attributes, const QString &name);
    static bool readNumber(const Attributes &attributes, const QString &name, qint64 min, qint64 max, qint64 *out,
                           QString *why);
    Attributes m_attributes;
    Attributes m_child;
};

// Reads the document: its root must be `root`; the first `child` element inside it (when
// `child` is not empty) must exist. Nothing and `why` otherwise.
std::optional<DescriptionElement> readRootElement(const QByteArray &xml, const QString &root, const QString &child,
                                                  QString *why);

} // namespace source
