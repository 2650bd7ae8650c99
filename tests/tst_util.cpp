#include "util/Codec8.h"
#include "util/Colours.h"
#include "util/Language.h"
#include "util/Numbers.h"
#include "util/Prompts.h"
#include "util/StringAnalyser.h"
#include "util/Texts.h"
#include "util/UserIdentity.h"

#include <QtTest>

#include <clocale>
#include <string>

using namespace zkd;

class TestUtil : public QObject
{
    Q_OBJECT
private slots:
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("decimal point") << "12.5" << 12.5;
        QTest::newRow("decimal comma stops") << "12,5" << 12.0;
        QTest::newRow("overflow mark") << "*Ovl*" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("leading blanks") << "   7.25 x" << 7.25;
        QTest::newRow("negative") << "-3.5" << -3.5;
        QTest::newRow("plus sign") << "+4" << 4.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("point then digits") << ".5" << 0.5;
        QTest::newRow("tab is not skipped") << "\t5" << 0.0;
        QTest::newRow("trailing CR LF") << "100.6\r\n" << 100.6;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(zkd::leadingNumber(text), expected);
    }

    // The program runs under the user's locale; the instrument writes a point.
    void leadingNumberIgnoresTheLocale()
    {
        const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
        if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
            QSKIP("no de_DE.UTF-8 locale on this machine (scripts/setup.sh makes one)");
        const double point = zkd::leadingNumber(u"12.5");
        const double comma = zkd::leadingNumber(u"12,5");
        std::setlocale(LC_NUMERIC, saved.c_str());
        QCOMPARE(point, 12.5);
        QCOMPARE(comma, 12.0);
    }

    void roundHalfEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("12.5") << 12.5 << 12;
        QTest::newRow("13.5") << 13.5 << 14;
        QTest::newRow("158.5") << 158.5 << 158;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("217.6") << 217.6 << 218;
        QTest::newRow("0.4") << 0.4 << 0;
    }
    void roundHalfEven()
    {
        QFETCH(double, value);
        QFETCH(int, expected);
        QCOMPARE(roundToInt16(value).value(), expected);
    }

    void roundingRangeError()
    {
        QCOMPARE(roundToInt16(32767.4).value(), 32767);
        QVERIFY(!roundToInt16(32767.5)); // rounds to 32768
        QVERIFY(!roundToInt16(-32768.6));
        QVERIFY(!roundToInt16(1e300));
        QVERIFY(!roundToInt32(std::numeric_limits<double>::infinity()));
        QCOMPARE(roundToInt32(2147483647.0).value(), 2147483647);
    }

    void popWord_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("one character") << "a" << QStringList{};
        QTest::newRow("two blanks") << "a  b" << QStringList{"a", "", "b"};
        QTest::newRow("single word") << "ab" << QStringList{"ab"};
        QTest::newRow("ends in one delimiter") << "ab " << QStringList{"ab"};
        QTest::newRow("ends in two delimiters") << "ab  " << QStringList{"ab", ""};
        QTest::newRow("record with CR LF") << "1.0 2.0\r\n" << QStringList{"1.0", "2.0\r\n"};
        QTest::newRow("leading blank") << " x y" << QStringList{"", "x", "y"};
    }
    void popWord()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        clsStringAnalyser analyser;
        QStringList got;
        for (auto w = analyser.PopWord(text); w; w = analyser.PopWord())
            got.append(*w);
        QCOMPARE(got, words);
        // Used up: every later call gives no word again.
        QVERIFY(!analyser.PopWord());
        QVERIFY(!analyser.PopWord(QStringLiteral("fresh text")));
    }

    void popWordIgnoresLaterArguments()
    {
        clsStringAnalyser analyser;
        QCOMPARE(*analyser.PopWord(QStringLiteral("a b c")), QStringLiteral("a"));
        QCOMPARE(*analyser.PopWord(QStringLiteral("x;y"), false, QStringList{";"}), QStringLiteral("b"));
    }

    void popWordSeveralDelimiters()
    {
        // Among delimiters found at the same place the later one wins; the end
        // position is that of the delimiter searched last.
        clsStringAnalyser analyser;
        QCOMPARE(*analyser.PopWord(QStringLiteral("a;;b"), false, QStringList{";", ";;"}), QStringLiteral("a"));
        QCOMPARE(*analyser.PopWord(), QStringLiteral("b"));
        QVERIFY(!analyser.PopWord());

        clsStringAnalyser caseless;
        QCOMPARE(*caseless.PopWord(QStringLiteral("oneXtwo"), true, QStringList{"x"}), QStringLiteral("one"));
        clsStringAnalyser exact;
        QCOMPARE(*exact.PopWord(QStringLiteral("oneXtwo"), false, QStringList{"x"}), QStringLiteral("oneXtwo"));
        // Missing ignore-case argument means ignore case.
        clsStringAnalyser defaulted;
        QCOMPARE(*defaulted.PopWord(QStringLiteral("oneXtwo"), std::nullopt, QStringList{"x"}), QStringLiteral("one"));
    }

    void codecRoundTripsEveryByte()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = decode8(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(encode8(text), all);
        QCOMPARE(text.at(176), QChar(0x00B0)); // degree sign
        QCOMPARE(text.at(0x80), QChar(0x20AC));
        QCOMPARE(text.at(0x81), QChar(0x0081));
        QCOMPARE(encode8(QStringLiteral("\u20ac\u4e00")), QByteArray("\x80?"));
    }

    void instancePipeName()
    {
        const QString prefix = QStringLiteral("ZKD735_DataRecorder-");
        const QString sid = QStringLiteral("S-1-5-21-1004336348-1177238915-682003330-1001");
        QCOMPARE(zkd::instancePipeName(sid), prefix + sid);
        QVERIFY(zkd::instancePipeName(QString()).isEmpty());

        // A name stands for its identity alone: what has to be replaced is
        // told apart by the hash of the whole.
        const QStringList identities{QStringLiteral("LAB\\anna"), QStringLiteral("LAB/anna"),
                                     QStringLiteral("LAB_anna"),  QStringLiteral("J\u00fcrgen"),
                                     QStringLiteral("J_rgen"),    QString(300, u'a'),
                                     QString(300, u'a') + u'b'};
        QSet<QString> names;
        for (const QString &identity : identities) {
            const QString name = zkd::instancePipeName(identity);
            QVERIFY2(name.startsWith(prefix), qPrintable(name));
            QVERIFY2(name.size() <= 200, qPrintable(name));
            for (const QChar c : name) {
                const bool allowed = (c.unicode() < 0x80 && c.isLetterOrNumber()) || c == u'-' || c == u'_'
                    || c == u'.';
                QVERIFY2(allowed, qPrintable(name));
            }
            names.insert(name);
        }
        QCOMPARE(names.size(), identities.size());
        QVERIFY(zkd::instancePipeName(QStringLiteral("LAB\\anna")).startsWith(prefix + QStringLiteral("LAB_anna-")));

#ifdef Q_OS_WIN
        // This process's own user, read from its token, is a SID, and the
        // look-up by process id gives the same; a process that cannot be
        // opened gives no user.
        const QString own = currentUserIdentity();
        QVERIFY2(own.startsWith(QStringLiteral("S-1-")), qPrintable(own));
        QCOMPARE(processUserIdentity(static_cast<quint32>(QCoreApplication::applicationPid())), own);
        QVERIFY(processUserIdentity(0).isEmpty());
#endif
    }

    void colours()
    {
        QVERIFY(!colourFromIndex(-1));
        QVERIFY(!colourFromIndex(16));
        const Rgb yellow = *colourFromIndex(14);
        QCOMPARE(yellow.red, 255);
        QCOMPARE(yellow.green, 255);
        QCOMPARE(yellow.blue, 0);
        const Rgb blue = *colourFromIndex(1);
        QCOMPARE(blue.blue, 128);
        QCOMPARE(colourFromIndex(7)->red, 192);
    }

    void languageIsExact()
    {
        QVERIFY(Language(QStringLiteral("Deutsch")).isGerman());
        QVERIFY(Language(QStringLiteral("Francais")).isFrench());
        QVERIFY(!Language(QStringLiteral("english")).isValid());
        QVERIFY(!Language(QStringLiteral("English ")).isValid());
        QVERIFY(!Language().isValid());
        QCOMPARE(pick(Language(QStringLiteral("English")), texts::LangLabel2).value(), QStringLiteral("Notes"));
        QVERIFY(!pick(Language(QStringLiteral("English")), texts::LangMenuFile));
        QVERIFY(!pick(Language(QStringLiteral("english")), texts::LangLabel2));
        QCOMPARE(pickOrEmpty(Language(), texts::SaveQuestion), QString());
    }

    void qtFilter()
    {
        QCOMPARE(toQtFilter(QStringLiteral("Filetyp Excel(*.csv)|*.csv|All Files (*.*)|*.*")),
                 QStringLiteral("Filetyp Excel(*.csv) (*.csv);;All Files (*.*) (*)"));
        QCOMPARE(toQtFilter(QStringLiteral("Filetyp Exe(*.exe)|Excel.exe|")),
                 QStringLiteral("Filetyp Exe(*.exe) (Excel.exe)"));
    }
};

QTEST_GUILESS_MAIN(TestUtil)
#include "tst_util.moc"
