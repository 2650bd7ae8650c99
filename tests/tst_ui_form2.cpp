#include "DataRows.h"
#include "FormFixture.h"

#include "app/Form1.h"
#include "app/PictureButton.h"
#include "files/ui/Form2.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPointer>
#include <QTest>

using namespace zkd;
using zkd::test::row;

namespace {

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

QStringList listed(const Form2 &dialog)
{
    QStringList names;
    for (int row = 0; row < dialog.File1->count(); ++row)
        names << dialog.File1->item(row)->text();
    return names;
}

} // namespace

class TestUiForm2 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listsMeasurementFilesOnly();
    void listsNamesBeginningWithADot();
    void deleteButton_data();
    void deleteButton();
    void deleteWhileTheListRefreshes();
    void closeHidesAndKeepsSelection();
    void filesSavedWhileOpenAppear();
    void goesWithTheMainWindow();

private:
    Form2 &dialog() { return *m_fx->form->form2(); }

    // A window, not started, whose current folder holds two measurement files among others.
    std::unique_ptr<test::FormFixture> m_fx;
};

void TestUiForm2::init()
{
    m_fx = std::make_unique<test::FormFixture>();
    for (const char *name : {"a.csv", "b.csv", "Senso.scx", "Senso.bak", "notes.txt"})
        QVERIFY(touch(m_fx->currentDir.filePath(QString::fromLatin1(name))));
    m_fx->buildForm();
}

void TestUiForm2::cleanup()
{
    m_fx.reset();
}

void TestUiForm2::listsMeasurementFilesOnly()
{
    QCOMPARE(listed(dialog()), (QStringList{"a.csv", "b.csv"}));
    QCOMPARE(dialog().File1->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(dialog().isHidden());
}

void TestUiForm2::listsNamesBeginningWithADot()
{
    // ".csv" is what a save named "csv" writes.
    for (const char *name : {".csv", ".old.csv", "csv"})
        QVERIFY(touch(m_fx->currentDir.filePath(QString::fromLatin1(name))));
    dialog().refreshList();
    QCOMPARE(listed(dialog()), (QStringList{".csv", ".old.csv", "a.csv", "b.csv"}));
    dialog().File1->setCurrentRow(0);
    m_fx->prompts.answers.enqueue(PromptButton::Yes);
    dialog().Button1_Click();
    QVERIFY(!QFile::exists(m_fx->currentDir.filePath(QStringLiteral(".csv"))));
    QCOMPARE(listed(dialog()), (QStringList{".old.csv", "a.csv", "b.csv"}));
}

void TestUiForm2::deleteButton_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("select");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("left");
    const QStringList both{"a.csv", "b.csv"};
    row("nothing selected", "English", false, true, "", "", both);
    row("English, No keeps", "English", true, false, "Do you want to delete the selected file ?",
        " delete the selected file", both);
    row("German, Yes removes", "Deutsch", true, true, "Wollen sie die Datei l\u00f6schen !", " Datei l\u00f6schen !",
        QStringList{"b.csv"});
    row("no language, Yes removes", "", true, true, "", "", QStringList{"b.csv"});
}

void TestUiForm2::deleteButton()
{
    QFETCH(QString, language);
    QFETCH(bool, select);
    QFETCH(bool, yes);
    QFETCH(QStringList, left);
    m_fx->form->globals().language = Language(language);
    if (select)
        dialog().File1->setCurrentRow(0);
    m_fx->prompts.answers.enqueue(yes ? PromptButton::Yes : PromptButton::No);

    dialog().Button1_Click();

    QCOMPARE(m_fx->prompts.messages.size(), select ? 1 : 0);
    if (select) {
        const PromptMessage &m = m_fx->prompts.messages.first();
        QTEST(m.text, "question");
        QTEST(m.title, "title");
        QCOMPARE(m.icon, PromptIcon::Question);
        QCOMPARE(m.buttons, (QList<PromptButton>{PromptButton::Yes, PromptButton::No}));
    }
    QCOMPARE(listed(dialog()), left);
    QCOMPARE(QFile::exists(m_fx->currentDir.filePath(QStringLiteral("a.csv"))), left.contains(QStringLiteral("a.csv")));
}

void TestUiForm2::deleteWhileTheListRefreshes()
{
    dialog().File1->setCurrentRow(0);
    m_fx->prompts.onMessage = [this](const PromptMessage &) {
        QVERIFY(touch(m_fx->currentDir.filePath(QStringLiteral("c.csv"))));
        dialog().refreshList();
    };
    m_fx->prompts.answers.enqueue(PromptButton::Yes);

    dialog().Button1_Click();

    QCOMPARE(listed(dialog()), (QStringList{"b.csv", "c.csv"}));
}

void TestUiForm2::closeHidesAndKeepsSelection()
{
    dialog().showDialog();
    dialog().File1->setCurrentRow(1);
    dialog().Button2_Click();
    QVERIFY(dialog().isHidden());
    dialog().showDialog();
    QCOMPARE(dialog().File1->currentItem()->text(), QStringLiteral("b.csv"));
}

void TestUiForm2::filesSavedWhileOpenAppear()
{
    dialog().showDialog();
    dialog().File1->setCurrentRow(1);
    QVERIFY(touch(m_fx->currentDir.filePath(QStringLiteral("new.csv"))));
    QTRY_COMPARE(listed(dialog()), (QStringList{"a.csv", "b.csv", "new.csv"}));
    QCOMPARE(dialog().File1->currentItem()->text(), QStringLiteral("b.csv"));
}

// The list watches the folder and reads the main window's settings, so it
// must not outlive the main window.
void TestUiForm2::goesWithTheMainWindow()
{
    const QPointer<Form2> form2 = &dialog();
    m_fx->form.reset();
    QVERIFY(form2.isNull());
}

QTEST_MAIN(TestUiForm2)
#include "tst_ui_form2.moc"
