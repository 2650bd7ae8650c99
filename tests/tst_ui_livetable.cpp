#include "PipelineReference.h"

#include "serial/ui/LiveTable.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace zkd;

namespace {

// One character per chunk, as the serial component announces them.
void feedPerCharacter(LiveTable &table, const QByteArray &bytes)
{
    for (const char c : bytes)
        table.receive(QByteArray(1, c));
}

} // namespace

class TestLiveTable : public QObject
{
    Q_OBJECT
private slots:
    void showsWhatArrives()
    {
        LiveTable de;
        de.setLanguage(Language(QStringLiteral("Deutsch")));
        feedPerCharacter(de, "12.5 10.0 11.0 9.0 20.0 21.0 19.0\r");
        QCOMPARE(de.text(), QStringLiteral("12,5 10,0 11,0 9,0 20,0 21,0 19,0\r\n"));
        LiveTable en;
        en.setLanguage(Language(QStringLiteral("English")));
        feedPerCharacter(en, "a\tb;c.\r\nd\n\re");
        QCOMPARE(en.text(), QStringLiteral("a\tb;c.\r\nd\r\ne"));
        // A backspace takes back the last character shown, also inside a batch.
        feedPerCharacter(en, "\b");
        en.receive("x\by");
        QCOMPARE(en.text(), QStringLiteral("a\tb;c.\r\nd\r\ny"));
        LiveTable empty;
        feedPerCharacter(empty, "\b\bq");
        QCOMPARE(empty.text(), QStringLiteral("q"));
    }

    void trimsAt8192CharactersAndMeasuresFirst()
    {
        LiveTable table;
        QVERIFY(!table.receive("a")); // the table was empty when the chunk was measured
        QCOMPARE(table.unsavedLength(), std::int16_t(0));
        QVERIFY(table.receive(QByteArray()));
        QCOMPARE(table.unsavedLength(), std::int16_t(2));
        table.clear();
        const QByteArray line = QByteArray(30, 'x') + '\r'; // 32 characters in the table
        for (int i = 0; i < 256; ++i)
            table.receive(line);
        QCOMPARE(table.text().size(), 8192);
        QCOMPARE(table.unsavedLength(), std::int16_t(16380)); // measured before the last CR
        table.receive("y");
        QCOMPARE(table.text().size(), 8192 - 4096 + 1);
        QVERIFY(table.text().endsWith(QLatin1Char('y')));
        QCOMPARE(table.unsavedLength(), std::int16_t(16384));
        table.markSaved();
        QCOMPARE(table.unsavedLength(), std::int16_t(0));
    }

    // Fed in random batches, the table ends exactly where the plain account
    // of the steps, one character per chunk, ends.
    void batchesGiveWhatTheReferenceGives()
    {
        QRandomGenerator rng(735);
        const char alphabet[] = "0123456789 .\t;\r\n\b*OvlINP=abc\xb0\x80";
        for (int pass = 0; pass < 6; ++pass) {
            QByteArray stream;
            for (int i = 5000 + rng.bounded(40000); i > 0; --i)
                stream.append(alphabet[rng.bounded(int(sizeof(alphabet) - 1))]);
            LiveTable table;
            table.setLanguage(Language(QString::fromLatin1(pass % 2 ? "English" : "Francais")));
            test::PipelineReference ref;
            ref.decimalComma = pass % 2 == 0;
            for (qsizetype at = 0; at < stream.size();) {
                const qsizetype n = std::min<qsizetype>(rng.bounded(pass % 3 ? 40 : 4000), stream.size() - at);
                ref.dataSeen = false;
                ref.feed(stream.mid(at, n)); // an empty batch too: a chunk of its own
                QCOMPARE(table.receive(stream.mid(at, n)), ref.dataSeen);
                QCOMPARE(table.unsavedLength(), ref.unsavedLength);
                at += n;
            }
            QCOMPARE(table.text(), ref.table);
        }
    }

    // A window that follows the table change by change ends with the table.
    void changesRebuildTheTable()
    {
        QRandomGenerator rng(12);
        LiveTable table;
        QString shown;
        int kept = 0;
        int keptAfterTrim = 0;
        for (int batch = 0; batch < 3000; ++batch) {
            QByteArray bytes;
            for (int i = rng.bounded(1, 60); i > 0; --i)
                bytes.append(rng.bounded(300) == 0 ? '\b' : "0123456789 \r\n"[rng.bounded(13)]);
            table.receive(bytes);
            if (rng.bounded(3) != 0)
                continue;
            const TableChange change = table.takeChange();
            if (!change.reset && change.from == shown.size() - change.removed) {
                QCOMPARE(change.removedShown, change.removed - shown.left(change.removed).count(QLatin1Char('\r')));
                shown = shown.mid(change.removed) + table.text().mid(change.from);
                ++kept;
                keptAfterTrim += change.removed > 0 ? 1 : 0;
            } else {
                shown = table.text();
            }
            QCOMPARE(shown, table.text());
        }
        // Most changes were appends, trims included, not a new text each time.
        QVERIFY2(kept > 700 && keptAfterTrim > 5, qPrintable(QStringLiteral("%1 %2").arg(kept).arg(keptAfterTrim)));
    }
};

QTEST_GUILESS_MAIN(TestLiveTable)
#include "tst_ui_livetable.moc"
