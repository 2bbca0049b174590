#include "library/LibraryPreferences.h"
#include "library/LibraryAddresses.h"
#include "platform/Desktop.h"
#include "platform/Logging.h"
#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "widgets/Controls.h"

#include <QDoubleSpinBox>
#include <QLineEdit>

using controls::named;

LibraryPreferences::LibraryPreferences(AppContext &context, QWidget *page, const QRect &bounds,
                                       QWidget *buttonParent, const QRect &buttonBounds)
    : QObject(page), m_context(context)
{
    auto *open = controls::button(buttonParent, QStringLiteral("ReglagesBibliotheque"), QStringLiteral("Bibliothèque..."),
                                  buttonBounds, QStringLiteral("Adresses de la bibliothèque et rythme des requêtes"));
    m_box = controls::group(page, QStringLiteral("GroupBibliotheque"), QStringLiteral("Bibliothèque"), bounds);
    m_box->setAutoFillBackground(true);
    m_box->hide();
    const int w = bounds.width();
    const auto field = [&](const QString &name, const QString &caption, int y) {
        auto *label = controls::label(m_box, QStringLiteral("Label") + name, caption, QRect(20, y, w - 40, 18));
        auto *edit = named(new QLineEdit(m_box), name, QRect(20, y + 20, w - 40, 24));
        edit->setAccessibleName(caption);
        label->setBuddy(edit);
        return edit;
    };
    m_catalogueEdit = field(QStringLiteral("AdresseCatalogue"), QStringLiteral("Catalogue de la bibliothèque (SRU)"), 30);
    m_libraryEdit = field(QStringLiteral("AdresseBibliotheque"), QStringLiteral("Adresse de la bibliothèque"), 86);
    m_catalogueEdit->setPlaceholderText(library::kDefaultCatalogue);
    m_libraryEdit->setPlaceholderText(library::kDefaultLibrary);
    auto *intervalLabel = controls::label(m_box, QStringLiteral("LabelIntervalleRequetes"),
                                          QStringLiteral("Intervalle entre requêtes"), QRect(20, 146, 200, 22));
    m_intervalEdit = named(new QDoubleSpinBox(m_box), QStringLiteral("IntervalleRequetes"), QRect(225, 146, 90, 22),
                           QStringLiteral("Pause entre deux requêtes à la bibliothèque, de 0 à 10 secondes"));
    m_intervalEdit->setAccessibleName(intervalLabel->text());
    const SettingEntry &interval = settings::entry(Setting::RequestInterval);
    m_intervalEdit->setRange(interval.minimum, interval.maximum);
    m_intervalEdit->setDecimals(1);
    m_intervalEdit->setSingleStep(0.1);
    m_intervalEdit->setSuffix(QStringLiteral(" s"));
    intervalLabel->setBuddy(m_intervalEdit);
    auto *close = controls::button(m_box, QStringLiteral("FermerBibliotheque"), QStringLiteral("Fermer"),
                                   QRect(w / 2 - 55, bounds.height() - 40, 110, 28));
    load(true);

    connect(open, &QPushButton::clicked, m_box, [this] {
        load(false);
        m_box->show();
        m_box->raise();
    });
    connect(close, &QPushButton::clicked, m_box, &QWidget::hide);
    connect(m_catalogueEdit, &QLineEdit::editingFinished, this,
            [this] { storeAddress(m_catalogueEdit, Setting::Catalogue); });
    connect(m_libraryEdit, &QLineEdit::editingFinished, this,
            [this] { storeAddress(m_libraryEdit, Setting::Library); });
    connect(m_intervalEdit, &QDoubleSpinBox::valueChanged, this, &LibraryPreferences::storeInterval);
}

void LibraryPreferences::load(bool tellUnreadable)
{
    QStringList warnings;
    const library::Addresses a = library::Addresses::read(m_context.settings(), tellUnreadable ? &warnings : nullptr);
    for (const QString &warning : warnings)
        qCWarning(lcNet).noquote() << warning;
    library::applyPace(a);
    m_catalogueEdit->setText(a.catalogue);
    m_libraryEdit->setText(a.library);
    const QSignalBlocker block(m_intervalEdit);
    m_intervalEdit->setValue(a.intervalMs / 1000.0);
}

void LibraryPreferences::storeAddress(QLineEdit *edit, Setting setting)
{
    const QString &fallback = settings::defaultText(setting);
    QString text = edit->text().trimmed();
    if (!text.isEmpty() && !library::isServiceAddress(text)) {
        m_context.desktop().error(QStringLiteral("Adresse incorrecte : ") + text);
        text.clear();
    }
    if (text == fallback)
        text.clear();
    m_context.storeSettings([&](SettingsStore &store) { return store.write(setting, text); });
    edit->setText(text.isEmpty() ? fallback : text);
    library::applyPace(library::Addresses::read(m_context.settings()));
}

void LibraryPreferences::storeInterval()
{
    m_context.storeSettings(
        [this](SettingsStore &store) { return store.writeSeconds(Setting::RequestInterval, m_intervalEdit->value()); });
    library::applyPace(library::Addresses::read(m_context.settings()));
}
