#include "BenchStream.h"

#include "app/Form1.h"
#include "util/Clock.h"
#include "util/Prompts.h"
#include "util/Texts.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

// Drives the main window the way a user would for the benchmarks, without a
// screen (QT_QPA_PLATFORM=offscreen). Start it in a folder that holds it and
// an scx.ini naming the instrument's port. One of:
//   --run-seconds S         Start, record S seconds, Stop (answering Yes to the
//                           save question: the run is saved as run.csv);
//                           CPU time and the longest busy stretch of the
//                           event loop.
//   --rss-at-mb A,B,...     Start and record until the working file reaches
//                           each size; the resident size at each and right
//                           after the header read.
//   --startup-since-ns T0   Build, start up and show the window; the time
//                           from T0 (CLOCK_REALTIME, ns) to the first paint.
// Figures are printed as key=value lines.
namespace {

using namespace zkd;

constexpr int kSizePollMs = 20;
constexpr int kRssTimeoutMs = 240 * 1000;
constexpr double kMegabyte = 1e6;

// Answers No to every question and cancels every dialog, unless a save is
// wanted (`saveAs`): then Yes, and the file dialog gives that name. Reports
// what it was asked.
class BenchPrompts final : public IPrompts
{
public:
    PromptButton ask(const PromptMessage &message) override
    {
        ++asked;
        std::fprintf(stderr, "window asked: %s\n", qPrintable(message.text));
        if (!saveAs.isEmpty() && message.buttons.contains(PromptButton::Yes))
            return PromptButton::Yes;
        if (message.buttons.contains(PromptButton::No))
            return PromptButton::No;
        return message.buttons.isEmpty() ? PromptButton::Ok : message.buttons.first();
    }
    std::optional<QString> saveFile(const FileDialogRequest &) override
    {
        if (saveAs.isEmpty())
            return std::nullopt;
        return saveAs;
    }
    std::optional<QString> openFile(const FileDialogRequest &) override { return std::nullopt; }
    void about(const QString &, const QString &) override {}
    void beep() override {}

    int asked = 0;
    QString saveAs;
};

qint64 nowNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
}

// CPU time of the calling thread so far, in milliseconds.
double threadCpuMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The longest stretch the event loop stayed busy, from the first event it
// handled after waking to waiting again (what a click or a key press could
// have had to wait), and how much of it the window's own thread spent
// computing: a stretch far longer than its CPU time is time the process
// waited to be scheduled. It watches the application's events and the event
// dispatcher and adds no wake-ups of its own.
class StallMeter : public QObject
{
public:
    void start()
    {
        m_sinceStart.start();
        qApp->installEventFilter(this);
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (!m_busy.isValid())
                return;
            const qint64 busyMs = m_busy.elapsed();
            m_busy.invalidate();
            if (busyMs > m_longestMs) {
                m_longestMs = busyMs;
                m_longestCpuMs = threadCpuMs() - m_busyCpuMs;
                m_longestAtS = double(m_sinceStart.elapsed()) / 1000.0;
            }
        });
    }
    void stop()
    {
        qApp->removeEventFilter(this);
        disconnect(QAbstractEventDispatcher::instance(), nullptr, this, nullptr);
    }
    qint64 longestStallMs() const { return m_longestMs; }
    double longestStallCpuMs() const { return m_longestCpuMs; }
    double longestStallAtS() const { return m_longestAtS; }

protected:
    bool eventFilter(QObject *, QEvent *) override
    {
        if (!m_busy.isValid()) {
            m_busy.start();
            m_busyCpuMs = threadCpuMs();
        }
        return false;
    }

private:
    QElapsedTimer m_sinceStart;
    QElapsedTimer m_busy;
    double m_busyCpuMs = 0.0;
    qint64 m_longestMs = 0;
    double m_longestCpuMs = 0.0;
    double m_longestAtS = 0.0;
};

int recordFor(Form1 &window, BenchPrompts &prompts, int seconds)
{
    StallMeter stalls;
    QElapsedTimer wall;
    const double cpuBefore = bench::cpuSeconds();
    wall.start();
    window.SSCommand2_Click();
    stalls.start();
    QTimer::singleShot(seconds * 1000, &window, [&] {
        stalls.stop();
        const double cpu = bench::cpuSeconds() - cpuBefore;
        const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
        const int askedBefore = prompts.asked;
        // What the run recorded is then checked against what the line carried.
        prompts.saveAs = QDir::current().filePath(QStringLiteral("run.csv"));
        window.SSCommand2_Click();
        std::printf("window_cpu_s=%.3f\nwindow_wall_s=%.3f\nwindow_max_stall_ms=%lld\nwindow_max_stall_cpu_ms=%.1f\n"
                    "window_max_stall_at_s=%.1f\nwindow_rss_kib=%lld\n"
                    "window_unexpected_prompts=%d\n",
                    cpu, wallSeconds, static_cast<long long>(stalls.longestStallMs()), stalls.longestStallCpuMs(),
                    stalls.longestStallAtS(), static_cast<long long>(bench::statusKiB("VmRSS:")), askedBefore);
        QCoreApplication::exit(0);
    });
    return QCoreApplication::exec();
}

int residentAt(Form1 &window, const QList<double> &marksMb)
{
    const QString workFile = window.workFilePath();
    QElapsedTimer wall;
    wall.start();
    window.SSCommand2_Click();
    qsizetype next = 0;
    bool headerSeen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        const qint64 size = QFileInfo(workFile).size();
        // The header read creates the graph window once; later growth is what the stream costs.
        if (!headerSeen && !window.timerActive()) {
            headerSeen = true;
            std::printf("window_rss_after_header_kib=%lld\nwindow_anon_after_header_kib=%lld\n"
                        "window_mb_at_header=%.1f\n",
                        static_cast<long long>(bench::statusKiB("VmRSS:")),
                        static_cast<long long>(bench::statusKiB("RssAnon:")), double(size) / kMegabyte);
        }
        while (next < marksMb.size() && double(size) >= marksMb[next] * kMegabyte) {
            std::printf("window_rss_at_%gmb_kib=%lld\nwindow_anon_at_%gmb_kib=%lld\nwindow_seconds_to_%gmb=%.1f\n",
                        marksMb[next], static_cast<long long>(bench::statusKiB("VmRSS:")), marksMb[next],
                        static_cast<long long>(bench::statusKiB("RssAnon:")), marksMb[next],
                        double(wall.elapsed()) / 1000.0);
            ++next;
        }
        if (next == marksMb.size() || wall.elapsed() > kRssTimeoutMs) {
            poll.stop();
            if (next < marksMb.size())
                std::printf("window_gave_up_at_mb=%.1f\nwindow_gave_up_after_s=%.1f\n", double(size) / kMegabyte,
                            double(wall.elapsed()) / 1000.0);
            window.SSCommand2_Click();
            QCoreApplication::exit(next == marksMb.size() ? 0 : 1);
        }
    });
    poll.start(kSizePollMs);
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(str(texts::AppTitle));
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runOption(QStringLiteral("run-seconds"), QStringLiteral("Record S seconds."),
                                       QStringLiteral("S"));
    const QCommandLineOption rssOption(QStringLiteral("rss-at-mb"), QStringLiteral("Resident size at these sizes."),
                                       QStringLiteral("LIST"));
    const QCommandLineOption startupOption(QStringLiteral("startup-since-ns"),
                                           QStringLiteral("Start-up time from this CLOCK_REALTIME instant."),
                                           QStringLiteral("T0"));
    parser.addOptions({runOption, rssOption, startupOption});
    parser.process(app);

    BenchPrompts prompts;
    SystemClock clock;
    Form1::Deps deps;
    deps.prompts = &prompts;
    deps.clock = &clock;
    deps.programDir = QCoreApplication::applicationDirPath();
    deps.currentDir = QDir::currentPath();
    deps.executablePath = QCoreApplication::applicationFilePath();
    Form1 window(deps);
    if (!window.startUp())
        return 1;
    window.show();

    if (parser.isSet(startupOption)) {
        while (!window.windowHandle() || !window.windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::AllEvents, kSizePollMs);
        QCoreApplication::processEvents();
        const double ms = double(nowNs() - parser.value(startupOption).toLongLong()) / 1e6;
        std::printf("window_startup_ms=%.1f\n", ms);
        return 0;
    }
    QCoreApplication::processEvents();
    if (parser.isSet(runOption))
        return recordFor(window, prompts, parser.value(runOption).toInt());
    if (parser.isSet(rssOption)) {
        QList<double> marks;
        for (const QString &mark : parser.value(rssOption).split(QLatin1Char(',')))
            marks.append(mark.toDouble());
        return residentAt(window, marks);
    }
    parser.showHelp(2);
}
