#pragma once

namespace zkd::record {

// What zkd735-record reports to its caller. Every code but Ok comes with one
// line on stderr naming the cause.
enum class ExitCode : int {
    Ok = 0,
    Usage = 2,       // the command line is wrong
    Port = 3,        // the port cannot be opened, or the device vanished during the run
    Header = 4,      // no instrument header (INP1 line) arrived
    File = 5,        // the working file or the --out file cannot be written
    Unpublished = 6, // recorded, but the MQTT broker did not take every record
};

inline int toInt(ExitCode code)
{
    return static_cast<int>(code);
}

} // namespace zkd::record
