#pragma once

#include "MqttOptions.h"

#include <QString>
#include <QStringList>

namespace zkd::collect {

// The command line of zkd735-collect.
struct CollectOptions
{
    enum class Outcome { Run, Help, Version, Error };

    struct ParseResult
    {
        Outcome outcome = Outcome::Error;
        // The help or version text, or the reason for Error.
        QString text;
    };

    ParseResult parse(const QStringList &arguments);

    mqtt::MqttOptions mqtt;
    QString dir;
    bool quiet = false;
};

} // namespace zkd::collect
