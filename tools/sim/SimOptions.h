#pragma once

#include "Waveform.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace zkd::sim {

// The simulator's command line.
struct SimOptions
{
    enum class Outcome { Run, Help, Version, Error };

    struct ParseResult
    {
        Outcome outcome = Outcome::Error;
        // Help text for Help, the reason for Error.
        QString text;
    };

    static constexpr int kDefaultBaud = 2400;
    static constexpr int kDefaultIntervalMs = 1000;
    static constexpr int kDefaultSliceMs = 20;
    static constexpr int kMaxSliceMs = 1000;
    static constexpr int kDefaultCode1 = 5;
    static constexpr int kDefaultCode2 = 0;
    // The instrument reports its sensor code in two characters.
    static constexpr int kMaxSensorCode = 99;

    // Fills the fields from the arguments (program name first). On Error the
    // fields keep whatever was parsed so far.
    ParseResult parse(const QStringList &arguments);

    QString devicePath; // empty: the simulator opens a pseudo-terminal of its own
    QString linkPath = QStringLiteral("./ttyZKD735");
    int baud = kDefaultBaud;             // 0: unpaced
    int intervalMs = kDefaultIntervalMs; // 0: as fast as pacing allows
    int sliceMs = kDefaultSliceMs;       // a paced line writes this often
    QString unit1 = QStringLiteral("bar");
    QString unit2 = QStringLiteral("degrC");
    int code1 = kDefaultCode1;
    int code2 = kDefaultCode2;
    Waveform::Shape wave = Waveform::Shape::Sine;
    int overflowEvery = 0; // 0: never
    bool header = true;
    bool silent = false;
    int records = 0; // 0: unlimited
    QString replayFile;
    bool garbage = false;
    std::optional<quint32> seed;
    QString logSentFile;
    QString logReceivedFile;
    bool quiet = false;
    bool exitAfterStop = false;
};

} // namespace zkd::sim
