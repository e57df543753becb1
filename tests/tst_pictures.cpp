// The pictures of the graphic view as the build leaves them: the machine pictures in
// LMImages beside the program (which loads them from its own folder and silently keeps
// the old picture when one is missing), as 32-bit bitmaps of the size the label
// positions are laid out for, and the start picture compiled into the program.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QtEndian>
#include <QtTest>

namespace {

const QStringList kMachinePictures = {"Default.bmp", "LM4QTR.bmp", "LM362_04.bmp", "LM362_07.bmp",
                                      "LM362_10.bmp"};

// The test is built into the program's folder, so this is where the program looks.
QString picturePath(const QString &name)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("LMImages/") + name);
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void machinePicture_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString &name : kMachinePictures)
            QTest::newRow(qPrintable(name)) << name;
    }

    void machinePicture()
    {
        QFETCH(QString, name);
        QFile f(picturePath(name));
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
        const QByteArray header = f.read(54);
        QCOMPARE(header.size(), 54);
        QCOMPARE(header.left(2), QByteArray("BM"));
        const auto *h = reinterpret_cast<const uchar *>(header.constData());
        QCOMPARE(qFromLittleEndian<qint32>(h + 18), 981);
        QCOMPARE(std::abs(qFromLittleEndian<qint32>(h + 22)), 567);
        QCOMPARE(qFromLittleEndian<quint16>(h + 28), quint16(32));
        f.close();

        const QImage img(f.fileName());
        QVERIFY(!img.isNull());
        QCOMPARE(img.size(), QSize(981, 567));
        // a fourth byte read as transparency would blank the picture on screen
        QCOMPARE(qAlpha(img.pixel(0, 0)), 255);
        QCOMPARE(qAlpha(img.pixel(490, 283)), 255);
    }

    void eachTypeHasItsOwnPicture()
    {
        QList<QImage> seen;
        for (const QString &name : kMachinePictures) {
            const QImage img(picturePath(name));
            QVERIFY2(!img.isNull(), qPrintable(name));
            for (const QImage &other : seen)
                QVERIFY2(img != other, qPrintable(name + " repeats an earlier picture"));
            seen << img;
        }
    }

    void startPictureIsCompiledIn()
    {
        const QImage img(QStringLiteral(":/pictures/start.png"));
        QVERIFY(!img.isNull());
        QCOMPARE(img.size(), QSize(981, 567));
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
