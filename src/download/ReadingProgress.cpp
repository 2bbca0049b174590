#include "download/ReadingProgress.h"
#include "source/MapReader.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

ReadingProgress::ReadingProgress(source::MapReader &reader, const QString &caption, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LectureIiif"));
    setWindowTitle(caption);
    setModal(false);
    auto *layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("LectureIiifTexte"));
    m_text->setMinimumWidth(320);
    layout->addWidget(m_text);
    auto *bar = new QProgressBar(this);
    bar->setRange(0, 0);   // busy: the number of steps is not known in advance
    layout->addWidget(bar);
    auto *cancel = new QPushButton(QStringLiteral("Annuler"), this);
    cancel->setProperty("noMnemonic", true);   // a button of its own small window, not of the page
    cancel->setObjectName(QStringLiteral("AnnulerLecture"));
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    connect(cancel, &QPushButton::clicked, &reader, &source::MapReader::stop);
    connect(this, &QDialog::rejected, &reader, &source::MapReader::stop);   // Escape, the close box
    // Shown only when the reading takes a moment: a quick one does not flash a window.
    auto *showLater = new QTimer(this);
    showLater->setSingleShot(true);
    showLater->setInterval(400);
    connect(showLater, &QTimer::timeout, this, [this, &reader] {
        if (reader.busy())
            show();
    });
    connect(&reader, &source::MapReader::progress, this, [this, showLater](const QString &text) {
        m_text->setText(text);
        if (!isVisible() && !showLater->isActive())
            showLater->start();
    });
    connect(&reader, &source::MapReader::stopped, this, &QDialog::hide);
    connect(&reader, &source::MapReader::done, this, &QDialog::hide);
    connect(&reader, &source::MapReader::failed, this, &QDialog::hide);
}
