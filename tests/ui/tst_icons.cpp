// The image list and program icon: every picture loads, renders at its sizes, and tells itself apart.
#include "ui/Icons.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

namespace {

constexpr int AppIconRow = -100;   // stands for AppIcon() in the tables

QIcon IconOf(int index) { return index == AppIconRow ? AppIcon() : ImageListIcon(index); }

QImage Render(const QIcon& icon, int size, qreal ratio = 1.0)
{
    return icon.pixmap(QSize(size, size), ratio).toImage().convertToFormat(QImage::Format_ARGB32);
}

int OpaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

}   // namespace

class TestIcons : public QObject {
    Q_OBJECT

private slots:
    void rendersAtSize_data();
    void rendersAtSize();
    void outOfRangeIsNull_data();
    void outOfRangeIsNull();
    void picturesDiffer();
    void hostsStatesDiffer_data();
    void hostsStatesDiffer();
};

void TestIcons::rendersAtSize_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("size");
    QTest::addColumn<qreal>("ratio");

    for (int size : {16, 32}) {
        for (int i = 0; i < ImageCount; ++i)
            QTest::addRow("image %d at %d", i, size) << i << size << 1.0;
        QTest::addRow("program icon at %d", size) << AppIconRow << size << 1.0;
    }
    // A high-density screen draws a 16-pixel picture from twice the pixels.
    QTest::newRow("image 6 at 16, ratio 2") << 6 << 16 << 2.0;
    QTest::newRow("program icon at 32, ratio 2") << AppIconRow << 32 << 2.0;
}

void TestIcons::rendersAtSize()
{
    QFETCH(int, index);
    QFETCH(int, size);
    QFETCH(qreal, ratio);

    const QIcon icon = IconOf(index);
    QVERIFY(!icon.isNull());
    const QImage image = Render(icon, size, ratio);
    const int pixels = qRound(size * ratio);
    QCOMPARE(image.size(), QSize(pixels, pixels));
    // Every picture covers a fair part of its square, not a stray pixel or two.
    QVERIFY2(OpaquePixels(image) >= pixels * pixels / 8,
             qPrintable(QString("only %1 drawn pixels").arg(OpaquePixels(image))));
}

void TestIcons::outOfRangeIsNull_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("-1") << -1;
    QTest::newRow("ImageCount") << ImageCount;
    QTest::newRow("far beyond") << 1000;
}

void TestIcons::outOfRangeIsNull()
{
    QFETCH(int, index);
    QVERIFY(ImageListIcon(index).isNull());
}

void TestIcons::picturesDiffer()
{
    // A slip in the numbering would show one picture under two numbers.
    QList<QImage> images;
    for (int i = 0; i < ImageCount; ++i)
        images << Render(ImageListIcon(i), 16);
    images << Render(AppIcon(), 16);
    for (int a = 0; a < images.size(); ++a)
        for (int b = a + 1; b < images.size(); ++b)
            QVERIFY2(images[a] != images[b], qPrintable(QString("%1 and %2 look alike").arg(a).arg(b)));
}

void TestIcons::hostsStatesDiffer_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::newRow("present / disabled") << 6 << 7;
    QTest::newRow("present / absent") << 6 << 8;
    QTest::newRow("disabled / absent") << 7 << 8;
}

void TestIcons::hostsStatesDiffer()
{
    QFETCH(int, first);
    QFETCH(int, second);

    // The three states of the HOSTS file must differ clearly, not by a few
    // pixels: count the pixels that change noticeably between the two.
    const QImage a = Render(ImageListIcon(first), 16);
    const QImage b = Render(ImageListIcon(second), 16);
    int changed = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int delta = qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) +
                              qAbs(qBlue(p) - qBlue(q)) + qAbs(qAlpha(p) - qAlpha(q));
            changed += delta > 96;
        }
    QVERIFY2(changed >= 24, qPrintable(QString("only %1 pixels differ").arg(changed)));
}

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
