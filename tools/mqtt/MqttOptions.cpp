#include "MqttOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>

namespace zkd::mqtt {
namespace {

const QString kUrl = QStringLiteral("mqtt");
const QString kPrefix = QStringLiteral("mqtt-prefix");
const QString kCa = QStringLiteral("mqtt-ca");
const QString kUser = QStringLiteral("mqtt-user");
const QString kPasswordFile = QStringLiteral("mqtt-password-file");
constexpr int kMaxPort = 65535;

} // namespace

void MqttOptions::addTo(QCommandLineParser &parser)
{
    parser.addOptions({
        {kUrl, QStringLiteral("MQTT broker: mqtt://host[:port] or mqtts://host[:port] (TLS)."), QStringLiteral("URL")},
        {kPrefix, QStringLiteral("First topic level(s) (default zkd735)."), QStringLiteral("P")},
        {kCa, QStringLiteral("Certificate authority that signed the broker's TLS certificate (default: the system's)."),
         QStringLiteral("FILE")},
        {kUser,
         QStringLiteral("Login name at the broker; the password comes from the environment variable %1 or "
                        "from --mqtt-password-file.")
             .arg(QString::fromLatin1(kPasswordVariable)),
         QStringLiteral("NAME")},
        {kPasswordFile, QStringLiteral("File whose first line is the broker password."), QStringLiteral("FILE")},
    });
    m_added = true;
}

bool MqttOptions::urlGiven(const QCommandLineParser &parser) const
{
    return m_added && parser.isSet(kUrl);
}

std::optional<QString> MqttOptions::read(const QCommandLineParser &parser)
{
    const QString url = parser.value(kUrl);
    const auto parsed = parseUrl(url);
    if (!parsed)
        return QStringLiteral("--mqtt needs mqtt://host[:port] or mqtts://host[:port], not \"%1\"").arg(url);
    server = *parsed;

    if (parser.isSet(kPrefix)) {
        prefix = parser.value(kPrefix);
        if (!validPrefix(prefix))
            return QStringLiteral("--mqtt-prefix needs topic levels without \"+\", \"#\" or empty levels, not \"%1\"")
                .arg(prefix);
    }
    if (parser.isSet(kCa)) {
        if (!server.tls)
            return QStringLiteral("--mqtt-ca needs an mqtts:// URL");
        server.caFile = parser.value(kCa);
        if (!QFile::exists(server.caFile))
            return QStringLiteral("--mqtt-ca: no file \"%1\"").arg(server.caFile);
    }
    if (parser.isSet(kPasswordFile) && !parser.isSet(kUser))
        return QStringLiteral("--mqtt-password-file needs --mqtt-user");
    if (parser.isSet(kUser)) {
        server.user = parser.value(kUser);
        if (server.user.isEmpty())
            return QStringLiteral("--mqtt-user needs a name");
        if (parser.isSet(kPasswordFile)) {
            QFile file(parser.value(kPasswordFile));
            if (!file.open(QIODevice::ReadOnly))
                return QStringLiteral("--mqtt-password-file: cannot read \"%1\": %2")
                    .arg(parser.value(kPasswordFile), file.errorString());
            QByteArray line = file.readLine();
            while (line.endsWith('\n') || line.endsWith('\r'))
                line.chop(1);
            server.password = QString::fromUtf8(line);
        } else {
            server.password = qEnvironmentVariable(kPasswordVariable);
        }
    }
    return std::nullopt;
}

std::optional<MqttServer> MqttOptions::parseUrl(const QString &url)
{
    static const QRegularExpression form(
        QStringLiteral("^(mqtts?)://(\\[[0-9A-Fa-f:.]+\\]|[A-Za-z0-9._-]+)(?::([0-9]{1,5}))?/?$"));
    const QRegularExpressionMatch match = form.match(url);
    if (!match.hasMatch())
        return std::nullopt;
    MqttServer server;
    server.tls = match.captured(1) == QStringLiteral("mqtts");
    server.host = match.captured(2);
    if (server.host.startsWith(QLatin1Char('[')))
        server.host = server.host.mid(1, server.host.size() - 2);
    server.port = server.tls ? kTlsPort : kPlainPort;
    if (match.hasCaptured(3) && !match.captured(3).isEmpty()) {
        server.port = match.captured(3).toInt();
        if (server.port < 1 || server.port > kMaxPort)
            return std::nullopt;
    }
    return server;
}

bool MqttOptions::validPrefix(const QString &prefix)
{
    if (prefix.isEmpty())
        return false;
    for (const QString &level : prefix.split(QLatin1Char('/'))) {
        if (level.isEmpty())
            return false;
        for (const QChar c : level)
            if (c == QLatin1Char('+') || c == QLatin1Char('#') || !c.isPrint())
                return false;
    }
    return true;
}

} // namespace zkd::mqtt
