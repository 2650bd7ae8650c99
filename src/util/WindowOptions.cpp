#include "util/WindowOptions.h"

#include "util/Texts.h"

namespace zkd {

WindowOptions parseWindowOptions(const QStringList &arguments)
{
    WindowOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.outcome = WindowOptions::Outcome::Help;
            options.text = str(texts::WindowHelp);
            return options;
        }
        if (argument == QLatin1String("--version") || argument == QLatin1String("-v")) {
            options.outcome = WindowOptions::Outcome::Version;
            options.text = str(texts::AppTitle) + QStringLiteral(" " ZKD_VERSION "\n");
            return options;
        }
        if (argument == QLatin1String("--measurement-folder"))
            options.measurementFolder = true;
    }
    return options;
}

} // namespace zkd
