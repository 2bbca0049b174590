// The whole-picture check reads a bounded number of scans: a valid progressive picture that
// repeats tiny scans by the thousand is refused at once, as no whole picture, while real
// progressive pictures pass.

#include "imaging/Jpeg.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

TEST(JpegCheckBudget, RepeatedScansPastTheBudgetAreRefusedWhateverTheirSize)
{
    struct Case {
        const char *name;
        int width, height, extraScans;
        bool whole;
    };
    const Case cases[] = {
        {"four scans", 256, 256, 0, true},
        {"within the budget", 256, 256, jpeg::kMaxCheckedScans - 4, true},
        {"one past the budget", 256, 256, jpeg::kMaxCheckedScans - 3, false},
        {"thousands of tiny scans", 1024, 1024, 5000, false},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = scanBombJpeg(c.width, c.height, c.extraScans);
        ASSERT_FALSE(bytes.isEmpty());
        const QString path = dir.filePath(QStringLiteral("tile.jpg"));
        writeFile(path, bytes);
        jpeg::Header header;
        const jpeg::Status status = jpeg::checkFile(path, header);
        EXPECT_EQ(status.ok(), c.whole) << status.message().toStdString();
        if (c.whole) {
            EXPECT_EQ(header.size(), QSize(c.width, c.height));
            // Every row of a picture that passes decodes too.
            QImage image;
            EXPECT_TRUE(jpeg::decode(bytes, image, 8).ok());
        } else {
            EXPECT_EQ(status.code, jpeg::kScanBudgetCode);
            EXPECT_TRUE(status.isCorrupt());
        }
    }
}
