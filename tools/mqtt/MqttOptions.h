#pragma once

#include <QString>

#include <optional>

class QCommandLineParser;

namespace zkd::mqtt {

// Where and how to reach the broker.
struct MqttServer
{
    QString host;
    int port = 0;
    bool tls = false;
    QString caFile;   // empty with TLS: the system's trusted authorities
    QString user;     // empty: no login
    QString password; // from the environment or a file, never the command line
};

// The broker options shared by zkd735-record and zkd735-collect: --mqtt URL,
// --mqtt-prefix, --mqtt-ca, --mqtt-user and --mqtt-password-file; the
// password may also come from ZKD735_MQTT_PASSWORD.
class MqttOptions
{
public:
    static constexpr int kPlainPort = 1883;
    static constexpr int kTlsPort = 8883;
    static constexpr char kPasswordVariable[] = "ZKD735_MQTT_PASSWORD";

    // Adds the options to the parser.
    void addTo(QCommandLineParser &parser);
    bool urlGiven(const QCommandLineParser &parser) const;
    // Reads the options after parsing; the reason on error.
    std::optional<QString> read(const QCommandLineParser &parser);

    // mqtt://host[:port] or mqtts://host[:port]; nothing else (no path, no login).
    static std::optional<MqttServer> parseUrl(const QString &url);
    // A topic prefix: one or more levels of printable text without "+", "#"
    // and empty levels.
    static bool validPrefix(const QString &prefix);

    MqttServer server;
    QString prefix = QStringLiteral("zkd735");

private:
    bool m_added = false;
};

} // namespace zkd::mqtt
