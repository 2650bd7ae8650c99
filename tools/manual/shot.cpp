// Draws the main window offscreen with a short run in it and saves the
// picture for the manual:  zkd735-manual-shot OUT.png

#include "app/Form1.h"
#include "util/Clock.h"
#include "util/Prompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
constexpr int kExitFailed = 3;

// English texts, light green on black in the data windows.
const QByteArray kSettings("\r\n1\r\nEnglish\r\n 10 \r\n 0 \r\n\r\n\r\n0\r\nReady\r\n");
// A pressure sensor (code 5, 400 bar) on input 1 and a temperature sensor
// (code 0, 100 degrees) on input 2.
const QByteArray kHeader("INP1 = bar\r\nSR1 =  5\r\nINP2 = degrC\r\nSR2 =  0\r\nPri = 1\r\n");
const QString kNotes = QStringLiteral("Pump 2, pressure and oil temperature after the repair");
constexpr int kRecords = 40;
constexpr double kSecondsPerRecord = 0.5;

// Nobody is there to answer: every question gets its first button, every file dialog a cancel.
class UnattendedPrompts final : public zkd::IPrompts
{
public:
    zkd::PromptButton ask(const zkd::PromptMessage &message) override
    {
        return message.buttons.isEmpty() ? zkd::PromptButton::Ok : message.buttons.first();
    }
    std::optional<QString> saveFile(const zkd::FileDialogRequest &) override { return std::nullopt; }
    std::optional<QString> openFile(const zkd::FileDialogRequest &) override { return std::nullopt; }
    void about(const QString &, const QString &) override {}
    void beep() override {}
};

QByteArray record(int index, double &max1, double &min1, double &max2, double &min2)
{
    const double t = index * kSecondsPerRecord;
    const double act1 = 212.0 + 95.0 * std::sin(t / 3.0);
    const double act2 = 41.0 + 9.0 * std::cos(t / 5.0);
    max1 = index == 0 ? act1 : std::max(max1, act1);
    min1 = index == 0 ? act1 : std::min(min1, act1);
    max2 = index == 0 ? act2 : std::max(max2, act2);
    min2 = index == 0 ? act2 : std::min(min2, act2);
    return QString::asprintf("%9.1f%13.1f%13.1f%12.1f%13.1f%13.1f%11.1f\r", t, act1, max1, min1, act2, max2, min2)
        .toLatin1();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: zkd735-manual-shot OUT.png\n");
        return kExitUsage;
    }

    QTemporaryDir programDir;
    QTemporaryDir currentDir;
    QFile settings(QDir(programDir.path()).filePath(QStringLiteral("scx.ini")));
    if (!programDir.isValid() || !currentDir.isValid() || !settings.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "zkd735-manual-shot: no temporary folder\n");
        return kExitFailed;
    }
    settings.write(kSettings);
    settings.close();

    UnattendedPrompts prompts;
    zkd::SystemClock clock;
    zkd::Form1::Deps deps;
    deps.prompts = &prompts;
    deps.clock = &clock;
    deps.programDir = programDir.path();
    deps.currentDir = currentDir.path();
    zkd::Form1 window(deps);
    if (!window.startUp())
        return kExitFailed;
    window.Text2->setPlainText(kNotes);

    // The instrument's header first, then its readings, as the serial line delivers them.
    window.ProcessReceived(kHeader);
    window.KopfLesen_Click();
    double max1 = 0;
    double min1 = 0;
    double max2 = 0;
    double min2 = 0;
    for (int i = 0; i < kRecords; ++i)
        window.ProcessReceived(record(i, max1, min1, max2, min2));

    window.show();
    QCoreApplication::processEvents();
    if (!window.grab().save(arguments.at(1))) {
        std::fprintf(stderr, "zkd735-manual-shot: cannot write %s\n", qPrintable(arguments.at(1)));
        return kExitFailed;
    }
    return kExitOk;
}
