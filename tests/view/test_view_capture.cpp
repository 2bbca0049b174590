// Capturing an open view, saving it as BMP or JPEG and copying it.
#include "imaging/Jpeg.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "view/MapViewer.h"
#include "render/Mosaic.h"
#include "render/PictureFile.h"
#include "platform/QtDesktop.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

struct CaptureWindow : TestWindow {
    QTemporaryDir saveDir;

    CaptureWindow() : TestWindow({{QStringLiteral("affichage"), QStringLiteral("0")}})
    {
        start();
        window->show();
        // Tiles of different colours, so that a misplaced pixel shows.
        const QString folder = context().selectedMapFolder();
        for (int i = 0; i < store::kTileCount; ++i)
            writeFile(folder + u'/' + store::walkFileName(i),
                      jpegBytes(makePicture(64, 48, QColor::fromHsv((i * 37) % 360, 200, 220))));
        context().refreshSelectionStatus();
    }
    view::MapViewer &viewer() { return *window->mapViewer(); }
    QString saved(const QString &name) const { return saveDir.path() + u'/' + name; }
    QStringList savedFiles() const { return QDir(saveDir.path()).entryList(QDir::Files); }
    bool scratchLeft() const
    {
        return QFileInfo::exists(context().scratchFolder() + QStringLiteral("/TempImp.bmp"));
    }
    AppContext &context() const { return window->context(); }

    void save(const QString &name, int type)
    {
        desktop.saveAnswers.push_back(name.isEmpty() ? QString() : saved(name));
        desktop.saveFilterAnswers.push_back(type);
        window->findChild<QAction *>(QStringLiteral("Enregistrer2"))->trigger();
    }
};

int maxDifference(const QImage &a, const QImage &b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)),
                              qAbs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

double meanDifference(const QImage &a, const QImage &b)
{
    double total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            total += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    return total / (3.0 * a.width() * a.height());
}

} // namespace

TEST(ViewCapture, DetailCaptureIsTheVisibleAreaAtTileResolution)
{
    CaptureWindow w;
    w.viewer().showDetail();
    QApplication::processEvents();
    QScrollArea *box = w.find<QScrollArea>(QStringLiteral("ScrollBox1"));
    box->horizontalScrollBar()->setValue(333);
    box->verticalScrollBar()->setValue(211);

    const QImage capture = w.viewer().captureView();
    ASSERT_EQ(capture.size(), box->viewport()->size());

    // The same area drawn straight from the tile files.
    render::Mosaic mosaic(w.context().selectedMapFolder());
    mosaic.measure();
    render::Mosaic::Placement detail;
    detail.origin = QPoint(1, 1);
    detail.pitch = mosaic.cellSize();
    QImage expected(capture.size(), QImage::Format_RGB32);
    expected.fill(Qt::black);
    mosaic.render(expected, QPoint(333, 211), detail);
    EXPECT_EQ(maxDifference(capture, expected), 0);
}

TEST(ViewCapture, SavesBmpAndJpegThatReadBackAsTheCapture)
{
    CaptureWindow w;
    w.viewer().showPreview();
    const QImage capture = w.viewer().captureView();
    ASSERT_FALSE(capture.isNull());

    struct Case { QString typed; int type; QString written; };
    const Case cases[] = {
        {QStringLiteral("carte"), 1, QStringLiteral("carte.bmp")},
        {QStringLiteral("avec.bmp"), 1, QStringLiteral("avec.bmp")},   // the file the dialog named
        {QStringLiteral("photo"), 2, QStringLiteral("photo.jpg")},
        {QStringLiteral("photo2.JPG"), 2, QStringLiteral("photo2.JPG")},
    };
    for (const Case &c : cases) {
        w.save(c.typed, c.type);
        const QString path = w.saved(c.written);
        ASSERT_TRUE(QFileInfo::exists(path)) << c.written.toStdString();
        EXPECT_FALSE(w.scratchLeft());
        QImage back;
        if (c.type == 1) {
            ASSERT_TRUE(back.load(path, "BMP"));
            EXPECT_EQ(maxDifference(back.convertToFormat(QImage::Format_RGB32), capture), 0);
        } else {
            const QByteArray bytes = readFile(path);
            ASSERT_TRUE(jpeg::decode(bytes, back).ok());
            ASSERT_EQ(back.size(), capture.size());
            EXPECT_LT(meanDifference(back, capture), 8.0);
            // Exactly the capture at quality 90, baseline (a frame header SOF0, not SOF2).
            QByteArray direct;
            ASSERT_TRUE(jpeg::encode(capture, direct, 90).ok());
            EXPECT_EQ(bytes, direct);
            EXPECT_TRUE(bytes.contains(QByteArray("\xFF\xC0", 2)));
            EXPECT_FALSE(bytes.contains(QByteArray("\xFF\xC2", 2)));
        }
    }
    EXPECT_EQ(w.savedFiles().size(), 4);
    EXPECT_EQ(w.desktop.lastSaveFolder, w.context().scratchFolder());   // "Mes cartes"
    EXPECT_EQ(w.desktop.last(QStringLiteral("save"))->caption,
              QStringLiteral("Bitmaps (*.bmp);;Fichier image JPEG (*.jpg)"));
    EXPECT_EQ(w.desktop.last(QStringLiteral("error")), nullptr);
}

TEST(ViewCapture, CancelWritesNothingAndCopyFillsTheClipboard)
{
    CaptureWindow w;
    w.viewer().showDetail();
    w.save(QString(), 2);
    EXPECT_TRUE(w.savedFiles().isEmpty());
    EXPECT_FALSE(w.scratchLeft());

    w.window->findChild<QAction *>(QStringLiteral("Copier1"))->trigger();
    EXPECT_EQ(w.desktop.clipboard.size(), w.find<QScrollArea>(QStringLiteral("ScrollBox1"))->viewport()->size());
    EXPECT_EQ(maxDifference(w.desktop.clipboard.convertToFormat(QImage::Format_RGB32), w.viewer().captureView()), 0);
}

TEST(ViewCapture, UnwritableTargetIsReported)
{
    CaptureWindow w;
    w.viewer().showPreview();
    for (int type : {1, 2}) {
        w.save(QStringLiteral("no/such/folder/carte"), type);
        const auto *error = w.desktop.last(QStringLiteral("error"));
        ASSERT_NE(error, nullptr);
        EXPECT_TRUE(error->text.startsWith(QStringLiteral("Impossible de créer le fichier "))) << error->text.toStdString();
        EXPECT_FALSE(w.scratchLeft());
    }
    EXPECT_TRUE(w.savedFiles().isEmpty());
}

namespace {

// The program's own save dialog: it opens in the folder given, and a name typed without
// extension that names an existing picture is asked about and then written, not
// "name.bmp.bmp" beside it.
TEST(ViewCapture, SaveDialogOpensInTheFolderAndReplacesTheFileItAskedAbout)
{
    QTemporaryDir dir;
    writeFile(dir.path() + QStringLiteral("/carte.bmp"), "a picture saved before");
    QtDesktop desktop;
    QString shownFolder;
    QString question;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        shownFolder = dialog->directory().absolutePath();
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("carte"));
        // The question about replacing comes from within accept().
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            question = box->text();
            box->button(QMessageBox::Yes)->click();
        });
        static_cast<QDialog *>(dialog)->accept();
    });
    int type = 1;
    const QString name = desktop.saveFileName(
        QStringLiteral("Enregistrer sous"),
        {QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("Fichier image JPEG (*.jpg)")}, type, dir.path());
    EXPECT_EQ(shownFolder, QDir(dir.path()).absolutePath());
    EXPECT_TRUE(question.contains(QStringLiteral("carte.bmp"))) << question.toStdString();
    EXPECT_EQ(type, 1);
    EXPECT_EQ(render::savedFileName(name, type), dir.path() + QStringLiteral("/carte.bmp"));
}

} // namespace
