// Saving in the settings dialog restarts the program: the running copy starts
// a new one and ends. This test drives a real copy of the recorder on a
// private X display and presses the dialog's save button from the keyboard.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QColor>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

using namespace std::chrono_literals;

namespace {

constexpr auto kStartTimeout = 30s;
constexpr auto kCommandTimeout = 10s;
const QString kMainTitle = QStringLiteral("ZKD735  Data Recorder");
const QString kDialogTitle = QStringLiteral(" User Settings");
const QString kGermanDialogTitle = QStringLiteral(" Einstellungen ");
// The live table's background: colour 9 (blue) as the file has it, colour 8
// (grey) after one step to the left in the dialog.
const QString kBlue = QStringLiteral("#0000FF");
const QString kGrey = QStringLiteral("#808080");
// Most of the live table, which fills a good part of the window.
constexpr qint64 kTablePixels = 20000;

int msecs(std::chrono::milliseconds d)
{
    return static_cast<int>(d.count());
}

// Polls until the condition holds or the time is up, by the clock: every look
// at the windows runs xdotool, which on a busy machine takes a while itself.
template <typename Condition> bool waitUntil(Condition condition, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    for (;;) {
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
}

} // namespace

class TestRestart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void saveStartsNewCopyAndEndsOldOne();

private:
    QProcessEnvironment programEnvironment() const;
    // Runs xdotool; its standard output, trimmed.
    QString xdotool(const QStringList &arguments, bool *ok = nullptr) const;
    struct Window
    {
        QString id;
        qint64 pid = 0;
    };
    // The visible windows with exactly this title.
    QList<Window> windows(const QString &title) const;
    // How many pixels of the window have exactly this colour ("#RRGGBB").
    qint64 pixelsOf(const QString &windowId, const QString &colour) const;

    QString m_xdotool;
    QProcess m_xvfb;
    QString m_display;
    QTemporaryDir m_home;
    QTemporaryDir m_runtime;
};

void TestRestart::initTestCase()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xvfb.isEmpty() || m_xdotool.isEmpty())
        QSKIP("needs Xvfb and xdotool to drive the real window");
    const QString recorder = QStringLiteral(ZKD_BIN_DIR "/ZKD735_DataRecorder");
    QVERIFY2(QFileInfo(recorder).isExecutable(), qPrintable(recorder));

    // Xvfb picks a free display itself and names it on the given descriptor.
    m_xvfb.start(xvfb,
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                  QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QVERIFY(m_xvfb.waitForStarted(msecs(kCommandTimeout)));
    QTRY_VERIFY_WITH_TIMEOUT(m_xvfb.canReadLine(), msecs(kCommandTimeout));
    m_display = QLatin1Char(':') + QString::fromLatin1(m_xvfb.readLine()).trimmed();
    QVERIFY(m_display.size() > 1);
    QVERIFY(m_home.isValid());
    QVERIFY(m_runtime.isValid());
}

void TestRestart::cleanupTestCase()
{
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        if (!m_xvfb.waitForFinished(msecs(kCommandTimeout)))
            m_xvfb.kill();
    }
}

QProcessEnvironment TestRestart::programEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // The single-instance place is in the user's runtime folder (or, without
    // one, in the home folder): folders of its own keep these copies apart
    // from any other copy this user runs on the machine.
    env.insert(QStringLiteral("HOME"), m_home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    return env;
}

QString TestRestart::xdotool(const QStringList &arguments, bool *ok) const
{
    QProcess process;
    process.setProcessEnvironment(programEnvironment());
    process.start(m_xdotool, arguments);
    const bool finished = process.waitForFinished(msecs(kCommandTimeout));
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

QList<TestRestart::Window> TestRestart::windows(const QString &title) const
{
    const QString pattern = QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$');
    const QStringList ids = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--name"), pattern})
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QList<Window> found;
    for (const QString &id : ids)
        found.append({id, xdotool({QStringLiteral("getwindowpid"), id}).toLongLong()});
    return found;
}

qint64 TestRestart::pixelsOf(const QString &windowId, const QString &colour) const
{
    QProcess grab;
    grab.setProcessEnvironment(programEnvironment());
    grab.start(QStringLiteral("import"), {QStringLiteral("-window"), windowId, QStringLiteral("png:-")});
    if (!grab.waitForFinished(msecs(kCommandTimeout)) || grab.exitCode() != 0)
        return -1;
    QImage image;
    if (!image.loadFromData(grab.readAllStandardOutput(), "PNG"))
        return -1;
    const QRgb wanted = QColor(colour).rgb();
    qint64 count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == wanted ? 1 : 0;
    return count;
}

void TestRestart::saveStartsNewCopyAndEndsOldOne()
{
    // The program folder is the executable's own: a copy in a folder of its own.
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString program = folder.filePath(QStringLiteral("ZKD735_DataRecorder"));
    QVERIFY(QFile::copy(QStringLiteral(ZKD_BIN_DIR "/ZKD735_DataRecorder"), program));
    QVERIFY(QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const QString ini = folder.filePath(QStringLiteral("scx.ini"));
    {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Lines 6 and 7 hold what only a save empties, so the file shows whether it was saved.
        file.write("MS Excel ??\r\n3\r\nEnglish\r\n14\r\n9\r\n9600\r\nreserved\r\n0\r\nReady\r\n");
    }

    QProcess first;
    first.setProcessEnvironment(programEnvironment());
    first.setWorkingDirectory(folder.path());
    // The second copy inherits these; pipes to this test would outlive the first copy.
    first.setStandardOutputFile(QProcess::nullDevice());
    first.setStandardErrorFile(QProcess::nullDevice());
    first.start(program, {});
    QVERIFY(first.waitForStarted(msecs(kCommandTimeout)));
    const qint64 firstPid = first.processId();
    QList<Window> found;
    QVERIFY2(waitUntil([&] { return (found = windows(kMainTitle)).size() == 1; }, kStartTimeout),
             qPrintable(QStringLiteral("main windows of the first copy: %1").arg(found.size())));
    QCOMPARE(found.first().pid, firstPid);
    QVERIFY(waitUntil([&] { return pixelsOf(found.first().id, kBlue) > kTablePixels; }, kCommandTimeout));
    QCOMPARE(pixelsOf(found.first().id, kGrey) > kTablePixels, false);

    // Settings menu, then its item "User settings".
    bool ok = false;
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), found.first().id}, &ok);
    QVERIFY(ok);
    xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("300"), QStringLiteral("alt+s"),
             QStringLiteral("u")});
    QVERIFY2(waitUntil([&] { return (found = windows(kDialogTitle)).size() == 1; }, kCommandTimeout),
             qPrintable(QStringLiteral("settings dialogs: %1").arg(found.size())));
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), found.first().id}, &ok);
    QVERIFY(ok);
    // From the port box, which has the focus: the language box to its first
    // entry (Deutsch), past the text colour to the background colour one step
    // down (9 -> 8), past browse to save.
    xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("150"), QStringLiteral("Tab"),
             QStringLiteral("Home"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Left"),
             QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("space")},
            &ok);
    QVERIFY(ok);

    // The first copy ends by itself, after it has started the second.
    QVERIFY2(first.waitForFinished(msecs(kStartTimeout)), "the first copy did not end");
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);

    QVERIFY2(waitUntil([&] { return (found = windows(kMainTitle)).size() == 1; }, kStartTimeout),
             qPrintable(QStringLiteral("main windows after the restart: %1").arg(found.size())));
    const qint64 secondPid = found.first().pid;
    QVERIFY(secondPid != firstPid);
    const auto stopSecond = qScopeGuard([secondPid] { ::kill(static_cast<pid_t>(secondPid), SIGTERM); });
    QCOMPARE(QFileInfo(QStringLiteral("/proc/%1/exe").arg(secondPid)).canonicalFilePath(),
             QFileInfo(program).canonicalFilePath());
    QCOMPARE(QFileInfo(QStringLiteral("/proc/%1/cwd").arg(secondPid)).canonicalFilePath(),
             QFileInfo(folder.path()).canonicalFilePath());

    // What the first copy saved before it went: the values it had read with
    // the two changes, lines 6 and 7 emptied.
    QFile file(ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("MS Excel ??\r\n3\r\nDeutsch\r\n 14 \r\n 8 \r\n\r\n\r\n0\r\nReady\r\n"));

    // The new copy runs with them: a grey live table, and its settings
    // dialog (Einstellungen, Programm Optionen) titled in German.
    const QString secondId = found.first().id;
    QVERIFY(waitUntil([&] { return pixelsOf(secondId, kGrey) > kTablePixels; }, kCommandTimeout));
    QCOMPARE(pixelsOf(secondId, kBlue) > kTablePixels, false);
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), secondId}, &ok);
    QVERIFY(ok);
    xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("300"), QStringLiteral("alt+e"),
             QStringLiteral("p")});
    QVERIFY2(waitUntil([&] { return windows(kGermanDialogTitle).size() == 1; }, kCommandTimeout),
             "no German settings dialog in the new copy");
    QCOMPARE(windows(kDialogTitle).size(), 0);
}

QTEST_GUILESS_MAIN(TestRestart)
#include "tst_e2e_restart.moc"
