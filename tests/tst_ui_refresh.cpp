#include "FormFixture.h"
#include "PipelineReference.h"
#include "app/BarMeter.h"
#include "app/CachedWidgets.h"
#include "app/Form1.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QRandomGenerator>
#include <QtTest>

#include <cstdlib>

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

    // The panels and the table's scroll bar copy pictures they drew before:
    // after every change of title, size or position they look exactly as the
    // plain widgets do.
    void cachedWidgetsLookAsThePlainOnes()
    {
        QWidget window;
        window.resize(600, 400);
        CachedGroupBox cached(QStringLiteral("INP 1"), &window);
        QGroupBox plain(QStringLiteral("INP 1"), &window);
        CachedScrollBar cachedBar(Qt::Vertical, &window);
        QScrollBar plainBar(Qt::Vertical, &window);
        // Apart, and away from the pointer, which would light up what it is over.
        cached.move(50, 50);
        plain.move(330, 50);
        cachedBar.move(50, 250);
        plainBar.move(100, 250);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto picture = [](QWidget &w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); };
        const auto sameBoxes = [&] { return picture(cached) == picture(plain); };
        const auto sameBars = [&] { return picture(cachedBar) == picture(plainBar); };
        for (const QSize size : {QSize(200, 150), QSize(260, 90)}) {
            cached.resize(size);
            plain.resize(size);
            QVERIFY(sameBoxes());
            cached.setTitle(QStringLiteral("EIN 1"));
            plain.setTitle(QStringLiteral("EIN 1"));
            QVERIFY(sameBoxes());
        }
        // A value box's panel is copied from a picture blended onto what lies
        // behind it, which may round a channel of an edge pixel by one.
        QLineEdit cachedEdit(&window);
        QLineEdit plainEdit(&window);
        cachedEdit.setStyle(CachedPanelStyle::instance());
        cachedEdit.move(330, 250);
        plainEdit.move(330, 320);
        const auto nearlySameEdits = [&] {
            const QImage a = picture(cachedEdit);
            const QImage b = picture(plainEdit);
            if (a.size() != b.size())
                return false;
            for (int y = 0; y < a.height(); ++y) {
                for (int x = 0; x < a.width(); ++x) {
                    const QColor p = a.pixelColor(x, y);
                    const QColor q = b.pixelColor(x, y);
                    if (std::abs(p.red() - q.red()) > 1 || std::abs(p.green() - q.green()) > 1
                        || std::abs(p.blue() - q.blue()) > 1)
                        return false;
                }
            }
            return true;
        };
        for (const QSize size : {QSize(120, 30), QSize(90, 44)}) {
            for (const QColor base : {QColor(255, 255, 192), QColor(Qt::white)}) {
                for (QLineEdit *edit : {&cachedEdit, &plainEdit}) {
                    QPalette palette = edit->palette();
                    palette.setColor(QPalette::Base, base);
                    edit->setPalette(palette);
                    edit->resize(size);
                    edit->setText(QStringLiteral("330.25"));
                }
                QVERIFY(nearlySameEdits());
            }
        }
        for (const int height : {240, 120}) {
            cachedBar.resize(16, height);
            plainBar.resize(16, height);
            for (const auto &[maximum, value] : {std::pair{100, 0}, {100, 100}, {30, 12}}) {
                cachedBar.setRange(0, maximum);
                plainBar.setRange(0, maximum);
                cachedBar.setValue(value);
                plainBar.setValue(value);
                QVERIFY(sameBars());
            }
        }
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
