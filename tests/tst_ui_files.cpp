#include "DataRows.h"
#include "FormFixture.h"

#include "app/Form1.h"
#include "files/ui/Form2.h"
#include "files/ui/Module1.h"
#include "settings/ScxIni.h"
#include "util/Texts.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QScopeGuard>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace zkd;

using zkd::test::readFile;
using zkd::test::row;
using zkd::test::writeFile;

namespace {

// One run as the instrument sends it, and what the working file holds for it
// in English with the notes "Probe A" at 14:03:22.
const QByteArray kRun = "INP1 bar\r\nSR1 10\r\n12:00:01\t1.5\t1.6\t1.4\t2.5\t2.6\t2.4\r\n";
const QByteArray kRunFile = "  Time: 14:03:22\r  Date: 08.12.2026\rNotes :  Probe A\r"
                            "INP1 bar\r\nSR1 10\r\n12:00:01;1.5;1.6;1.4;2.5;2.6;2.4\r\n";
const QByteArray kSecondRun = "12:00:02\t3.5\t3.6\t3.4\t4.5\t4.6\t4.4\r\n";
const QByteArray kSecondRunFile = "  Time: 14:03:22\r  Date: 08.12.2026\rNotes :  Probe A\r"
                                  "12:00:02;3.5;3.6;3.4;4.5;4.6;4.4\r\n";
// Long enough for a check from a timer while the wait runs.
constexpr int kScriptSeconds = 1;
constexpr int kDuringWaitMs = 200;

// A program that writes its name and arguments, one a line, to `record`,
// then stays a moment.
bool writeRecorder(const QString &path, const QString &record)
{
    const QByteArray script = "#!/bin/sh\nprintf '%s\\n' \"$(basename \"$0\")\" \"$@\" > '" + record.toLocal8Bit()
        + "'\nsleep " + QByteArray::number(kScriptSeconds) + "\n";
    return writeFile(path, script) && QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
}

QStringList recorded(const QString &record)
{
    QStringList lines = QString::fromLocal8Bit(readFile(record)).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// A pseudo-terminal standing in for the instrument's line, so that Save can
// open the port.
class Pty
{
public:
    Pty() : m_master(posix_openpt(O_RDWR | O_NOCTTY))
    {
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0)
            m_slave = QString::fromLocal8Bit(ptsname(m_master));
    }
    ~Pty()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;
    const QString &slave() const { return m_slave; }

private:
    int m_master;
    QString m_slave;
};

struct Rig : test::FormFixture
{
    Pty pty;
    QList<QUrl> handedToDesktop;
    bool desktopAccepts = true;

    Rig()
    {
        setDesktopOpener([this](const QUrl &url) {
            handedToDesktop << url;
            return desktopAccepts;
        });
    }
    ~Rig()
    {
        form.reset();
        setDesktopOpener({});
    }

    // scx.ini in the program folder names no spreadsheet program; the one in
    // the current folder, which Open and the export read, names `spreadsheet`.
    bool start(const QString &language, const QString &spreadsheet = QString())
    {
        ScxIniValues values;
        values.port = pty.slave();
        values.language = language;
        const QString programIni = QDir(deps.programDir).filePath(QStringLiteral("scx.ini"));
        if (!QDir().mkpath(deps.programDir) || !writeScxIni(programIni, values).isEmpty())
            return false;
        values.spreadsheetPath = spreadsheet;
        if (!writeScxIni(cur(QStringLiteral("scx.ini")), values).isEmpty())
            return false;
        buildForm().Text2->setPlainText(QStringLiteral("Probe A"));
        return !pty.slave().isEmpty() && form->startUp() && prompts.messages.isEmpty();
    }
    QString cur(const QString &name) const { return currentDir.filePath(name); }
    void run(const QByteArray &bytes)
    {
        form->pipeline().setHeaderPending(true);
        form->ProcessReceived(bytes);
    }
    void answer(const QString &yesNo)
    {
        for (const QChar c : yesNo)
            prompts.answers.enqueue(c == u'Y' ? PromptButton::Yes : PromptButton::No);
    }
    // Saves the first run as "run.csv" from the menu.
    bool saveRun()
    {
        run(kRun);
        prompts.files.enqueue(cur(QStringLiteral("run.csv")));
        form->SScommand4_Click();
        return form->SavedFileName() == cur(QStringLiteral("run.csv"));
    }
};

} // namespace

class TestUiFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void saveStoresRecordingUnderFinalName_data();
    void saveStoresRecordingUnderFinalName();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void stopThenYesSavesTheRun_data();
    void stopThenYesSavesTheRun();
    void cancelledSaveAfterStopKeepsRecording();
    void failedSaveIsReportedAndRecordingGoesOn_data();
    void failedSaveIsReportedAndRecordingGoesOn();
    void stopThenNoStartsFreshRecording();
    void exitAndUnload_data();
    void exitAndUnload();

    void openHandsChosenFileToProgram();
    void openDialogTitleAndCancel();
    void openWithoutSettingsFileStartsNothing();
    void nothingToExport_data();
    void nothingToExport();
    void spreadsheetExportConsumesSavedFile();
    void editorExportChoosesBySize_data();
    void editorExportChoosesBySize();
    void missingProgramGoesToDesktop_data();
    void missingProgramGoesToDesktop();
    void programThatCannotStartIsReported();
    void exitWhileProgramOpenLeavesItRunning();
    void unloadGoesOnAfterExitReturns_data();
    void unloadGoesOnAfterExitReturns();

    void help_data();
    void help();
    void shellOpen_data();
    void shellOpen();

private:
    QTemporaryDir m_tools;
    QString m_record;
    QString m_recorder;
    QByteArray m_path;
};

void TestUiFiles::initTestCase()
{
    QVERIFY(m_tools.isValid());
    m_record = m_tools.filePath(QStringLiteral("record.txt"));
    QVERIFY(QDir(m_tools.path()).mkpath(QStringLiteral("my tools")));
    QVERIFY(QDir(m_tools.path()).mkpath(QStringLiteral("bin")));
    m_recorder = m_tools.filePath(QStringLiteral("my tools/spread.sh"));
    QVERIFY(writeRecorder(m_recorder, m_record));
    // The editors the editor export asks for by name, first on the search path.
    QVERIFY(writeRecorder(m_tools.filePath(QStringLiteral("bin/Notepad")), m_record));
    QVERIFY(writeRecorder(m_tools.filePath(QStringLiteral("bin/Write")), m_record));
    m_path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(m_tools.filePath(QStringLiteral("bin"))) + ':' + m_path);
}

void TestUiFiles::cleanupTestCase()
{
    qputenv("PATH", m_path);
}

void TestUiFiles::saveStoresRecordingUnderFinalName_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("title");
    row("English, with .csv", "English", "Test.csv", "Test.csv", "Do you want to save the measurement ?");
    row("German, without extension", "Deutsch", "Test", "Test.csv", "M\u00f6chten Sie die Messung Speichern ?");
    row("no language, dots and CSV", "", "my.data.CSV", "mydata.csv", "");
}

void TestUiFiles::saveStoresRecordingUnderFinalName()
{
    QFETCH(QString, language);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    Rig rig;
    QVERIFY(rig.start(language));
    rig.run(kRun);
    const QByteArray recording = rig.workFile();
    QVERIFY(recording.contains("12:00:01"));
    QVERIFY(rig.form->UnsavedLength() > 0);

    rig.prompts.files.enqueue(rig.cur(typed));
    rig.form->SScommand4_Click();

    QCOMPARE(rig.prompts.fileRequests.size(), 1);
    const FileDialogRequest &request = rig.prompts.fileRequests.first().request;
    QVERIFY(rig.prompts.fileRequests.first().save);
    QTEST(request.title, "title");
    QCOMPARE(request.folder, rig.deps.programDir);
    QCOMPARE(request.filter, str(texts::CsvFilter));
    QCOMPARE(request.fileName, QString());
    QCOMPARE(rig.prompts.texts(), QStringList());

    QCOMPARE(readFile(rig.cur(written)), recording);
    QCOMPARE(rig.form->SavedFileName(), rig.cur(written));
    QCOMPARE(rig.workFile(), QByteArray());
    QVERIFY(rig.form->WorkFileNumber() != 0);
    QCOMPARE(rig.form->termText(), QString());
    QCOMPARE(rig.form->UnsavedLength(), std::int16_t(0));
    QVERIFY(rig.form->comm().PortOpen());
    QVERIFY(rig.form->MOpen->isChecked());
    QVERIFY(!rig.form->existingForm2()->File1->findItems(written, Qt::MatchExactly).isEmpty());
    // Data after the save goes into the new working file, without a notes header.
    rig.form->ProcessReceived(kSecondRun);
    QVERIFY(rig.workFile().startsWith("12:00:02"));
}

void TestUiFiles::overwriteQuestion_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QStringList>("askedFor");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("written");
    const QStringList twice{"Test.csv", "Test.csv"};
    const QStringList once{"Test.csv"};
    const char *replace = "Do you want to replace the file  ";
    row("No, dialog again, Yes", "English", twice, "NY", twice, replace, " ", "Test.csv");
    row("German Yes", "Deutsch", once, "Y", once, "Soll die Datei  ", " \u00fcberschreiben ?? ", "Test.csv");
    row("no language: name alone", "", once, "Y", once, "", "", "Test.csv");
    row("typed without .csv, final name exists", "English", QStringList{"Test"}, "Y", once, replace, " ", "Test.csv");
    row("No to the final name, another name", "English", QStringList{"Test", "Other"}, "N", once, replace, " ",
        "Other.csv");
}

void TestUiFiles::overwriteQuestion()
{
    QFETCH(QString, language);
    QFETCH(QStringList, typed);
    QFETCH(QString, answers);
    QFETCH(QStringList, askedFor);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, written);
    Rig rig;
    QVERIFY(rig.start(language));
    QVERIFY(writeFile(rig.cur(QStringLiteral("Test.csv")), "old"));
    rig.run(kRun);
    const QByteArray recording = rig.workFile();
    for (const QString &name : typed)
        rig.prompts.files.enqueue(rig.cur(name));
    rig.answer(answers);

    rig.form->SScommand4_Click();

    QCOMPARE(rig.prompts.fileRequests.size(), typed.size());
    QCOMPARE(rig.prompts.messages.size(), askedFor.size());
    for (qsizetype i = 0; i < askedFor.size(); ++i) {
        const PromptMessage &m = rig.prompts.messages.at(i);
        QCOMPARE(m.text, before + rig.cur(askedFor.at(i)) + after);
        QCOMPARE(m.title, str(texts::AppTitle));
        QCOMPARE(m.icon, PromptIcon::Question);
        QCOMPARE(m.buttons, (QList<PromptButton>{PromptButton::Yes, PromptButton::No}));
    }
    QCOMPARE(readFile(rig.cur(written)), recording);
    if (written != QStringLiteral("Test.csv"))
        QCOMPARE(readFile(rig.cur(QStringLiteral("Test.csv"))), QByteArray("old"));
}

void TestUiFiles::stopThenYesSavesTheRun_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("English, a run") << "English" << kRun << "Do you want to save the datafile ?" << kRunFile;
    QTest::newRow("German, nothing received")
        << "Deutsch" << QByteArray() << "Wollen Sie die Me\u00dfdaten speichern ? " << QByteArray();
    QTest::newRow("no language, nothing received") << "" << QByteArray() << "" << QByteArray();
}

void TestUiFiles::stopThenYesSavesTheRun()
{
    QFETCH(QString, language);
    QFETCH(QByteArray, received);
    Rig rig;
    QVERIFY(rig.start(language));
    if (!received.isEmpty())
        rig.run(received);
    rig.answer(QStringLiteral("Y"));
    rig.prompts.files.enqueue(rig.cur(QStringLiteral("stop.csv")));

    rig.form->AskSaveAfterStop();

    QVERIFY(!rig.prompts.messages.isEmpty());
    const PromptMessage &m = rig.prompts.messages.first();
    QTEST(m.text, "question");
    QCOMPARE(m.title, str(texts::AppTitle));
    QCOMPARE(m.icon, PromptIcon::Question);
    QCOMPARE(m.buttons, (QList<PromptButton>{PromptButton::Yes, PromptButton::No}));
    QCOMPARE(rig.prompts.messages.size(), 1);
    QTEST(readFile(rig.cur(QStringLiteral("stop.csv"))), "saved");
    QCOMPARE(rig.workFile(), QByteArray());
    QVERIFY(rig.form->WorkFileNumber() != 0);
}

void TestUiFiles::cancelledSaveAfterStopKeepsRecording()
{
    Rig rig;
    QVERIFY(rig.start(QStringLiteral("English")));
    rig.run(kRun);
    rig.answer(QStringLiteral("Y"));
    rig.prompts.files.enqueue(std::nullopt);
    rig.form->AskSaveAfterStop();

    QVERIFY(rig.form->WorkFileNumber() != 0);
    QCOMPARE(rig.workFile(), kRunFile);

    rig.run(kSecondRun);
    rig.answer(QStringLiteral("Y"));
    rig.prompts.files.enqueue(rig.cur(QStringLiteral("both.csv")));
    rig.form->AskSaveAfterStop();
    QCOMPARE(readFile(rig.cur(QStringLiteral("both.csv"))), kRunFile + kSecondRunFile);
}

void TestUiFiles::failedSaveIsReportedAndRecordingGoesOn_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("target name is a folder") << "Blocked.csv";
    QTest::newRow("folder part is a file") << "plain.txt/x.csv";
}

void TestUiFiles::failedSaveIsReportedAndRecordingGoesOn()
{
    QFETCH(QString, typed);
    Rig rig;
    QVERIFY(rig.start(QStringLiteral("English")));
    QVERIFY(QDir(rig.currentDir.path()).mkdir(QStringLiteral("Blocked.csv")));
    QVERIFY(writeFile(rig.cur(QStringLiteral("plain.txt")), "plain"));
    rig.run(kRun);
    rig.answer(QStringLiteral("Y"));
    rig.prompts.files.enqueue(rig.cur(typed));
    // Records keep arriving while the user reads the failure: they are recorded.
    rig.prompts.onMessage = [&rig](const PromptMessage &message) {
        if (message.text.startsWith(QStringLiteral("The measurement could not be saved")))
            rig.run(kSecondRun);
    };

    rig.form->AskSaveAfterStop();

    QCOMPARE(rig.prompts.messages.size(), 2);
    const PromptMessage &report = rig.prompts.messages.last();
    QVERIFY2(report.text.startsWith(QStringLiteral("The measurement could not be saved:\r\n")),
             qPrintable(report.text));
    QVERIFY(report.text.contains(rig.cur(typed)));
    QVERIFY(report.text.contains(rig.form->workFilePath()));
    QCOMPARE(report.icon, PromptIcon::Warning);
    QVERIFY(rig.form->WorkFileNumber() != 0);

    rig.prompts.onMessage = {};
    rig.prompts.files.enqueue(rig.cur(QStringLiteral("later.csv")));
    rig.form->SScommand4_Click();
    QCOMPARE(readFile(rig.cur(QStringLiteral("later.csv"))), kRunFile + kSecondRunFile);
}

void TestUiFiles::stopThenNoStartsFreshRecording()
{
    Rig rig;
    QVERIFY(rig.start(QStringLiteral("English")));
    rig.run(kRun);
    rig.answer(QStringLiteral("N"));
    rig.form->AskSaveAfterStop();

    QVERIFY(rig.prompts.fileRequests.isEmpty());
    QCOMPARE(rig.workFile(), QByteArray());
    QVERIFY(rig.form->WorkFileNumber() != 0);
    rig.run(kSecondRun);
    QCOMPARE(rig.workFile(), kSecondRunFile);
}

void TestUiFiles::exitAndUnload_data()
{
    QTest::addColumn<bool>("viaUnload");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("saveAs"); // empty: the save dialog is cancelled
    QTest::addColumn<int>("dialogs");
    row("Exit, No", false, "N", "", 0);
    row("Exit, Yes, saved", false, "Y", "exit.csv", 1);
    row("Exit, Yes, save cancelled", false, "Y", "", 1);
    row("unload with unsaved data, No", true, "N", "", 0);
}

void TestUiFiles::exitAndUnload()
{
    QFETCH(bool, viaUnload);
    QFETCH(QString, answer);
    QFETCH(QString, saveAs);
    Rig rig;
    QVERIFY(rig.start(QStringLiteral("English")));
    rig.run(kRun);
    QSignalSpy ended(rig.form.get(), &Form1::programEnded);
    rig.answer(answer);
    rig.prompts.files.enqueue(saveAs.isEmpty() ? std::nullopt : std::optional<QString>(rig.cur(saveAs)));

    std::int16_t cancel = 0;
    if (viaUnload)
        rig.form->Form_Unload(cancel);
    else
        rig.form->SSCommand1_Click();

    QCOMPARE(ended.size(), 1);
    QCOMPARE(cancel, std::int16_t(0));
    QCOMPARE(rig.prompts.texts().value(0), QStringLiteral("Do you want to save the datafile ?"));
    QTEST(int(rig.prompts.fileRequests.size()), "dialogs");
    QCOMPARE(rig.form->WorkFileNumber(), std::int16_t(0));
    QVERIFY(!rig.form->comm().PortOpen());
    if (!saveAs.isEmpty()) {
        QCOMPARE(readFile(rig.cur(saveAs)), kRunFile);
        QCOMPARE(rig.workFile(), QByteArray());
    } else {
        QCOMPARE(rig.workFile(), kRunFile);
    }
}

void TestUiFiles::openHandsChosenFileToProgram()
{
    Rig rig;
    QVERIFY(rig.start(QStringLiteral("English"), m_recorder));
    QFile::remove(m_record);
    const QString chosen = rig.cur(QStringLiteral("My Data/Test file.csv"));
    rig.prompts.files.enqueue(chosen);
    bool enabledDuringWait = true;
    QTimer::singleShot(kDuringWaitMs, [&] { enabledDuringWait = rig.form->cmdstart->isEnabled(); });

    rig.form->SScommand3_Click();

    QCOMPARE(rig.prompts.fileRequests.size(), 1);
    const FileDialogRequest &request = rig.prompts.fileRequests.first().request;
    QVERIFY(!rig.prompts.fileRequests.first().save);
    QCOMPARE(request.title, QStringLiteral("Measurment Files"));
    QCOMPARE(request.filter, str(texts::OpenFilter));
    QCOMPARE(recorded(m_record), (QStringList{QStringLiteral("spread.sh"), chosen}));
    QVERIFY(!enabledDuringWait);
    QVERIFY(rig.form->cmdstart->isEnabled());
    QVERIFY(rig.handedToDesktop.isEmpty());
    QCOMPARE(rig.prompts.texts(), QStringList());
}

void TestUiFiles::openDialogTitleAndCancel()
{
    Rig rig;
    QVERIFY(rig.start(QString(), m_recorder));
    QFile::remove(m_record);
    rig.form->SScommand3_Click();
    rig.form->globals().language = Language(QStringLiteral("Deutsch"));
    rig.form->SScommand3_Click();
    rig.form->globals().language = Language();
    rig.form->SScommand3_Click();

    QCOMPARE(rig.prompts.fileRequests.size(), 3);
    QCOMPARE(rig.prompts.fileRequests.at(0).request.title, QString());
    QCOMPARE(rig.prompts.fileRequests.at(1).request.title, QStringLiteral("Dateien von s\u00e4mtlichen Messungen"));
    QCOMPARE(rig.prompts.fileRequests.at(2).request.title, QStringLiteral("Dateien von s\u00e4mtlichen Messungen"));
    QVERIFY(!QFile::exists(m_record));
    QVERIFY(!rig.form->cmdstart->isEnabled());
}

void TestUiFiles::openWithoutSettingsFileStartsNothing()
{
    Rig rig;
    QVERIFY(rig.start(QStringLiteral("English"), m_recorder));
    QFile::remove(m_record);
    QVERIFY(QFile::remove(rig.cur(QStringLiteral("scx.ini"))));
    rig.prompts.files.enqueue(rig.cur(QStringLiteral("a.csv")));

    rig.form->SScommand3_Click();

    QVERIFY(!QFile::exists(m_record));
    QVERIFY(rig.handedToDesktop.isEmpty());
    QCOMPARE(rig.prompts.texts(), QStringList());
    QVERIFY(!rig.form->cmdstart->isEnabled());
}

void TestUiFiles::nothingToExport_data()
{
    QTest::addColumn<bool>("editor");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("message");
    row("spreadsheet, English", false, "English", "Data for export missing,\r\n Please save the measurement first !");
    row("editor, German", true, "Deutsch", " Es sind keine Daten vorhanden,\r\n Bitte die Messung erst speichern !  ");
    row("editor, French", true, "Francais",
        " Donnes pour export manque,\r\n Veuillez sauvegarder la mesure d\u00b4abord !");
    row("spreadsheet, no language", false, "", "");
}

void TestUiFiles::nothingToExport()
{
    QFETCH(bool, editor);
    QFETCH(QString, language);
    Rig rig;
    QVERIFY(rig.start(language, m_recorder));
    QFile::remove(m_record);
    rig.prompts.answers.enqueue(PromptButton::Cancel);

    editor ? rig.form->SSCommand6_Click() : rig.form->cmdstart_Click();

    QCOMPARE(rig.prompts.messages.size(), 1);
    const PromptMessage &m = rig.prompts.messages.first();
    QTEST(m.text, "message");
    QCOMPARE(m.title, str(texts::AppTitle));
    QCOMPARE(m.icon, PromptIcon::None);
    QCOMPARE(m.buttons, (QList<PromptButton>{PromptButton::Ok, PromptButton::Cancel}));
    QVERIFY(!QFile::exists(m_record));
    QVERIFY(rig.handedToDesktop.isEmpty());
    QVERIFY(!rig.form->cmdstart->isEnabled());
}

void TestUiFiles::spreadsheetExportConsumesSavedFile()
{
    Rig rig;
    QVERIFY(rig.start(QStringLiteral("English"), m_recorder));
    QVERIFY(QDir(rig.currentDir.path()).mkdir(QStringLiteral("My Data")));
    rig.run(kRun);
    rig.prompts.files.enqueue(rig.cur(QStringLiteral("My Data/run 1")));
    rig.form->SScommand4_Click();
    const QString saved = rig.cur(QStringLiteral("My Data/run 1.csv"));
    QCOMPARE(rig.form->SavedFileName(), saved);
    QFile::remove(m_record);
    bool enabledDuringWait = true;
    QTimer::singleShot(kDuringWaitMs, [&] { enabledDuringWait = rig.form->cmdstart->isEnabled(); });

    rig.form->cmdstart_Click();

    QCOMPARE(recorded(m_record), (QStringList{QStringLiteral("spread.sh"), saved}));
    QVERIFY(!enabledDuringWait);
    QVERIFY(rig.form->cmdstart->isEnabled());
    QCOMPARE(rig.form->SavedFileName(), QString());
    QCOMPARE(rig.prompts.texts(), QStringList());

    rig.form->cmdstart_Click();
    QCOMPARE(rig.prompts.texts(), QStringList{"Data for export missing,\r\n Please save the measurement first !"});
}

void TestUiFiles::editorExportChoosesBySize_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("editor");
    QTest::newRow("59999 bytes") << qint64(59999) << "Notepad";
    QTest::newRow("60000 bytes") << qint64(60000) << "Write";
}

void TestUiFiles::editorExportChoosesBySize()
{
    QFETCH(qint64, size);
    Rig rig;
    QVERIFY(rig.start(QStringLiteral("English")));
    QVERIFY(rig.saveRun());
    QVERIFY(QFile::resize(rig.form->SavedFileName(), size));
    QFile::remove(m_record);

    rig.form->SSCommand6_Click();

    const QStringList args = recorded(m_record);
    QCOMPARE(args.size(), 2);
    QTEST(args.first(), "editor");
    QCOMPARE(args.at(1), rig.cur(QStringLiteral("run.csv")));
    QCOMPARE(rig.form->SavedFileName(), QString());
    QVERIFY(rig.form->cmdstart->isEnabled());
}

void TestUiFiles::missingProgramGoesToDesktop_data()
{
    QTest::addColumn<QString>("spreadsheet");
    QTest::addColumn<bool>("desktopAccepts");
    QTest::newRow("empty field: WRITE, desktop opens") << "" << true;
    QTest::newRow("path not there, desktop opens") << "/zkd-nowhere/excel.exe" << true;
    QTest::newRow("path not there, desktop has nothing") << "/zkd-nowhere/excel.exe" << false;
}

void TestUiFiles::missingProgramGoesToDesktop()
{
    QFETCH(QString, spreadsheet);
    QFETCH(bool, desktopAccepts);
    Rig rig;
    QVERIFY(rig.start(QStringLiteral("English"), spreadsheet));
    QVERIFY(rig.saveRun());
    rig.desktopAccepts = desktopAccepts;

    rig.form->cmdstart_Click();

    QCOMPARE(rig.handedToDesktop, QList<QUrl>{QUrl::fromLocalFile(rig.cur(QStringLiteral("run.csv")))});
    QVERIFY(rig.form->cmdstart->isEnabled());
    if (desktopAccepts) {
        QCOMPARE(rig.prompts.texts(), QStringList());
        QCOMPARE(rig.form->SavedFileName(), QString());
    } else {
        QCOMPARE(rig.prompts.messages.size(), 1);
        QVERIFY(rig.prompts.messages.first().text.contains(spreadsheet));
        QCOMPARE(rig.prompts.messages.first().icon, PromptIcon::Warning);
        QCOMPARE(rig.form->SavedFileName(), rig.cur(QStringLiteral("run.csv")));
    }
}

void TestUiFiles::programThatCannotStartIsReported()
{
    const QString broken = m_tools.filePath(QStringLiteral("broken"));
    QVERIFY(writeFile(broken,
                      QByteArray("\x7f"
                                 "ELF\x02\x01",
                                 6)));
    QVERIFY(QFile::setPermissions(broken, QFile::permissions(broken) | QFileDevice::ExeOwner));
    Rig rig;
    QVERIFY(rig.start(QStringLiteral("English"), broken));
    rig.prompts.files.enqueue(rig.cur(QStringLiteral("a.csv")));

    rig.form->SScommand3_Click();

    QCOMPARE(rig.prompts.messages.size(), 1);
    QVERIFY2(rig.prompts.messages.first().text.startsWith(QStringLiteral("The program \"") + broken),
             qPrintable(rig.prompts.messages.first().text));
    QVERIFY(rig.form->cmdstart->isEnabled());
    QVERIFY(rig.handedToDesktop.isEmpty());
}

void TestUiFiles::exitWhileProgramOpenLeavesItRunning()
{
    // A spreadsheet the user still works in: it notes its process number and stays.
    const QString pidFile = m_tools.filePath(QStringLiteral("sheet.pid"));
    const QString sheet = m_tools.filePath(QStringLiteral("sheet.sh"));
    QVERIFY(writeFile(sheet, "#!/bin/sh\necho $$ > '" + pidFile.toLocal8Bit() + "'\nexec sleep 60\n"));
    QVERIFY(QFile::setPermissions(sheet, QFile::permissions(sheet) | QFileDevice::ExeOwner));
    QFile::remove(pidFile);
    Rig rig;
    QVERIFY(rig.start(QStringLiteral("English"), sheet));
    rig.prompts.files.enqueue(rig.cur(QStringLiteral("a.csv")));
    QSignalSpy ended(rig.form.get(), &Form1::programEnded);
    pid_t sheetPid = 0;
    const auto stopSheet = qScopeGuard([&sheetPid] {
        if (sheetPid > 0)
            ::kill(sheetPid, SIGKILL);
    });
    // Exit (nothing unsaved: no question) once the program is up.
    QTimer poll;
    QDeadlineTimer giveUp(10000);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        sheetPid = pid_t(readFile(pidFile).trimmed().toInt());
        if (sheetPid > 0 || giveUp.hasExpired()) {
            poll.stop();
            rig.form->SSCommand1_Click();
        }
    });
    poll.start(20);

    rig.form->SScommand3_Click();

    QCOMPARE(ended.size(), 1);
    QVERIFY2(sheetPid > 0, "the program never started");
    // Still there after the recorder let go of it, and not a zombie.
    QTest::qWait(300);
    QCOMPARE(::kill(sheetPid, 0), 0);
    const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(sheetPid));
    const qsizetype close = stat.lastIndexOf(')');
    QVERIFY2(close > 0 && stat.mid(close + 2, 1) != "Z", stat.constData());
}

void TestUiFiles::unloadGoesOnAfterExitReturns_data()
{
    QTest::addColumn<PromptButton>("second"); // the answer to the unload's own drain box
    QTest::newRow("Abort keeps the program") << PromptButton::Abort;
    QTest::newRow("Ignore ends it") << PromptButton::Ignore;
}

void TestUiFiles::unloadGoesOnAfterExitReturns()
{
    QFETCH(PromptButton, second);
    Rig rig;
    QVERIFY(rig.start(QStringLiteral("English")));
    rig.run(kRun);
    rig.form->MOpen_Click();
    QVERIFY(rig.form->comm().PortOpen());
    // Nobody reads the line: what is sent stays queued.
    rig.form->comm().Output(QByteArray(1 << 20, 'x'));
    QVERIFY(rig.form->comm().OutBufferCount() > 0);
    QTimer clockHand;
    QObject::connect(&clockHand, &QTimer::timeout, [&rig] { rig.clock.monotonic += 10001; });
    clockHand.start(5);
    QSignalSpy ended(rig.form.get(), &Form1::programEnded);
    // Exit's question: Yes; its save dialog: cancelled; its unload's drain: Abort.
    rig.answer(QStringLiteral("Y"));
    rig.prompts.answers << PromptButton::Abort << second;

    std::int16_t cancel = 0;
    rig.form->Form_Unload(cancel);

    const QString drain = QStringLiteral("Data cannot be sent");
    QCOMPARE(rig.prompts.texts(), (QStringList{QStringLiteral("Do you want to save the datafile ?"), drain, drain}));
    QCOMPARE(rig.prompts.messages.last().buttons,
             (QList<PromptButton>{PromptButton::Abort, PromptButton::Retry, PromptButton::Ignore}));
    if (second == PromptButton::Abort) {
        QVERIFY(cancel != 0);
        QCOMPARE(ended.size(), 0);
        QVERIFY(rig.form->comm().PortOpen());
        // The run stays in the working file and the recording goes on behind it.
        rig.form->ProcessReceived("more\r\n");
        QCOMPARE(rig.workFile(), kRunFile + "more\r\n");
    } else {
        QCOMPARE(cancel, std::int16_t(0));
        QCOMPARE(ended.size(), 1);
        QVERIFY(!rig.form->comm().PortOpen());
        QCOMPARE(rig.form->WorkFileNumber(), std::int16_t(0));
        QCOMPARE(rig.workFile(), kRunFile);
    }
}

void TestUiFiles::help_data()
{
    QTest::addColumn<bool>("manualThere");
    QTest::addColumn<bool>("desktopAccepts");
    QTest::addColumn<bool>("reported");
    QTest::newRow("manual opens") << true << true << false;
    QTest::newRow("no manual") << false << true << true;
    QTest::newRow("no program for PDF") << true << false << true;
}

void TestUiFiles::help()
{
    QFETCH(bool, manualThere);
    QFETCH(bool, desktopAccepts);
    QFETCH(bool, reported);
    Rig rig;
    // A program folder with a blank in its path.
    rig.deps.programDir = rig.programDir.filePath(QStringLiteral("my docs"));
    QVERIFY(rig.start(QStringLiteral("Francais")));
    const QString manual = QDir(rig.deps.programDir).filePath(QStringLiteral("ZKD735.pdf"));
    if (manualThere)
        QVERIFY(writeFile(manual, "%PDF-1.4"));
    rig.desktopAccepts = desktopAccepts;

    rig.form->Help_Click();

    QCOMPARE(rig.handedToDesktop, manualThere ? QList<QUrl>{QUrl::fromLocalFile(manual)} : QList<QUrl>{});
    QCOMPARE(rig.prompts.messages.size(), reported ? 1 : 0);
    if (reported)
        QVERIFY(rig.prompts.messages.first().text.startsWith(QStringLiteral("Le manuel \"") + manual));
}

void TestUiFiles::shellOpen_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<QString>("commandAfter");
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<bool>("toDesktop");
    const QString doc = m_tools.filePath(QStringLiteral("my tools/manual.pdf"));
    const QString quotedRecorder = QLatin1Char('"') + m_recorder + QLatin1Char('"');
    QTest::newRow("quoted document") << QLatin1Char('"') + doc + QLatin1Char('"') << true << doc << QStringList()
                                     << true;
    QTest::newRow("quoted program with parameters")
        << quotedRecorder + QStringLiteral(" -f  \"a b\"") << true << m_recorder + QStringLiteral(" -f  \"a b\"")
        << QStringList{"spread.sh", "-f", "a b"} << false;
    QTest::newRow("unquoted program path with blank")
        << m_recorder + QStringLiteral(" x") << true << m_recorder + QStringLiteral(" x")
        << QStringList{"spread.sh", "x"} << false;
    QTest::newRow("missing program") << "/zkd-nowhere/view.exe data.csv" << false << "/zkd-nowhere/view.exe data.csv"
                                     << QStringList() << false;
}

void TestUiFiles::shellOpen()
{
    QFETCH(QString, command);
    QFETCH(bool, opened);
    QFETCH(QStringList, started);
    QFETCH(bool, toDesktop);
    QVERIFY(writeFile(m_tools.filePath(QStringLiteral("my tools/manual.pdf")), "%PDF-1.4"));
    QFile::remove(m_record);
    QList<QUrl> handed;
    setDesktopOpener([&handed](const QUrl &url) {
        handed << url;
        return true;
    });
    qint32 show = 1;

    const qint32 result = ShellOpen(command, show);
    setDesktopOpener({});

    QCOMPARE(result >= kShellOpenFailedBelow, opened);
    QTEST(command, "commandAfter");
    QCOMPARE(handed.size(), toDesktop ? 1 : 0);
    if (started.isEmpty())
        QVERIFY(!QFile::exists(m_record));
    else
        QTRY_COMPARE(recorded(m_record), started);
}

QTEST_MAIN(TestUiFiles)
#include "tst_ui_files.moc"
