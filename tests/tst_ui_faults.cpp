#include "FormFixture.h"
#include "app/BarMeter.h"
#include "app/Form1.h"
#include "app/PictureButton.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace zkd;

namespace {

struct Fixture : test::FormFixture
{
    Form1 &start(const QString &currentFolder = {})
    {
        writeSettings(settings("2", "English"));
        return startForm(currentFolder);
    }
};

// A tiny filesystem that fills up for real; needs root and tmpfs.
class TinyDisk
{
public:
    explicit TinyDisk(const QString &mountPoint) : m_mountPoint(mountPoint)
    {
        if (geteuid() != 0)
            return;
        QDir().mkpath(mountPoint);
        m_mounted = QProcess::execute(QStringLiteral("mount"),
                                      {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                       QStringLiteral("size=64k"), QStringLiteral("tmpfs"), mountPoint})
            == 0;
    }
    ~TinyDisk()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_mountPoint});
    }
    bool mounted() const { return m_mounted; }
    // Fills the disk up to the last byte with a file of its own.
    QString fill() const
    {
        QString path = QDir(m_mountPoint).filePath(QStringLiteral("filler"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        const QByteArray block(512, 'f');
        while (f.write(block) == block.size()) {}
        while (f.write("f", 1) == 1) {}
        return path;
    }

private:
    QString m_mountPoint;
    bool m_mounted = false;
};

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT
private slots:
    void writeFailureCancelClosesTheWorkingFile()
    {
        // The working file is never opened through a link, so a full disk is
        // made rather than linked to /dev/full.
        QTemporaryDir base;
        TinyDisk disk(base.filePath(QStringLiteral("disk")));
        if (!disk.mounted())
            QSKIP("needs root and tmpfs to make a disk fill up");
        Fixture fx;
        Form1 &f = fx.start(base.filePath(QStringLiteral("disk")));
        QVERIFY(f.WorkFileNumber() != 0);
        disk.fill();

        fx.prompts.answers << PromptButton::Retry << PromptButton::Cancel;
        f.ProcessReceived("1.0 2.0 3.0 4.0 5.0 6.0 7.0\r");
        // Retry wrote again and failed again; Cancel closed the file.
        QCOMPARE(fx.prompts.messages.size(), 2);
        const PromptMessage &m = fx.prompts.messages.first();
        QCOMPARE(m.icon, PromptIcon::Critical);
        QCOMPARE(m.buttons, (QList<PromptButton>{PromptButton::Retry, PromptButton::Cancel}));
        QVERIFY2(m.text.contains(QStringLiteral("space"), Qt::CaseInsensitive), qPrintable(m.text));
        QCOMPARE(f.WorkFileNumber(), std::int16_t(0));
        // Later chunks are shown but no longer written, and ask nothing.
        f.ProcessReceived("2.0 2.0 3.0 4.0 5.0 6.0 7.0\r");
        QCOMPARE(fx.prompts.messages.size(), 2);
        QVERIFY(f.termText().endsWith(QStringLiteral("2.0 2.0 3.0 4.0 5.0 6.0 7.0\r\n")));
    }

    void diskFullThenRetryLosesNothing()
    {
        QTemporaryDir base;
        TinyDisk disk(base.filePath(QStringLiteral("disk")));
        if (!disk.mounted())
            QSKIP("needs root and tmpfs to make a disk fill up");
        Fixture fx;
        Form1 &f = fx.start(base.filePath(QStringLiteral("disk")));
        QVERIFY(f.WorkFileNumber() != 0);
        QByteArray given;
        for (int i = 0; i < 400; ++i)
            given += QStringLiteral("%1.0 12.5 13.0 11.0 20.0 21.0 19.0\r\n").arg(i, 6).toLatin1();
        f.ProcessReceived(given.left(400));

        const QString filler = disk.fill();
        bool freed = false;
        fx.prompts.onMessage = [&](const PromptMessage &message) {
            // The user makes room while the box is open, then chooses Retry.
            if (message.buttons.contains(PromptButton::Retry) && !freed)
                freed = QFile::remove(filler);
        };
        fx.prompts.answers << PromptButton::Retry;
        f.ProcessReceived(given.mid(400));
        QVERIFY(freed);
        QCOMPARE(fx.prompts.messages.size(), 1);
        QVERIFY(f.WorkFileNumber() != 0);
        // Every byte given is in the file once, in order (LF dropped, CR -> CR LF leaves it as sent).
        QCOMPARE(fx.workFile(), given);
    }

    // Start / Stop finds no port: the error names it, the run ends as after a
    // stop with the displays cleared (and they stay so), and a second
    // attempt reports again.
    void portThatCannotBeOpened()
    {
        test::FormFixture fx;
        QVERIFY(fx.writeSettings(test::FormFixture::settings(
            QFile::encodeName(fx.currentDir.filePath(QStringLiteral("no-such-tty"))), "English")));
        Form1 &f = fx.startForm();
        f.ProcessReceived("1.0 2.0 3.0 4.0 5.0 6.0 7.0\r\n");
        fx.prompts.messages.clear();
        fx.prompts.answers << PromptButton::Ok << PromptButton::No << PromptButton::No;
        f.SSCommand2_Click();
        QVERIFY(!f.comm().PortOpen());
        QVERIFY(!fx.prompts.messages.isEmpty());
        QVERIFY2(fx.prompts.texts().first().contains(QStringLiteral("no-such-tty")),
                 qPrintable(fx.prompts.texts().first()));
        QCOMPARE(fx.prompts.messages.first().icon, PromptIcon::Warning);
        QVERIFY(!f.MOpen->isChecked());
        QVERIFY(!f.Text2->isReadOnly());
        QVERIFY(!f.Button2->isHidden());
        f.refreshDisplay();
        QVERIFY(f.Text8->text().isEmpty());
        QCOMPARE(f.Bar1->level(), std::int16_t(0));
        QCOMPARE(f.txtPopStr->text(), QStringLiteral("1.0 2.0 3.0 4.0 5.0 6.0 7.0\r\n"));
        QVERIFY(!f.Term->toPlainText().contains(QStringLiteral("7.0")));

        const auto before = fx.prompts.messages.size();
        f.MOpen_Click();
        QVERIFY(fx.prompts.messages.size() > before);
    }
};

QTEST_MAIN(TestFaults)
#include "tst_ui_faults.moc"
