#include "BenchStream.h"
#include "ExpectedRecording.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

// Compares a working file with the bytes the simulator logged as sent:
// after the notes header the file must hold exactly those bytes after the
// documented changes. Prints key=value figures; the exit code is 0 when
// nothing is missing or extra.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption sentOption(QStringLiteral("sent"), QStringLiteral("The simulator's --log-sent file."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption recordedOption(QStringLiteral("recorded"), QStringLiteral("The working or saved file."),
                                            QStringLiteral("FILE"));
    const QCommandLineOption commaOption(QStringLiteral("decimal-comma"), QStringLiteral("German or French run."));
    const QCommandLineOption notesOption(QStringLiteral("notes"), QStringLiteral("Notes of the run."),
                                         QStringLiteral("TEXT"));
    parser.addOptions({sentOption, recordedOption, commaOption, notesOption});
    parser.process(app);

    const auto read = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray expected = zkd::test::expectedRecording(read(parser.value(sentOption)), parser.isSet(commaOption));
    const QByteArray recorded = read(parser.value(recordedOption));
    const QByteArray notesEnd = "Notes :  " + parser.value(notesOption).toLatin1() + '\r';
    const qsizetype header = recorded.indexOf(notesEnd);
    const QByteArray body = header < 0 ? recorded : recorded.mid(header + notesEnd.size());

    const auto mismatch = std::mismatch(expected.begin(), expected.end(), body.begin(), body.end());
    const qsizetype common = mismatch.first - expected.begin();
    const qsizetype lost = expected.size() - common;
    const qsizetype extra = body.size() - common;
    std::printf("sent_bytes=%lld\nrecorded_bytes=%lld\nlost=%lld\nextra=%lld\nfirst_difference=%lld\n",
                static_cast<long long>(expected.size()), static_cast<long long>(body.size()),
                static_cast<long long>(lost), static_cast<long long>(extra),
                static_cast<long long>(lost == 0 && extra == 0 ? -1 : common));
    return lost == 0 && extra == 0 ? 0 : 1;
}
