#include "files/SaveName.h"
#include "files/ShellOpenSplit.h"

#include <QTest>

using namespace zkd;

class TestFilesNames : public QObject
{
    Q_OBJECT

private slots:
    void saveName_data();
    void saveName();
    void shellOpenSplit_data();
    void shellOpenSplit();
};

void TestFilesNames::saveName_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("expected");

    struct Platform
    {
        const char *tag;
        QChar separator;
        QString folder;
    };
    const Platform platforms[] = {{"win", u'\\', QStringLiteral("C:\\Mess.2006\\")},
                                  {"posix", u'/', QStringLiteral("/tmp/Mess.2006/")}};
    const char *const names[][2] = {
        {"Test.csv", "Test.csv"},
        {"Test", "Test.csv"},
        {"my.data.CSV", "mydata.csv"},
        {"Test.txt", "Testtxt.csv"},
        {"Test.Csv", "TestCsv.csv"},
        {"Testcsv", "Test.csv"},
        {"csv", ".csv"},
        {"", ".csv"},
    };
    for (const Platform &p : platforms) {
        for (const auto &n : names) {
            QTest::addRow("%s folder %s", p.tag, n[0])
                << p.folder + QLatin1String(n[0]) << p.separator << p.folder + QLatin1String(n[1]);
            QTest::addRow("%s bare %s", p.tag, n[0])
                << QString::fromLatin1(n[0]) << p.separator << QString::fromLatin1(n[1]);
        }
    }
    QTest::newRow("win slash is part of the name") << "C:\\a/b.c" << QChar(u'\\') << "C:\\a/bc.csv";
    QTest::newRow("posix backslash is part of the name") << "/a\\b.c/d.e" << QChar(u'/') << "/a\\b.c/de.csv";
}

void TestFilesNames::saveName()
{
    QFETCH(QString, chosen);
    QFETCH(QChar, separator);
    QFETCH(QString, expected);
    QCOMPARE(normaliseSaveName(chosen, separator), expected);
}

void TestFilesNames::shellOpenSplit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("folderGiven");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("folder");

    const QChar win(u'\\');
    const QChar posix(u'/');
    // The current folder is "CUR"; a null `command`: the text comes back
    // unchanged; a null `folderGiven`: no folder is given.
    const auto row = [](const char *tag, const QString &text, QChar separator, const QString &program,
                        const QString &parameters, const QString &folder, const QString &command = {},
                        const QString &folderGiven = {}) {
        QTest::newRow(tag) << text << separator << folderGiven << (command.isNull() ? text : command) << program
                           << parameters << folder;
    };
    row("win program and parameters", "C:\\Tools\\view.exe -f data.csv", win, "C:\\Tools\\view.exe", "-f data.csv",
        "C:\\Tools");
    row("win document in drive root", "C:\\a.pdf", win, "C:\\a.pdf", "", "C:\\");
    row("win bare document", "ZKD735.pdf", win, "ZKD735.pdf", "", "CUR");
    row("win unquoted path with blank", "C:\\Program Files\\v.exe data.csv", win, "C:\\Program",
        "Files\\v.exe data.csv", "C:\\");
    row("win unmatched quote", "\"C:\\x y.exe", win, "\"C:\\x y.exe", "", "\"C:\\");
    row("posix program and blanks before parameters", "/opt/tools/view   -f data.csv  ", posix, "/opt/tools/view",
        "-f data.csv  ", "/opt/tools");
    row("posix document in root", "/a.pdf", posix, "/a.pdf", "", "/");
    row("posix bare document", "ZKD735.pdf", posix, "ZKD735.pdf", "", "CUR");
    row("posix unquoted path with blank", "/opt/My Tools/view data.csv", posix, "/opt/My", "Tools/view data.csv",
        "/opt");
    row("posix backslash is no separator", "C:\\a.pdf", posix, "C:\\a.pdf", "", "CUR");

    row("win quoted program with blank", "\"C:\\My Tools\\view.exe\" data.csv", win, "C:\\My Tools\\view.exe",
        "data.csv", "C:\\My Tools", "C:\\My Tools\\view.exe data.csv");
    row("posix quoted program with blank", "\"/opt/My Tools/view\" data.csv", posix, "/opt/My Tools/view", "data.csv",
        "/opt/My Tools", "/opt/My Tools/view data.csv");
    row("folder given", "C:\\Tools\\view.exe x", win, "C:\\Tools\\view.exe", "x", "D:\\Work", {}, "D:\\Work");
}

void TestFilesNames::shellOpenSplit()
{
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    QFETCH(QString, folderGiven);
    const std::optional<QString> given = folderGiven.isNull() ? std::nullopt : std::optional<QString>(folderGiven);

    const ShellOpenSplit split = ShellOpenSplit::split(text, QStringLiteral("CUR"), given, separator);
    QTEST(split.command, "command");
    QTEST(split.program, "program");
    QTEST(split.parameters, "parameters");
    QTEST(split.folder, "folder");
}

QTEST_GUILESS_MAIN(TestFilesNames)
#include "tst_files_names.moc"
