#include "app/StartupSettings.h"

#include "serial/MSComm1.h"
#include "settings/ScxIni.h"
#include "util/Colours.h"
#include "util/Texts.h"

#include <QDir>

namespace zkd {

StartupSettings applyScxIni(const QString &path, MSComm1 &comm, const Language &language)
{
    const ScxIniReadResult read = readScxIni(path, scxField::Count);
    const QStringList &f = read.fields;
    const auto field = [&f](int number) -> std::optional<QString> {
        if (f.size() < number)
            return std::nullopt;
        return f[number - 1];
    };
    StartupSettings settings;
    settings.language = language;
    if (const auto text = field(scxField::Language))
        settings.language = Language(*text);
    const Language &lang = settings.language;
    const auto problem = [&lang](const LangText &text) {
        return pick(lang, text).value_or(QString::fromUtf16(text.en));
    };
    QStringList problems;
    if (!read.error.isEmpty())
        problems.append(problem(texts::SettingsProblemRead).arg(read.error));

    const auto colour = [&](int number) -> std::optional<QColor> {
        const auto text = field(number);
        if (!text)
            return std::nullopt;
        const auto index = scxLeadingInt16(*text);
        const auto rgb = index ? colourFromIndex(*index) : std::nullopt;
        if (!rgb) {
            problems.append(problem(texts::SettingsProblemColour).arg(text->trimmed(), QString::number(number)));
            return std::nullopt;
        }
        return QColor(rgb->red, rgb->green, rgb->blue);
    };
    settings.foreColour = colour(scxField::ForeColour);
    settings.backColour = colour(scxField::BackColour);

    if (const auto baud = field(scxField::SerialSettings)) {
        // An empty line 6 leaves the built-in 2400 baud without a word.
        if (!comm.setSettings(*baud + QStringLiteral(",n,8,1")) && !baud->trimmed().isEmpty())
            problems.append(problem(texts::SettingsProblemBaud).arg(baud->trimmed()));
    }
    // A port the link refuses (also the 0 of a line that was not read) leaves
    // the built-in port 1, and a line that asked for one is named.
    const auto portField = field(scxField::Port);
    if (const auto port = portNameFromSetting(portField.value_or(QString())))
        comm.setPortName(*port);
    else if (portField && portField->trimmed().isEmpty())
        problems.append(problem(texts::SettingsProblemPort));
    else if (portField)
        problems.append(
            problem(texts::SettingsProblemPortNumber).arg(portField->trimmed(), QString::number(kLastCommPort)));
    if (!problems.isEmpty())
        settings.error = pick(lang, texts::SettingsReadError)
                             .value_or(str(texts::SettingsReadErrorNone))
                             .arg(QDir::toNativeSeparators(path), problems.join(QStringLiteral("\r\n")));
    return settings;
}

QString settingsFolderProblem(const Language &language, const QString &programDir)
{
    return pickOrEnglish(language, texts::ConfigFolderFailed).arg(QDir::toNativeSeparators(programDir));
}

QString measurementFolderProblem(const Language &language, const QString &unusableDir, const QString &currentDir)
{
    return pickOrEnglish(language, texts::MeasurementFolderFailed)
        .arg(QDir::toNativeSeparators(unusableDir), QDir::toNativeSeparators(currentDir));
}

} // namespace zkd
