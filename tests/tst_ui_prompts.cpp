#include "FormFixture.h"
#include "app/QtTranslations.h"
#include "app/WidgetPrompts.h"
#include "util/Texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>
#include <QtTest>
#include <functional>

using namespace zkd;

namespace {

// Runs `look` on the modal dialog of type T that `open` brings up, then
// closes it as the user's Escape would.
template <typename T> void whileOpen(const std::function<void()> &open, const std::function<void(T *)> &look)
{
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!dialog || seen)
            return;
        seen = true;
        look(dialog);
        dialog->reject();
    });
    poll.start(20);
    open();
    QVERIFY(seen);
}

QStringList comboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// The names the dialog's list shows in its current folder, once they have
// settled (the folder is read in the background).
QStringList listedNames(QFileDialog *dialog)
{
    const auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
    const auto read = [view] {
        QStringList names;
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row)
            names << view->model()->index(row, 0, root).data().toString();
        names.sort();
        return names;
    };
    QStringList before;
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        QTest::qWait(100);
        const QStringList now = read();
        if (!now.isEmpty() && now == before)
            return now;
        before = now;
    }
    return before;
}

} // namespace

class TestWidgetPrompts : public QObject
{
    Q_OBJECT
private slots:
    // The overwrite question names the file the user typed; markup in the
    // name is shown as written.
    void saveNameWithMarkupIsShownAsWritten()
    {
        test::FormFixture fx;
        QVERIFY(fx.writeSettings(fx.settings("1", "English")));
        Form1 &f = fx.startForm();
        const QString name = fx.currentDir.filePath(QStringLiteral("<b>run&amp;.csv"));
        QFile existing(name);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        fx.prompts.files.enqueue(name);
        fx.prompts.answers.enqueue(PromptButton::No);
        f.SScommand4_Click();
        QCOMPARE(fx.prompts.messages.size(), 1);
        const PromptMessage question = fx.prompts.messages.first();
        QVERIFY(question.text.contains(QStringLiteral("<b>run&amp;.csv")));

        WidgetPrompts prompts;
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        whileOpen<QMessageBox>([&] { prompts.ask(question); },
                               [&](QMessageBox *box) {
                                   const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
                                   shown = label->text();
                                   format = label->textFormat();
                               });
        QCOMPARE(shown, question.text);
        QCOMPARE(format, Qt::PlainText);
    }

    // Qt's own buttons speak the program's language: the save question in
    // German offers Ja and Nein.
    void standardButtonsInTheLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("yes");
        QTest::addColumn<QString>("no");
        QTest::newRow("German") << "Deutsch"
                                << "&Ja"
                                << "&Nein";
        QTest::newRow("French") << "Francais"
                                << "&Oui"
                                << "&Non";
        QTest::newRow("English") << "English"
                                 << "&Yes"
                                 << "&No";
        QTest::newRow("no language: Qt's English") << "Klingon"
                                                   << "&Yes"
                                                   << "&No";
    }
    void standardButtonsInTheLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, yes);
        QFETCH(QString, no);
        const Language lang(language);
        const std::unique_ptr<QTranslator> translation = installQtTranslations(lang);
        QCOMPARE(translation != nullptr, lang.isGerman() || lang.isFrench());

        WidgetPrompts prompts;
        QStringList shown;
        whileOpen<QMessageBox>(
            [&] {
                prompts.ask({pickOrEmpty(lang, texts::SaveQuestion),
                             str(texts::AppTitle),
                             PromptIcon::Question,
                             {PromptButton::Yes, PromptButton::No}});
            },
            [&](QMessageBox *box) {
                shown << box->button(QMessageBox::Yes)->text() << box->button(QMessageBox::No)->text();
            });
        QCOMPARE(shown, (QStringList{yes, no}));
    }

    void saveDialogTakesTheTitleAsGiven_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("no language: empty") << QString();
        QTest::newRow("English") << QStringLiteral("Do you want to save the measurement ?");
    }
    void saveDialogTakesTheTitleAsGiven()
    {
        QFETCH(QString, title);
        QTemporaryDir dir;
        WidgetPrompts prompts;
        QString shownTitle = QStringLiteral("<not shown>");
        QStringList types;
        whileOpen<QFileDialog>(
            [&] {
                prompts.saveFile({title, dir.path(), str(texts::CsvFilter), QString()});
            },
            [&](QFileDialog *dialog) {
                shownTitle = dialog->windowTitle();
                types = comboItems(dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo")));
            });
        QCOMPARE(shownTitle, title);
        QCOMPARE(types, QStringList{QStringLiteral("Filetyp Excel(*.csv)")});
    }

    void allFilesListsFilesWithoutExtension()
    {
        QTemporaryDir dir;
        for (const char *name : {"run.csv", "README", "notes.txt"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        WidgetPrompts prompts;
        QStringList types;
        QStringList csvOnly;
        QStringList all;
        whileOpen<QFileDialog>(
            [&] {
                prompts.openFile({QStringLiteral("Measurment Files"), dir.path(), str(texts::OpenFilter), {}});
            },
            [&](QFileDialog *dialog) {
                types = comboItems(dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo")));
                csvOnly = listedNames(dialog);
                dialog->selectNameFilter(dialog->nameFilters().value(1));
                all = listedNames(dialog);
            });
        QCOMPARE(types, (QStringList{QStringLiteral("Filetyp Excel(*.csv)"), QStringLiteral("All Files (*.*)")}));
        QCOMPARE(csvOnly, QStringList{QStringLiteral("run.csv")});
        QCOMPARE(all, (QStringList{QStringLiteral("README"), QStringLiteral("notes.txt"), QStringLiteral("run.csv")}));
    }
};

QTEST_MAIN(TestWidgetPrompts)
#include "tst_ui_prompts.moc"
