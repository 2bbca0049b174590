#include "view/ViewCapture.h"
#include "session/AppContext.h"
#include "platform/Desktop.h"
#include "store/TileStore.h"
#include "render/PictureFile.h"

#include <QScrollArea>
#include <QStringList>

namespace view {

QImage captureView(int viewKind, QScrollArea *scrollBox, QWidget *panel)
{
    QWidget *source = viewKind == 1 ? (scrollBox ? scrollBox->viewport() : nullptr)
                                    : viewKind == 0 ? panel : nullptr;
    if (!source)
        return {};
    // The map's own pixels, as the screen shows them: the views draw a tile's pixel on a
    // device pixel, so the picture has as many pixels as the screen shows of the view, and
    // it leaves with a ratio of one (a picture for files and other programs).
    const qreal ratio = source->devicePixelRatioF();
    QImage picture((QSizeF(source->size()) * ratio).toSize(), QImage::Format_RGB32);
    if (picture.isNull())
        return {};
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::black);
    source->render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    picture.setDevicePixelRatio(1);
    return picture;
}

void saveCapture(const QImage &capture, AppContext &context, int &lastType)
{
    const QString folder = context.scratchFolder();
    store::createFolderPath(folder);   // silently: the dialog still opens without it
    int type = lastType;
    const QString name = context.desktop().saveFileName(
        QStringLiteral("Enregistrer sous"),
        {QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("Fichier image JPEG (*.jpg)")}, type, folder);
    if (name.isEmpty())
        return;
    lastType = type == 2 ? 2 : 1;
    if (capture.isNull())
        return;
    const QString target = render::savedFileName(name, lastType);
    const QString error = lastType == 2 ? render::writeJpegThroughScratch(capture, target, folder)
                                        : render::writeBmp(capture, target);
    if (!error.isEmpty())
        context.desktop().error(error);
}

void copyCapture(const QImage &capture, AppContext &context)
{
    if (!capture.isNull())
        context.desktop().copyToClipboard(capture);
}

} // namespace view
