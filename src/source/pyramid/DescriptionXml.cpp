#include "source/pyramid/DescriptionXml.h"

#include <QXmlStreamReader>

namespace source {
namespace {

void say(QString *why, const QString &text)
{
    if (why)
        *why = text;
}

} // namespace

QString DescriptionElement::find(const Attributes &attributes, const QString &name)
{
    for (const auto &[key, value] : attributes)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

bool DescriptionElement::has(const QString &name) const
{
    for (const auto &attribute : m_attributes)
        if (attribute.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool DescriptionElement::readNumber(const Attributes &attributes, const QString &name, qint64 min, qint64 max,
                                    qint64 *out, QString *why)
{
    const QString text = find(attributes, name).trimmed();
    if (text.isEmpty()) {
        say(why, name + QStringLiteral(" absent"));
        return false;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < min || value > max) {
        say(why, QStringLiteral("valeur incorrecte de ") + name + QStringLiteral(" : ") + text.left(24));
        return false;
    }
    *out = value;
    return true;
}

bool DescriptionElement::number(const QString &name, qint64 min, qint64 max, qint64 *out, QString *why) const
{
    return readNumber(m_attributes, name, min, max, out, why);
}

bool DescriptionElement::childNumber(const QString &name, qint64 min, qint64 max, qint64 *out, QString *why) const
{
    return readNumber(m_child, name, min, max, out, why);
}

std::optional<DescriptionElement> readRootElement(const QByteArray &xml, const QString &root, const QString &child,
                                                  QString *why)
{
    QXmlStreamReader reader(xml);
    DescriptionElement element;
    bool inRoot = false, childFound = child.isEmpty();
    auto copy = [](const QXmlStreamAttributes &from) {
        DescriptionElement::Attributes to;
        for (const QXmlStreamAttribute &a : from)
            to.append({a.name().toString(), a.value().toString()});
        return to;
    };
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (!inRoot) {
            if (reader.name().compare(root, Qt::CaseInsensitive) != 0) {
                say(why, QStringLiteral("élément ") + root + QStringLiteral(" absent"));
                return std::nullopt;
            }
            inRoot = true;
            element.m_attributes = copy(reader.attributes());
        } else if (!childFound && reader.name().compare(child, Qt::CaseInsensitive) == 0) {
            childFound = true;
            element.m_child = copy(reader.attributes());
        }
    }
    if (reader.hasError()) {
        say(why, QStringLiteral("XML incorrect (ligne %1)").arg(reader.lineNumber()));
        return std::nullopt;
    }
    if (!inRoot || !childFound) {
        say(why, QStringLiteral("élément ") + (inRoot ? child : root) + QStringLiteral(" absent"));
        return std::nullopt;
    }
    return element;
}

} // namespace source
