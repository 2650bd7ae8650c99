#include "app/InputPanel.h"

#include "serial/RecordPipeline.h"

#include "app/AccessibleWidgets.h"
#include "app/BarMeter.h"
#include "app/ScaleLabel.h"
#include "util/Texts.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace zkd {
namespace {

// On a wide window the panels stop growing at this many average characters.
constexpr int kInputPanelMaxChars = 90;

} // namespace

QLineEdit *valueBox(QWidget *parent, const char *name, const QColor &text, const QColor &background, int pointSize)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setFocusPolicy(Qt::NoFocus);
    box->setStyle(CachedPanelStyle::instance());
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(pointSize);
    f.setBold(pointSize > 14);
    // Numbers from the instrument: laid out without text shaping, as the table.
    f.setStyleStrategy(QFont::PreferNoShaping);
    box->setFont(f);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Text, text);
    pal.setColor(QPalette::Base, background);
    box->setPalette(pal);
    return box;
}

// A value box is read out by the caption above or beside it ("ACT 1"), not
// by the panel it sits in ("INP 1"), which all three boxes of an input share.
QLabel *captionLabel(const QString &text, QWidget *parent, QWidget *box)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(box);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    label->setFont(f);
    label->setStyleSheet(QStringLiteral("color: #555;"));
    return label;
}

InputPanel::InputPanel(int input, const QColor &colour, QWidget *parent)
    : CachedGroupBox(str(texts::InputCaption).arg(input), parent), m_input(input)
{
    const bool first = input == 1;
    // Text8, Text9, Text10 for input 1; Text11, Text12, Text13 for input 2.
    const int firstBox = first ? 8 : 11;
    const auto boxName = [firstBox](int offset) { return QStringLiteral("Text%1").arg(firstBox + offset).toLatin1(); };
    setObjectName(QStringLiteral("Input%1").arg(input));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(8, 6, 8, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    scale = new ScaleLabel(this);
    scale->setObjectName(QStringLiteral("Label%1").arg(first ? 9 : 10));
    scale->setText(str(texts::ScaleBuilt));
    scale->setTextColour(colour);
    scale->setMinimumHeight(181);
    bar = new BarMeter(this);
    bar->setObjectName(QStringLiteral("Bar%1").arg(input));
    bar->setBarColour(colour.lighter(120));
    overflow = new QLabel(str(texts::OverflowMark), this);
    overflow->setObjectName(QStringLiteral("Label%1").arg(first ? 7 : 8));
    overflow->setAlignment(Qt::AlignCenter);
    overflow->setStyleSheet(QStringLiteral("QLabel { color: white; background: #d02020; font-weight: bold;"
                                           " border-radius: 3px; padding: 1px 4px; }"));
    header = new QLabel(this);
    header->setObjectName(QStringLiteral("Label%1").arg(first ? 5 : 6));
    // The instrument's own line: never taken for markup.
    header->setTextFormat(Qt::PlainText);
    header->setStyleSheet(QStringLiteral("color: %1; font-weight: bold;").arg(colour.name()));
    act = valueBox(this, boxName(0).constData(), Qt::black, QColor(255, 255, 192), 26);
    act->setMinimumHeight(56);
    max = valueBox(this, boxName(1).constData(), QColor(192, 0, 0), QColor(224, 224, 224), 13);
    min = valueBox(this, boxName(2).constData(), QColor(0, 0, 192), QColor(224, 224, 224), 13);

    auto *meter = new QGridLayout;
    meter->setSpacing(2);
    meter->addWidget(overflow, 0, 0, 1, 2, Qt::AlignHCenter);
    meter->addWidget(scale, 1, 0);
    meter->addWidget(bar, 1, 1);
    grid->addLayout(meter, 0, 0, 6, 1);
    grid->addWidget(header, 0, 1, 1, 2);
    grid->addWidget(captionLabel(str(texts::ActCaption).arg(input), this, act), 1, 1, 1, 2);
    grid->addWidget(act, 2, 1, 1, 2);
    grid->addWidget(captionLabel(str(texts::MaxCaption).arg(input), this, max), 3, 1);
    grid->addWidget(captionLabel(str(texts::MinCaption).arg(input), this, min), 3, 2);
    grid->addWidget(max, 4, 1);
    grid->addWidget(min, 4, 2);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    // On a wide window the panels stop growing, so the meters and value
    // boxes keep their proportions.
    setMaximumWidth(fontMetrics().averageCharWidth() * kInputPanelMaxChars);
}

void InputPanel::showRecord(const RecordDisplay &display)
{
    using Value = RecordLine::Value;
    const bool first = m_input == 1;
    const auto show = [&display](QLineEdit *box, Value value) {
        if (box->text() != display.value(value))
            box->setText(display.value(value));
    };
    show(act, first ? Value::Act1 : Value::Act2);
    show(max, first ? Value::Max1 : Value::Max2);
    show(min, first ? Value::Min1 : Value::Min2);
    bar->setLevel(first ? display.level1 : display.level2);
    overflow->setVisible(first ? display.overflow1 : display.overflow2);
}

void InputPanel::describe(const Language &language)
{
    describeInput(*bar, *scale, m_input, language);
}

} // namespace zkd
