#include "DataRows.h"
#include "FormFixture.h"
#include "app/BarMeter.h"
#include "app/PictureButton.h"
#include "app/ScaleLabel.h"
#include "graph/Graph.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

using zkd::BarMeter;
using zkd::PictureButton;
using zkd::ScaleLabel;
using zkd::test::FormFixture;
using zkd::test::row;

namespace {

QAccessibleInterface *accessible(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

QString nameOf(QWidget *widget)
{
    return accessible(widget)->text(QAccessible::Name);
}

QString descriptionOf(QWidget *widget)
{
    return accessible(widget)->text(QAccessible::Description);
}

} // namespace

// What assistive tools read from the program's own widgets, through Qt's
// accessibility layer, as the widgets' values change.
class TestUiAccessible : public QObject
{
    Q_OBJECT

private slots:
    void metersAndScales_data();
    void metersAndScales();
    void pictureButtons_data();
    void pictureButtons();
    void valueBoxesByTheirCaptions();
};

void TestUiAccessible::metersAndScales_data()
{
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QString>("barName");
    QTest::addColumn<QString>("barDescription"); // at level 123 of 400
    QTest::addColumn<QString>("scaleDescription");

    row("German", QByteArray("Deutsch"), "Balkenanzeige Eingang 1", "Pegel 123 von Vollausschlag 400",
        "Skala von Eingang 1");
    row("English", QByteArray("English"), "Bar meter of input 1", "Level 123 of full scale 400", "Scale of input 1");
    row("French", QByteArray("Francais"), "Barre de niveau de l'entr\u00e9e 1",
        "Niveau 123 sur pleine \u00e9chelle 400", "\u00c9chelle de l'entr\u00e9e 1");
    row("no language reads English", QByteArray("Klingon"), "Bar meter of input 1", "Level 123 of full scale 400",
        "Scale of input 1");
}

void TestUiAccessible::metersAndScales()
{
    QFETCH(QByteArray, language);
    QFETCH(QString, barName);
    QFETCH(QString, barDescription);
    QFETCH(QString, scaleDescription);

    FormFixture f;
    QVERIFY(f.writeSettings(FormFixture::settings("1", language)));
    zkd::Form1 &form = f.startForm();
    form.Text1_0->setText(QStringLiteral("SR1 =  5"));
    form.Text1_1->setText(QStringLiteral("SR2 = 47"));
    form.Sensorwahl_Click();
    form.Bar1->setLevel(123);

    QAccessibleInterface *bar = accessible(form.Bar1);
    QCOMPARE(bar->role(), QAccessible::ProgressBar);
    QCOMPARE(bar->text(QAccessible::Name), barName);
    QCOMPARE(bar->text(QAccessible::Description), barDescription);
    QAccessibleValueInterface *value = bar->valueInterface();
    QVERIFY(value);
    QCOMPARE(value->currentValue().toInt(), 123);
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), 400);
    QCOMPARE(form.Bar1->property("fullScale").toInt(), 400);
    QCOMPARE(nameOf(form.Bar2), QString(barName).replace(QLatin1Char('1'), QLatin1Char('2')));
    QCOMPARE(bar->valueInterface()->maximumValue().toInt(), 400);
    QCOMPARE(accessible(form.Bar2)->valueInterface()->maximumValue().toInt(), 10000);

    // Values set through the properties reach the reader at once.
    QVERIFY(form.Bar1->setProperty("level", 250));
    QCOMPARE(value->currentValue().toInt(), 250);
    QVERIFY(bar->text(QAccessible::Description).contains(QLatin1String("250")));
    QVERIFY(form.Bar1->setProperty("fullScale", 300));
    QCOMPARE(value->maximumValue().toInt(), 300);
    QVERIFY(bar->text(QAccessible::Description).contains(QLatin1String("300")));

    // A scale reads as the tick texts it shows, one blank apart.
    const QList<ScaleLabel *> scales{form.Label9, form.Label10, form.graph()->Label1, form.graph()->Label2};
    for (ScaleLabel *scale : scales) {
        QCOMPARE(accessible(scale)->role(), QAccessible::StaticText);
        QCOMPARE(nameOf(scale), scale->text().simplified());
    }
    QVERIFY(nameOf(form.Label9).startsWith(QLatin1String("400.0 360.0 320.0 ")));
    QVERIFY(nameOf(form.graph()->Label2).startsWith(QLatin1String("10000 ")));
    QCOMPARE(descriptionOf(form.Label9), scaleDescription);
    QCOMPARE(descriptionOf(form.graph()->Label1), scaleDescription);
    QVERIFY(form.Label9->setProperty("text", QStringLiteral("  50     25     0 ")));
    QCOMPARE(nameOf(form.Label9), QStringLiteral("50 25 0"));
}

void TestUiAccessible::pictureButtons_data()
{
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QString>("saveName"); // what the main window's Save button is called

    QTest::newRow("German") << QByteArray("Deutsch") << "Messdaten speichern";
    QTest::newRow("English") << QByteArray("English") << "Save the Measurement File";
    QTest::newRow("French") << QByteArray("Francais") << "Enregistrer la mesure";
}

void TestUiAccessible::pictureButtons()
{
    QFETCH(QByteArray, language);
    QFETCH(QString, saveName);

    FormFixture f;
    QVERIFY(f.writeSettings(FormFixture::settings("1", language)));
    zkd::Form1 &form = f.startForm();
    form.pathpro()->Form_Load();
    QCOMPARE(nameOf(form.Button2), saveName);

    // Every picture button of every window is named by what it does.
    QSet<PictureButton *> buttons;
    for (QWidget *window : {static_cast<QWidget *>(&form), static_cast<QWidget *>(form.form2()),
                            static_cast<QWidget *>(form.pathpro())}) {
        const QList<PictureButton *> found = window->findChildren<PictureButton *>();
        buttons.unite(QSet<PictureButton *>(found.begin(), found.end()));
    }
    QCOMPARE(buttons.size(), 5 + 2 + 3);
    for (PictureButton *button : buttons) {
        QAccessibleInterface *reader = accessible(button);
        QCOMPARE(reader->role(), QAccessible::Button);
        QVERIFY2(!reader->text(QAccessible::Name).isEmpty(), qPrintable(button->objectName()));
        QCOMPARE(reader->text(QAccessible::Name), button->toolTip().trimmed());
    }

    // A changed tooltip renames the button.
    form.Button3->setToolTip(QStringLiteral(" Open a stored measurement "));
    QCOMPARE(nameOf(form.Button3), QStringLiteral("Open a stored measurement"));
}

// Each value box by the caption shown with it, not by its input's panel
// (tests/screen_reader.py reads the same over the desktop's bus).
void TestUiAccessible::valueBoxesByTheirCaptions()
{
    FormFixture f;
    QVERIFY(f.writeSettings(FormFixture::settings("1", "Francais")));
    zkd::Form1 &form = f.startForm();
    const std::pair<QWidget *, const char *> boxes[]{
        {form.Secunden, "Time"}, {form.Text8, "ACT 1"},
        {form.Text9, "MAX 1"},   {form.Text10, "MIN 1"},
        {form.Text11, "ACT 2"},  {form.Text12, "MAX 2"},
        {form.Text13, "MIN 2"},  {form.Term, "Tableau des mesures re\u00e7ues"}};
    for (const auto &[box, name] : boxes)
        QCOMPARE(nameOf(box), QString::fromUtf8(name));
}

QTEST_MAIN(TestUiAccessible)
#include "tst_ui_accessible.moc"
