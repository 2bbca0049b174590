// A mutation fuzzer for what the program reads from IIIF servers and from people: image
// descriptions (info.json), manifests and addresses. It starts from a corpus of seeds,
// mutates them (bit flips, cuts, splices, numbers at every bound) and runs each input
// through the readers and the tile plan, checking what must hold for any input: a plan
// covers its picture with tiles of a storable size, an accepted address has a host and a
// path. Any breach aborts with the input written out; the sanitizers of a checked build
// report the rest.
//
//   iiif_fuzz <corpus folder> [--iterations N] [--seconds S] [--seed K] [--failures folder]

#include "source/iiif/IiifPlan.h"
#include "source/iiif/IiifAddress.h"
#include "source/iiif/IiifInfo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QUrl>
#include <cctype>
#include <cstdlib>
#include <random>

namespace {

QString g_failures;

[[noreturn]] void breach(const char *what, const QByteArray &input)
{
    QTextStream(stderr) << "breach: " << what << "\n";
    if (!g_failures.isEmpty()) {
        QDir().mkpath(g_failures);
        QFile out(g_failures + QStringLiteral("/failure-%1").arg(QDateTime::currentMSecsSinceEpoch()));
        if (out.open(QIODevice::WriteOnly))
            out.write(input);
    }
    std::abort();
}

void checkPlan(const iiif::ImageInfo &info, const QByteArray &input)
{
    const auto plan = iiif::planTiles(info, QStringLiteral("http://127.0.0.1/img"));
    if (!plan)
        return;
    if (plan->columns < 1 || plan->rows < 1 || plan->columns > 26 || plan->rows > 26)
        breach("grid out of 26 x 26", input);
    qint64 area = 0;
    for (int r = 0; r < plan->rows; ++r)
        for (int c = 0; c < plan->columns; ++c) {
            const QRect region = plan->region(c, r);
            const QSize tile = plan->tileSize(c, r);
            if (region.isEmpty() || tile.width() < 1 || tile.height() < 1)
                breach("empty tile", input);
            if (tile.width() > iiif::maxTileSide() || tile.height() > iiif::maxTileSide())
                breach("tile past the decoder's bound", input);
            if (info.maxArea > 0 && qint64(tile.width()) * tile.height() > info.maxArea)
                breach("tile past the server's area", input);
            area += qint64(region.width()) * region.height();
        }
    if (area != qint64(info.width) * info.height)
        breach("tiles do not cover the picture", input);
    (void)plan->tileUrl(plan->columns - 1, plan->rows - 1);
}

void checkAddress(const QString &text, const QByteArray &input)
{
    const auto address = iiif::parseAddress(text);
    if (!address)
        return;
    const QUrl url(address->url);
    if (url.host().isEmpty())
        breach("address without a host", input);
    if (url.path().count(u'/') == url.path().size())
        breach("address without a path", input);
}

void runOne(const QByteArray &input)
{
    if (const auto info = iiif::readImageInfo(input)) {
        if (info->width < 1 || info->height < 1 || info->tileWidth < 0 || info->maxArea < 0)
            breach("description values out of range", input);
        for (int f : info->scaleFactors)
            if (f < 1)
                breach("scale factor below 1", input);
        checkPlan(*info, input);
    }
    (void)iiif::isManifest(input);
    if (const auto manifest = iiif::readManifest(input))
        for (const iiif::ManifestImage &image : manifest->images)
            if (image.width < 0 || image.height < 0)
                breach("negative canvas size", input);
    for (const QByteArray &line : input.split('\n'))
        checkAddress(QString::fromUtf8(line), input);
}

// Numbers and pieces that sit on the bounds of the readers.
const char *const kTokens[] = {
    "0", "-1", "1", "1e300", "-1e300", "NaN", "16777216", "16777217", "2147483647", "2147483648", "9.3e18",
    "4294967296", "0.5", "8192", "8193", "[]", "{}", "null", "\"\"", "\"level0\"", "\"level2\"", "http://",
    "ark:/12148/", "/info.json", "/manifest.json", "//", "?", "#", "%00", ":99999", "[::1]", "\"width\": ",
    "\"scaleFactors\": [", "\"maxArea\": ", "\"tiles\": [{", "\"service\": {\"@id\": \"", "\"items\": [",
};

QByteArray mutate(QByteArray data, const QList<QByteArray> &corpus, std::mt19937_64 &rng)
{
    auto pick = [&](qsizetype n) { return n <= 0 ? qsizetype(0) : qsizetype(rng() % quint64(n)); };
    const int steps = 1 + int(rng() % 4);
    for (int s = 0; s < steps; ++s) {
        switch (rng() % 7) {
        case 0:   // flip a bit
            if (!data.isEmpty())
                data[pick(data.size())] ^= char(1 << (rng() % 8));
            break;
        case 1: {   // replace a number by a bound
            const qsizetype at = pick(data.size());
            qsizetype end = at;
            while (end < data.size() && (std::isdigit(uchar(data[end])) || data[end] == '.' || data[end] == 'e'))
                ++end;
            data.replace(at, end - at, kTokens[pick(std::size(kTokens))]);
            break;
        }
        case 2:   // insert a token
            data.insert(pick(data.size() + 1), kTokens[pick(std::size(kTokens))]);
            break;
        case 3:   // cut
            if (!data.isEmpty())
                data.remove(pick(data.size()), 1 + pick(qMin<qsizetype>(64, data.size())));
            break;
        case 4: {   // splice with another seed
            const QByteArray &other = corpus[pick(corpus.size())];
            const qsizetype at = pick(data.size() + 1);
            data = data.left(at) + other.mid(pick(other.size()));
            break;
        }
        case 5:   // repeat a piece
            if (!data.isEmpty()) {
                const qsizetype at = pick(data.size());
                data.insert(at, data.mid(at, 1 + pick(32)).repeated(1 + int(pick(8))));
            }
            break;
        default:   // random byte
            data.insert(pick(data.size() + 1), char(rng() & 0xFF));
            break;
        }
    }
    return data.left(64 * 1024);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    if (args.isEmpty()) {
        QTextStream(stderr) << "usage: iiif_fuzz <corpus folder> [--iterations N] [--seconds S] [--seed K] "
                               "[--failures folder]\n";
        return 2;
    }
    const QString corpusFolder = args.takeFirst();
    qint64 iterations = 2000, seconds = 0;
    quint64 seed = 1;
    while (args.size() >= 2) {
        const QString option = args.takeFirst(), value = args.takeFirst();
        if (option == QStringLiteral("--iterations"))
            iterations = value.toLongLong();
        else if (option == QStringLiteral("--seconds"))
            seconds = value.toLongLong();
        else if (option == QStringLiteral("--seed"))
            seed = value.toULongLong();
        else if (option == QStringLiteral("--failures"))
            g_failures = value;
    }
    QList<QByteArray> corpus;
    for (const QFileInfo &f : QDir(corpusFolder).entryInfoList(QDir::Files, QDir::Name)) {
        QFile file(f.filePath());
        if (file.open(QIODevice::ReadOnly))
            corpus << file.readAll();
    }
    if (corpus.isEmpty()) {
        QTextStream(stderr) << "no seed in " << corpusFolder << "\n";
        return 2;
    }
    for (const QByteArray &s : corpus)
        runOne(s);
    std::mt19937_64 rng(seed);
    QElapsedTimer clock;
    clock.start();
    qint64 done = 0;
    while (seconds > 0 ? clock.elapsed() < seconds * 1000 : done < iterations) {
        runOne(mutate(corpus[qsizetype(rng() % quint64(corpus.size()))], corpus, rng));
        ++done;
    }
    QTextStream(stdout) << done << " inputs, no breach\n";
    return 0;
}
