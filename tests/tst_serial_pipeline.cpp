#include "PipelineReference.h"

#include "serial/MSComm1.h"
#include "serial/RecordPipeline.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace zkd;

namespace {

struct Run
{
    RecordPipeline pipeline;
    QByteArray file;
    int beeps = 0;

    explicit Run(const char *language = "English", bool fileOpen = true)
    {
        pipeline.setLanguage(Language(QString::fromLatin1(language)));
        pipeline.setFileOpen(fileOpen);
        pipeline.setNotesHeaderSource([this] {
            return RecordPipeline::notesHeader(
                pipeline.headerPending() ? Language(QStringLiteral("English")) : Language(), QStringLiteral("10:00:00"),
                QStringLiteral("08.12.2026"), QStringLiteral("probe A"));
        });
    }
    // One character per chunk, as the serial component announces them.
    void feedPerCharacter(const QByteArray &bytes)
    {
        for (const char c : bytes)
            feed(QByteArray(1, c));
    }
    void feed(const QByteArray &bytes)
    {
        const BatchResult r = pipeline.process(bytes);
        file += r.fileBytes;
        beeps += r.beeps;
    }
};

} // namespace

class TestPipeline : public QObject
{
    Q_OBJECT
private slots:
    void germanRecordLine()
    {
        Run run("Deutsch");
        run.feedPerCharacter("12.5 10.0 11.0 9.0 20.0 21.0 19.0\r");
        const RecordDisplay &d = run.pipeline.display();
        QCOMPARE(d.values[0], QStringLiteral("12,5"));
        QCOMPARE(d.values[1], QStringLiteral("10,0"));
        QCOMPARE(d.values[6], QStringLiteral("19,0\r\n"));
        QCOMPARE(d.level1, std::int16_t(10));
        QCOMPARE(d.level2, std::int16_t(20));
        QCOMPARE(run.file, QByteArray("12,5 10,0 11,0 9,0 20,0 21,0 19,0\r\n"));
        // Every chunk before the first completed line beeps; the last one does not.
        QCOMPARE(run.beeps, 33);
    }

    void decimalCommaReadsWholePart()
    {
        Run de("Deutsch");
        de.feedPerCharacter("1 12.5 0 0 99.9 0 0\r");
        QCOMPARE(de.pipeline.display().level1, std::int16_t(12));
        QCOMPARE(de.pipeline.display().level2, std::int16_t(99));
        Run en("English");
        en.feedPerCharacter("1 12.5 0 0 99.9 0 0\r");
        QCOMPARE(en.pipeline.display().level1, std::int16_t(12)); // halves to even
        QCOMPARE(en.pipeline.display().level2, std::int16_t(100));
    }

    void overflowMarks_data()
    {
        QTest::addColumn<QString>("act");
        QTest::addColumn<bool>("overflow");
        QTest::addColumn<int>("level");
        QTest::newRow("at full scale") << "100.0" << false << 100;
        QTest::newRow("just above") << "100.6" << true << 101;
        QTest::newRow("overflow mark") << "*Ovl*" << true << 0;
        QTest::newRow("negative") << "-5.0" << false << -5;
    }
    void overflowMarks()
    {
        QFETCH(QString, act);
        QFETCH(bool, overflow);
        QFETCH(int, level);
        Run run;
        run.pipeline.setScaleMax(100, 100);
        run.feedPerCharacter(QStringLiteral("1.0 %1 0 0 50.0 0 0\r").arg(act).toLatin1());
        QCOMPARE(run.pipeline.display().overflow1, overflow);
        QCOMPARE(run.pipeline.display().overflow2, false);
        QCOMPARE(int(run.pipeline.display().level1), level);
    }

    void levelThatDoesNotFitKeepsTheOldOne()
    {
        Run run;
        run.feedPerCharacter("1 250 0 0 7 0 0\r");
        run.feedPerCharacter("2 99999 0 0 8 0 0\r");
        QCOMPARE(run.pipeline.display().level1, std::int16_t(250));
        QCOMPARE(run.pipeline.display().level2, std::int16_t(8));
        QCOMPARE(run.pipeline.display().values[1], QStringLiteral("99999"));
    }

    void fewerThanSevenWords()
    {
        Run run;
        run.feedPerCharacter("1 2 3 4 5 6 7\r");
        run.feedPerCharacter("9.5 1.5\r");
        const RecordDisplay &d = run.pipeline.display();
        QCOMPARE(d.values[0], QStringLiteral("9.5"));
        QCOMPARE(d.values[1], QStringLiteral("1.5\r\n"));
        for (int i = 2; i < 7; ++i)
            QVERIFY(d.values[std::size_t(i)].isEmpty());
    }

    void backspaceLeavesTheFileAsItIs()
    {
        Run run;
        run.feedPerCharacter("abc");
        run.feedPerCharacter("\b");
        // The working file only loses the backspace itself.
        QCOMPARE(run.file, QByteArray("abc"));
        RecordPipeline p;
        p.setFileOpen(true);
        QCOMPARE(p.process("x\by").fileBytes, QByteArray("xy")); // still one chunk per byte
    }

    void lineEndsAndTabs()
    {
        Run run;
        run.feedPerCharacter("a\tb;c\r\nd\n\re");
        QCOMPARE(run.file, QByteArray("a;b;c\r\nd\r\ne"));
        // Tabs and semicolons never reach the record line.
        QCOMPARE(run.pipeline.lastLine(), QStringLiteral("d\r\n"));
        run.pipeline.setCheck1(false);
        run.feedPerCharacter("\t");
        QCOMPARE(run.file.right(1), QByteArray("\t"));
    }

    void notesHeaderComesFirstAndTheFirstChunkIsKept()
    {
        Run run;
        run.pipeline.setHeaderPending(true);
        run.feedPerCharacter("INP1 = bar\r\n");
        QCOMPARE(run.file, QByteArray("  Time: 10:00:00\r  Date: 08.12.2026\rNotes :  probe A\rINP1 = bar\r\n"));
        QVERIFY(!run.pipeline.headerPending());
    }

    void notesHeaderTexts()
    {
        QCOMPARE(RecordPipeline::notesHeader(Language(QStringLiteral("Deutsch")), "t", "d", "n"),
                 QStringLiteral("  Uhrzeit: t\r  Datum: d\rNotes :  n\r"));
        QCOMPARE(RecordPipeline::notesHeader(Language(QStringLiteral("Francais")), "t", "d", "n"),
                 QStringLiteral("  Temps: t\r  Date: d\rNotes :  n\r"));
        QCOMPARE(RecordPipeline::notesHeader(Language(), "t", "d", "n"), QStringLiteral("t\rd\rNotes :  n\r"));
    }

    void lineBufferIsBounded()
    {
        Run run("English", false);
        run.feed(QByteArray(100000, 'z'));
        QCOMPARE(run.pipeline.lineBuffer().size(), RecordPipeline::kLineBufferLimit);
        run.feedPerCharacter("\r");
        QCOMPARE(run.pipeline.lastLine().size(), RecordPipeline::kLineBufferLimit + 2);
    }

    // Fed in random batches, the pipeline ends exactly where the plain
    // account of the steps, one character per chunk, ends.
    void batchesGiveWhatTheReferenceGives()
    {
        QRandomGenerator rng(735);
        const char alphabet[] = "0123456789 .\t;\r\n\b*OvlINP=abc\xb0\x80";
        for (int pass = 0; pass < 8; ++pass) {
            QByteArray stream;
            const int size = pass == 0 ? 60000 : 5000 + rng.bounded(20000);
            for (int i = 0; i < size; ++i)
                stream.append(alphabet[rng.bounded(int(sizeof(alphabet) - 1))]);
            if (pass == 1) // a line longer than the line buffer keeps
                stream.insert(stream.size() / 2, QByteArray(3 * RecordPipeline::kLineBufferLimit + 7, '5'));
            const char *language = pass % 2 ? "English" : "Deutsch";
            // Notes longer than the line buffer, with a tab, in every fourth run.
            QString header = pass % 4 == 3 ? QStringLiteral("Notes :\t") + QString(5000, 'n') + '\r'
                                           : QStringLiteral("header\r");
            Run batched(language);
            batched.pipeline.setNotesHeaderSource([&header] { return header; });
            batched.pipeline.setScaleMax(50, 50);
            batched.pipeline.setHeaderPending(true);
            test::PipelineReference ref;
            ref.decimalComma = pass % 2 == 0;
            ref.header = header;
            ref.headerPending = true;
            ref.scaleMax1 = ref.scaleMax2 = 50;
            for (qsizetype at = 0; at < stream.size();) {
                const qsizetype n = std::min<qsizetype>(rng.bounded(pass % 3 ? 40 : 4000), stream.size() - at);
                if (rng.bounded(20) == 0) { // the scale and the check box change between batches
                    const auto scale = std::int16_t(rng.bounded(100));
                    ref.check1 = rng.bounded(4) != 0;
                    ref.scaleMax1 = scale;
                    ref.scaleMax2 = std::int16_t(100 - scale);
                    batched.pipeline.setScaleMax(ref.scaleMax1, ref.scaleMax2);
                    batched.pipeline.setCheck1(ref.check1);
                }
                ref.feed(stream.mid(at, n)); // an empty batch too: a chunk of its own
                batched.feed(stream.mid(at, n));
                at += n;
            }
            const RecordPipeline &b = batched.pipeline;
            QCOMPARE(batched.file, ref.file);
            QCOMPARE(batched.beeps, ref.beeps);
            QCOMPARE(b.lineBuffer(), ref.lineBuffer);
            QCOMPARE(b.lastLine(), ref.lastLine);
            QCOMPARE(b.words(), ref.words);
            QCOMPARE(b.linesCompleted(), ref.lines);
            QCOMPARE(b.display().values, ref.values);
            QCOMPARE(b.display().level1, ref.level1);
            QCOMPARE(b.display().level2, ref.level2);
            QCOMPARE(b.display().overflow1, ref.overflow1);
            QCOMPARE(b.display().overflow2, ref.overflow2);
        }
    }

    // The serial link's events that raise a message, and their texts.
    void errorEventsAndTheirMessages()
    {
        QCOMPARE(commEventMessage(CommEventCode::Overrun).value(), QStringLiteral("Overrun Error"));
        QCOMPARE(commEventMessage(CommEventCode::CtsTimeout).value(), QStringLiteral("CTS Timeout"));
        QCOMPARE(commEventMessage(CommEventCode::DsrTimeout).value(), QStringLiteral("DSR Timeout"));
        for (const CommEventCode unknown : {CommEventCode::TxFull, CommEventCode::Dcb, CommEventCode(4711)})
            QCOMPARE(commEventMessage(unknown).value(), QStringLiteral("Unknown error or event"));
        for (const CommEventCode quiet : {CommEventCode::Frame, CommEventCode::RxParity, CommEventCode::Break,
                                          CommEventCode::RxOver, CommEventCode::Cts, CommEventCode::Receive})
            QVERIFY(!commEventMessage(quiet));
    }
};

QTEST_GUILESS_MAIN(TestPipeline)
#include "tst_serial_pipeline.moc"
