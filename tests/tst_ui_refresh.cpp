#include "FormFixture.h"
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

// The record path as it ran before the window refreshed from a timer: every
// character a chunk of its own, taken the text way, its result shown at once.
struct Reference
{
    RecordPipeline pipeline;
    QByteArray file;

    explicit Reference(const QByteArray &language)
    {
        pipeline.setLanguage(Language(QString::fromLatin1(language)));
        pipeline.setFileOpen(true);
        pipeline.setNotesHeaderSource([] { return QString(); });
    }
    void feed(const QByteArray &bytes)
    {
        for (const char c : bytes) {
            pipeline.setHeaderPending(true);
            file += pipeline.process(QByteArray(1, c)).fileBytes;
        }
    }
};

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
    static void compareDisplay(const Form1 &f, const Reference &ref)
    {
        QCOMPARE(f.Term->toPlainText(), QString(ref.pipeline.table()).remove(QLatin1Char('\r')));
        const RecordDisplay &d = ref.pipeline.display();
        const QLineEdit *const boxes[] = {f.Secunden, f.Text8, f.Text9, f.Text10, f.Text11, f.Text12, f.Text13};
        for (std::size_t i = 0; i < d.values.size(); ++i)
            QCOMPARE(boxes[i]->text(), d.values[i]);
        QCOMPARE(f.Bar1->level(), d.level1);
        QCOMPARE(f.Bar2->level(), d.level2);
        QCOMPARE(f.Label7->isHidden(), !d.overflow1);
        QCOMPARE(f.Label8->isHidden(), !d.overflow2);
        QCOMPARE(f.txtPopStr->text(), ref.pipeline.lastLine());
        QCOMPARE(listItems(f.lstPopStrings), ref.pipeline.words());
        QCOMPARE(f.UnsavedLength(), ref.pipeline.unsavedLength());
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
        Reference ref(language);

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
                ref.pipeline.setScaleMax(scale, scale);
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
        const QString table = QString(ref.pipeline.table()).remove(QLatin1Char('\r'));
        QTRY_COMPARE_WITH_TIMEOUT(f.Term->toPlainText(), table, 5000);
        compareDisplay(f, ref);
        f.CloseWorkFile();
        QCOMPARE(fx.workFile(), ref.file);
    }

    void startStopClearsWhatWasStillToBeShown()
    {
        test::FormFixture fx;
        QVERIFY(fx.writeSettings(test::FormFixture::settings(
            QFile::encodeName(fx.currentDir.filePath(QStringLiteral("no-such-tty"))), "English")));
        Form1 &f = fx.startForm();
        f.ProcessReceived("1.0 2.0 3.0 4.0 5.0 6.0 7.0\r\n");
        // Start / Stop finds no port: the displays are cleared and stay so.
        fx.prompts.answers << PromptButton::Ok << PromptButton::No << PromptButton::No;
        f.SSCommand2_Click();
        f.refreshDisplay();
        QVERIFY(f.Text8->text().isEmpty());
        QCOMPARE(f.Bar1->level(), std::int16_t(0));
        QCOMPARE(f.txtPopStr->text(), QStringLiteral("1.0 2.0 3.0 4.0 5.0 6.0 7.0\r\n"));
        QVERIFY(!f.Term->toPlainText().contains(QStringLiteral("7.0")));
    }
};

QTEST_MAIN(TestRefresh)
#include "tst_ui_refresh.moc"
