#include "BenchStream.h"

#include "files/FileNumbers.h"
#include "files/WorkFile.h"
#include "serial/RecordPipeline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>

// Throughput of the core record path as the window runs it for every batch
// the serial port hands over: RecordPipeline::process (one character per
// chunk inside), the working-file write, and a flush after a completed line.
// Prints key=value figures: the median of three passes over the stream, per
// second of wall-clock time and per second of CPU time (which other programs
// on a shared machine disturb less).
// With --write it only writes instrument text for the simulator to replay.
namespace {

constexpr qsizetype kStreamBytes = 8 * 1000 * 1000;
constexpr qsizetype kBatchBytes = 4096;
constexpr int kRepeats = 3;
constexpr double kMegabyte = 1e6;

struct Pass
{
    double wallSeconds = 0.0;
    double cpuSeconds = 0.0;
};

Pass runOnce(const QByteArray &stream, const QString &language, const QString &workPath)
{
    zkd::FileNumbers numbers;
    zkd::WorkFile workFile(numbers);
    workFile.reset(workPath);
    zkd::RecordPipeline pipeline;
    pipeline.setLanguage(zkd::Language(language));
    pipeline.setFileOpen(true);
    pipeline.setNotesHeaderSource([&language] {
        return zkd::RecordPipeline::notesHeader(zkd::Language(language), "12:00:00", "08.12.2026", "");
    });
    pipeline.setHeaderPending(true);

    QElapsedTimer clock;
    const double cpuBefore = zkd::bench::cpuSeconds();
    clock.start();
    for (qsizetype at = 0; at < stream.size(); at += kBatchBytes) {
        const zkd::BatchResult result = pipeline.process(stream.mid(at, kBatchBytes));
        workFile.write(result.fileBytes);
        if (result.lineCompleted)
            workFile.flush();
    }
    workFile.close();
    return {double(clock.nsecsElapsed()) / 1e9, zkd::bench::cpuSeconds() - cpuBefore};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption writeOption(QStringLiteral("write"),
                                         QStringLiteral("Only write this many MB of instrument text to FILE."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption sizeOption(QStringLiteral("mb"), QStringLiteral("Size for --write."), QStringLiteral("MB"),
                                        QStringLiteral("4"));
    parser.addOptions({writeOption, sizeOption});
    parser.process(app);
    if (parser.isSet(writeOption)) {
        QFile file(parser.value(writeOption));
        const QByteArray text = zkd::bench::instrumentText(qsizetype(parser.value(sizeOption).toDouble() * kMegabyte));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() ? 0 : 1;
    }
    QTemporaryDir dir;
    const QByteArray stream = zkd::bench::instrumentText(kStreamBytes);
    const QString workPath = QDir(dir.path()).filePath(QStringLiteral("Senso.scx"));
    for (const QString &language : {QStringLiteral("English"), QStringLiteral("Deutsch")}) {
        std::array<double, kRepeats> wallRates{};
        std::array<double, kRepeats> cpuRates{};
        for (int i = 0; i < kRepeats; ++i) {
            const Pass pass = runOnce(stream, language, workPath);
            wallRates[i] = double(stream.size()) / kMegabyte / pass.wallSeconds;
            cpuRates[i] = double(stream.size()) / kMegabyte / pass.cpuSeconds;
        }
        std::sort(wallRates.begin(), wallRates.end());
        std::sort(cpuRates.begin(), cpuRates.end());
        std::printf("pipeline_%s_mb_per_s=%.1f\npipeline_%s_mb_per_cpu_s=%.1f\n", qPrintable(language),
                    wallRates[kRepeats / 2], qPrintable(language), cpuRates[kRepeats / 2]);
    }
    std::printf("pipeline_stream_mb=%.1f\n", double(stream.size()) / kMegabyte);
    return 0;
}
