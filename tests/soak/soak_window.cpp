// Long runs of the main window against the instrument simulator, offscreen:
//   zkd735-soak records N INTERVAL_MS   N records, one every INTERVAL_MS
//   zkd735-soak garbage SECONDS          random bytes, unpaced, for SECONDS
// Prints key=value lines: resident size over the run, the largest live table,
// the saved file's record count (records) or the bytes accounted for
// (garbage). Exit status 0 when nothing was lost and memory stayed flat.
#include "ExpectedRecording.h"
#include "FormFixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

using namespace zkd;

constexpr int kSampleMs = 10000;
constexpr qint64 kFlatLimitKb = 2048;
constexpr qint64 kBytesPerSecondAt921600 = 92160;

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3 || (args[1] != QLatin1String("records") && args[1] != QLatin1String("garbage"))) {
        std::fprintf(stderr, "usage: zkd735-soak records N INTERVAL_MS | garbage SECONDS\n");
        return 2;
    }
    const bool garbage = args[1] == QLatin1String("garbage");
    const qint64 records = garbage ? 0 : args[2].toLongLong();
    const int interval = garbage ? 0 : args.value(3, QStringLiteral("10")).toInt();
    const int garbageSeconds = garbage ? args[2].toInt() : 0;

    // The window's current folder holds the link, the streams and what is recorded.
    test::FormFixture fx;
    const QTemporaryDir &dir = fx.currentDir;
    const QString link = dir.filePath(QStringLiteral("ttyZKD735"));
    const QString sentLog = dir.filePath(QStringLiteral("sent.bin"));
    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList simArgs{"--link", link, "--quiet", "--log-sent", sentLog, "--seed", "735"};
    if (garbage) {
        // A header, so the run goes on, then random bytes: NULs, lone CRs,
        // line feeds, backspace storms, tabs and text, a minute's worth at 921,600 baud.
        QByteArray stream("INP1 = bar\r\nSR1 =  5\r\nINP2 = degrC\r\nSR2 = 47\r\nPri = 1\r\n");
        QRandomGenerator rng(735);
        const qint64 size = qint64(garbageSeconds) * kBytesPerSecondAt921600;
        while (stream.size() < size) {
            const quint32 kind = rng.bounded(10);
            if (kind == 0)
                stream.append(QByteArray(int(rng.bounded(40)), '\b'));
            else if (kind == 1)
                stream.append(QByteArray(int(rng.bounded(8)), '\0'));
            else if (kind == 2)
                stream.append('\r');
            else
                stream.append(char(rng.bounded(256)));
        }
        const QString replay = dir.filePath(QStringLiteral("garbage.bin"));
        test::writeFile(replay, stream);
        simArgs << "--baud"
                << "921600"
                << "--replay" << replay;
    } else {
        simArgs << "--baud"
                << "0";
    }
    if (!garbage)
        simArgs << "--interval" << QString::number(interval) << "--records" << QString::number(records);
    simulator.start(QCoreApplication::applicationDirPath() + QStringLiteral("/zkd735-sim"), simArgs);
    if (!simulator.waitForStarted(5000))
        return 3;
    for (int i = 0; i < 200 && !QFileInfo::exists(link); ++i)
        QThread::msleep(20);

    fx.writeSettings(test::FormFixture::settings(link.toUtf8(), "English"));
    // Yes to the save question (its first button), a file name for the save dialog.
    const QString saveAs = dir.filePath(QStringLiteral("soak.csv"));
    fx.prompts.files.enqueue(saveAs);
    fx.prompts.onMessage = [](const PromptMessage &m) { std::fprintf(stderr, "asked: %s\n", qPrintable(m.text)); };
    Form1 &form = fx.startForm();
    form.SSCommand2_Click();

    QElapsedTimer run;
    run.start();
    QList<qint64> rss;
    qsizetype largestTable = 0;
    qint64 lastSize = -1;
    int stableTicks = 0;
    QTimer sample;
    QTimer watch;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        rss.append(residentKb());
        std::fprintf(stderr, "t=%llds rss_kb=%lld records=%llu\n", static_cast<long long>(run.elapsed() / 1000),
                     static_cast<long long>(rss.last()),
                     static_cast<unsigned long long>(form.pipeline().linesCompleted()));
    });
    QObject::connect(&watch, &QTimer::timeout, [&] {
        largestTable = std::max(largestTable, form.termText().size());
        bool done = false;
        const qint64 size = QFileInfo(dir.filePath(QStringLiteral("Senso.scx"))).size();
        stableTicks = size == lastSize ? stableTicks + 1 : 0;
        lastSize = size;
        if (garbage)
            done = stableTicks >= 30 && run.elapsed() >= qint64(garbageSeconds) * 1000;
        else
            done = stableTicks >= 30 && form.pipeline().linesCompleted() >= quint64(records);
        if (done) {
            watch.stop();
            sample.stop();
            form.SSCommand2_Click();
            app.quit();
        }
    });
    sample.start(kSampleMs);
    watch.start(100);
    app.exec();
    simulator.terminate();
    simulator.waitForFinished(5000);

    const QByteArray saved = test::readFile(saveAs) + test::readFile(dir.filePath(QStringLiteral("Senso.scx")));
    bool ok = true;
    std::printf("mode=%s\n", garbage ? "garbage" : "records");
    std::printf("seconds=%lld\n", static_cast<long long>(run.elapsed() / 1000));
    std::printf("largest_table_chars=%lld\n", static_cast<long long>(largestTable));
    ok = ok && largestTable <= 8192 + 64;
    if (!rss.isEmpty()) {
        const qint64 warm = rss.size() > 2 ? rss[1] : rss.first();
        const qint64 peak = *std::max_element(rss.begin(), rss.end());
        std::printf("rss_first_kb=%lld\nrss_after_warmup_kb=%lld\nrss_last_kb=%lld\nrss_peak_kb=%lld\n",
                    static_cast<long long>(rss.first()), static_cast<long long>(warm),
                    static_cast<long long>(rss.last()), static_cast<long long>(peak));
        ok = ok && rss.last() - warm < kFlatLimitKb;
    }
    if (garbage) {
        const QByteArray sent = test::readFile(dir.filePath(QStringLiteral("garbage.bin")));
        const QByteArray body = saved.mid(saved.indexOf("Notes :  \r") + 10);
        std::printf("bytes_sent=%lld\nbytes_recorded=%lld\n", static_cast<long long>(sent.size()),
                    static_cast<long long>(body.size()));
        const bool whole = body == test::expectedRecording(sent, false);
        std::printf("every_byte_accounted=%s\n", whole ? "yes" : "no");
        ok = ok && whole;
    } else {
        qint64 count = 0;
        for (const QByteArray &line : saved.split('\n')) {
            const QByteArray t = line.trimmed();
            if (!t.isEmpty() && (t[0] >= '0' && t[0] <= '9') && t.count(' ') >= 6)
                ++count;
        }
        std::printf("records_expected=%lld\nrecords_saved=%lld\n", static_cast<long long>(records),
                    static_cast<long long>(count));
        ok = ok && count == records;
    }
    std::printf("result=%s\n", ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
