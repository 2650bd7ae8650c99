#include "FormFixture.h"
#include "PipelineReference.h"
#include "app/BarMeter.h"
#include "app/Form1.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QtTest>

using namespace zkd;

namespace {

QStringList listItems(const QListWidget *list)
{
    QStringList items;
    for (int row = 0; row < list->count(); ++row)
        items << list->item(row)->text();
    return items;
}

} // namespace

class TestRefresh : public QObject
{
    Q_OBJECT

    // The table, the value boxes, the meters, the marks and the hidden line
    // controls show what the reference shows.
    static void compareDisplay(const Form1 &f, const test::PipelineReference &ref)
    {
        QCOMPARE(f.Term->toPlainText(), QString(ref.table).remove(QLatin1Char('\r')));
        const QLineEdit *const boxes[] = {f.Secunden, f.Text8, f.Text9, f.Text10, f.Text11, f.Text12, f.Text13};
        for (std::size_t i = 0; i < ref.values.size(); ++i)
            QCOMPARE(boxes[i]->text(), ref.values[i]);
        QCOMPARE(f.Bar1->level(), ref.level1);
        QCOMPARE(f.Bar2->level(), ref.level2);
        QCOMPARE(f.Label7->isHidden(), !ref.overflow1);
        QCOMPARE(f.Label8->isHidden(), !ref.overflow2);
        QCOMPARE(f.txtPopStr->text(), ref.lastLine);
        QCOMPARE(listItems(f.lstPopStrings), ref.words);
        QCOMPARE(f.UnsavedLength(), ref.unsavedLength);
    }

private slots:
    void randomBatchesEndAsBefore_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("English") << QByteArray("English") << 1u;
        QTest::newRow("German") << QByteArray("Deutsch") << 2u;
        QTest::newRow("English, other seed") << QByteArray("English") << 3u;
    }
    void randomBatchesEndAsBefore()
    {
        QFETCH(QByteArray, language);
        QFETCH(quint32, seed);
        test::FormFixture fx;
        QVERIFY(fx.writeSettings(test::FormFixture::settings("2", language)));
        Form1 &f = fx.startForm();
        QVERIFY(f.WorkFileNumber() != 0);
        test::PipelineReference ref;
        ref.decimalComma = language == "Deutsch";

        QRandomGenerator rng(seed);
        const QByteArrayList pieces = {"0",  "1", "7",     "42", ".", " ",     "  ",    "\r",         "\r\n", "\n",
                                       "\t", ";", "*Ovl*", "\b", "-", "99999", "100.6", "INP1 = bar", "\xb0"};
        QByteArray stream;
        while (stream.size() < 40000)
            stream += pieces[rng.bounded(int(pieces.size()))];

        int checks = 0;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype n = std::min<qsizetype>(1 + rng.bounded(rng.bounded(2) ? 30 : 3000), stream.size() - at);
            if (rng.bounded(25) == 0) { // new full scales between batches, as the header read sets them
                const auto scale = std::int16_t(rng.bounded(120));
                f.pipeline().setScaleMax(scale, scale);
                ref.scaleMax1 = ref.scaleMax2 = scale;
            }
            f.ProcessReceived(stream.mid(at, n));
            ref.feed(stream.mid(at, n));
            at += n;
            if (rng.bounded(6) == 0) {
                f.refreshDisplay();
                compareDisplay(f, ref);
                if (QTest::currentTestFailed())
                    return;
                ++checks;
            }
        }
        QVERIFY(checks > 5);
        // The last batch is shown by the timer itself.
        const QString table = QString(ref.table).remove(QLatin1Char('\r'));
        QTRY_COMPARE_WITH_TIMEOUT(f.Term->toPlainText(), table, 5000);
        compareDisplay(f, ref);
        f.CloseWorkFile();
        QCOMPARE(fx.workFile(), ref.file);
    }

    // A meter copies the bar from a picture of it at full height: the picture
    // follows the colour, the overflow colour and the size.
    void meterShowsLevelColourAndSize()
    {
        BarMeter meter;
        meter.resize(30, 200);
        meter.setFullScale(100);
        meter.setBarColour(QColor(0, 0, 220));
        const auto colourAt = [&](double share) {
            const QImage image = meter.grab().toImage();
            return image.pixelColor(image.width() / 2, int(image.height() * (1.0 - share)));
        };
        meter.setLevel(50);
        QVERIFY(colourAt(0.3).blue() > 150);
        QCOMPARE(colourAt(0.7), QColor(30, 30, 30));
        meter.setLevel(150);
        QVERIFY(colourAt(0.7).red() > 150 && colourAt(0.7).blue() < 100);
        meter.setLevel(50);
        meter.setBarColour(QColor(0, 200, 0));
        QVERIFY(colourAt(0.3).green() > 150 && colourAt(0.3).blue() < 100);
        meter.resize(30, 100);
        QCOMPARE(meter.grab().size(), QSize(30, 100));
        QVERIFY(colourAt(0.3).green() > 150);
        QCOMPARE(colourAt(0.7), QColor(30, 30, 30));
    }
};

QTEST_MAIN(TestRefresh)
#include "tst_ui_refresh.moc"
