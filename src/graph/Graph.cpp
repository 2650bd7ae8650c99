#include "graph/Graph.h"

#include "app/Form1.h"
#include "app/Icons.h"
#include "app/ScaleLabel.h"
#include "util/Numbers.h"
#include "util/Texts.h"

#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace zkd {
namespace {

constexpr QColor kInput1Colour(0, 0, 192);
constexpr QColor kInput2Colour(192, 0, 0);
constexpr QColor kGridColour(220, 220, 220);
constexpr QColor kPlotBackground(252, 252, 255);

// Size of the scale labels, in twips as the window was laid out.
constexpr int kScaleLabelWidthTwips = 555;
constexpr int kScaleLabelHeightTwips = 4290;
constexpr int kTwipsPerInch = 1440;

// Ticks of a value axis: the scale texts have eleven, so the grid matches them.
constexpr int kValueTickCount = 11;
// A minute between grid lines of the time axis.
constexpr double kTimeTickSeconds = 60.0;
// The value axis of a full scale of 0 (no sensor code recognised yet) spans
// this much instead of collapsing to a line.
constexpr double kEmptyScaleSpan = 1.0;
constexpr qreal kTracePenWidth = 1.6;
constexpr int kLiveFontGrowth = 2;
// Widest live value kept in view without the row jumping as values change.
constexpr const char16_t *kLiveValueSample = u"-00000.0";
constexpr QSize kInitialSize(820, 540);
constexpr int kChartMinimumWidth = 320;

// Captions as built, shown until the first load and refresh replace them.
constexpr const char16_t *kScale1AsBuilt = texts::GraphScale1Built;
constexpr const char16_t *kUnit1AsBuilt = texts::GraphUnit1Built;
constexpr const char16_t *kUnit2AsBuilt = texts::GraphUnit2Built;
constexpr const char16_t *kLoggingTimeAsBuilt = texts::GraphLoggingTimeBuilt;
constexpr const char16_t *kActAsBuilt = texts::GraphActBuilt;

int twipsToPixels(int twips, int dotsPerInch)
{
    return (twips * dotsPerInch + kTwipsPerInch / 2) / kTwipsPerInch;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, const QColor &colour)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    return label;
}

void setValueRange(QValueAxis *axis, std::int16_t top, std::int16_t bottom)
{
    const double low = bottom;
    const double high = top > bottom ? static_cast<double>(top) : low + kEmptyScaleSpan;
    axis->setRange(low, high);
}

QValueAxis *makeValueAxis(const QColor &colour, bool drawsGrid)
{
    auto *axis = new QValueAxis;
    axis->setTickCount(kValueTickCount);
    // The scale labels beside the chart carry the numbers.
    axis->setLabelsVisible(false);
    axis->setLinePen(QPen(colour, 1.0));
    axis->setGridLineVisible(drawsGrid);
    axis->setGridLinePen(QPen(kGridColour, 1.0));
    axis->setMinorGridLineVisible(false);
    return axis;
}

} // namespace

Graph::Graph(Form1 &form1) : QWidget(&form1, Qt::Window), m_form1(form1)
{
    setObjectName(QStringLiteral("Graph"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(str(texts::GraphCaptionInitial));
    setWindowIcon(pictureIcon(Picture::Activity));
    buildControls();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kRefreshInterval);
    connect(Timer1, &QTimer::timeout, this, &Graph::Timer1_Timer);

    resize(kInitialSize);
}

Graph::~Graph() = default;

void Graph::buildControls()
{
    buildChart();

    const auto scaleColumn = [this](ScaleLabel *&scale, QLabel *&unit, const char *scaleName, const char *unitName,
                                    const QString &unitText, const QColor &colour, Qt::Alignment side) {
        auto *box = new QWidget(this);
        auto *column = new QVBoxLayout(box);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        scale = new ScaleLabel(box);
        scale->setObjectName(QString::fromLatin1(scaleName));
        scale->setTextColour(colour);
        unit = makeLabel(box, unitName, unitText, colour);
        unit->setAlignment(side | Qt::AlignTop);
        column->addWidget(scale, 1, side);
        column->addWidget(unit);
        return column;
    };
    m_scaleColumn1 = scaleColumn(Label1, Label7, "Label1", "Label7", str(kUnit1AsBuilt), kInput1Colour, Qt::AlignRight);
    m_scaleColumn2 = scaleColumn(Label2, Label8, "Label2", "Label8", str(kUnit2AsBuilt), kInput2Colour, Qt::AlignLeft);
    Label1->setText(str(kScale1AsBuilt));

    Label3 = makeLabel(this, "Label3", str(texts::GraphInp1Act), kInput1Colour);
    Label10 = makeLabel(this, "Label10", str(kActAsBuilt), kInput1Colour);
    Label6 = makeLabel(this, "Label6", QString(), kInput1Colour);
    Label5 = makeLabel(this, "Label5", str(texts::GraphInp2Act), kInput2Colour);
    Label11 = makeLabel(this, "Label11", str(kActAsBuilt), kInput2Colour);
    Label4 = makeLabel(this, "Label4", QString(), kInput2Colour);
    Label9 = new QLabel(str(kLoggingTimeAsBuilt), this);
    Label9->setObjectName(QStringLiteral("Label9"));
    Label9->setTextFormat(Qt::PlainText);
    for (QLabel *value : {Label10, Label11}) {
        QFont f = value->font();
        f.setBold(true);
        f.setPointSize(f.pointSize() + kLiveFontGrowth);
        value->setFont(f);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(str(kLiveValueSample)));
    }

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 8, 8);
    root->setSpacing(6);
    auto *chartRow = new QHBoxLayout;
    chartRow->setSpacing(0);
    chartRow->addWidget(m_scaleColumn1->parentWidget());
    chartRow->addWidget(Chartl321, 1);
    chartRow->addWidget(m_scaleColumn2->parentWidget());
    root->addLayout(chartRow, 1);

    auto *liveRow = new QHBoxLayout;
    liveRow->setSpacing(4);
    liveRow->addWidget(Label3);
    liveRow->addWidget(Label10);
    liveRow->addWidget(Label6);
    liveRow->addSpacing(24);
    liveRow->addWidget(Label5);
    liveRow->addWidget(Label11);
    liveRow->addWidget(Label4);
    liveRow->addStretch(1);
    liveRow->addWidget(Label9);
    root->addLayout(liveRow);
}

void Graph::buildChart()
{
    m_chart = new QChart;
    m_chart->legend()->hide();
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->setBackgroundVisible(false);
    m_chart->setMargins(QMargins(4, 6, 4, 2));
    m_chart->setPlotAreaBackgroundBrush(kPlotBackground);
    m_chart->setPlotAreaBackgroundVisible(true);

    m_series1 = new QLineSeries;
    m_series1->setPen(QPen(kInput1Colour, kTracePenWidth));
    m_series2 = new QLineSeries;
    m_series2->setPen(QPen(kInput2Colour, kTracePenWidth));
    m_chart->addSeries(m_series1);
    m_chart->addSeries(m_series2);

    m_timeAxis = new QValueAxis;
    m_timeAxis->setTickType(QValueAxis::TicksDynamic);
    m_timeAxis->setTickAnchor(0.0);
    m_timeAxis->setTickInterval(kTimeTickSeconds);
    m_timeAxis->setLabelFormat(QStringLiteral("%d"));
    m_timeAxis->setTitleText(str(texts::GraphSeconds).trimmed());
    m_timeAxis->setGridLinePen(QPen(kGridColour, 1.0));
    m_timeAxis->setMinorGridLineVisible(false);
    m_axis1 = makeValueAxis(kInput1Colour, true);
    m_axis2 = makeValueAxis(kInput2Colour, false);
    m_chart->addAxis(m_timeAxis, Qt::AlignBottom);
    m_chart->addAxis(m_axis1, Qt::AlignLeft);
    m_chart->addAxis(m_axis2, Qt::AlignRight);
    m_series1->attachAxis(m_timeAxis);
    m_series1->attachAxis(m_axis1);
    m_series2->attachAxis(m_timeAxis);
    m_series2->attachAxis(m_axis2);
    setValueRange(m_axis1, 0, 0);
    setValueRange(m_axis2, 0, 0);

    Chartl321 = new QChartView(m_chart, this);
    Chartl321->setObjectName(QStringLiteral("Chartl321"));
    Chartl321->setFrameShape(QFrame::NoFrame);
    Chartl321->setStyleSheet(QStringLiteral("background: transparent"));
    Chartl321->setRenderHint(QPainter::Antialiasing);
    Chartl321->setMinimumWidth(kChartMinimumWidth);
    connect(m_chart, &QChart::plotAreaChanged, this, &Graph::alignScales);
    clearChart();
}

void Graph::Form_Load()
{
    const int width = twipsToPixels(kScaleLabelWidthTwips, logicalDpiX());
    const int height = twipsToPixels(kScaleLabelHeightTwips, logicalDpiY());
    for (ScaleLabel *scale : {Label1, Label2}) {
        // Never narrower than the widest tick text, whatever the font.
        scale->setFixedWidth(std::max(width, scale->sizeHint().width()));
        scale->setMinimumHeight(height);
    }
    setWindowTitle(str(texts::GraphCaptionInitial));

    m_form1.Sensorwahl_Click();

    const Globals &g = m_form1.globals();
    setValueRange(m_axis1, g.ScaleMax1, g.ScaleMin1);
    setValueRange(m_axis2, g.ScaleMax2, g.ScaleMin2);

    if (const auto caption = pick(g.language, texts::GraphCaption))
        setWindowTitle(*caption);

    clearChart();
    Timer1->start();
}

void Graph::Timer1_Timer()
{
    m_form1.refreshDisplay();
    Label10->setText(m_form1.Text8->text());
    Label11->setText(m_form1.Text11->text());
    Label9->setText(str(texts::GraphLoggingTime) + m_form1.Secunden->text() + str(texts::GraphSeconds));
    m_samples1.add(plotValue(Label10->text()));
    m_samples2.add(plotValue(Label11->text()));
    advance();
}

std::int32_t Graph::plotValue(const QString &caption)
{
    return roundToInt32(leadingNumber(caption)).value_or(0);
}

void Graph::clearChart()
{
    m_samples1.clear();
    m_samples2.clear();
    advance();
}

void Graph::advance()
{
    m_samples1.toPoints(m_points);
    m_series1->replace(m_points);
    m_samples2.toPoints(m_points);
    m_series2->replace(m_points);
    // The time axis shows the last ten minutes, from 0 until they are filled.
    const double first = static_cast<double>(std::max<qint64>(0, m_samples1.added() - kVisiblePoints));
    m_timeAxis->setRange(first, first + static_cast<double>(kVisiblePoints));
}

void Graph::alignScales()
{
    // A scale label draws its top tick half a line below its top edge and its
    // bottom tick half a line above its bottom edge. The columns share the
    // chart view's row and the view keeps the chart at its own size, so
    // margins taken from the plot area's place in the chart make those ticks
    // meet the top and the bottom of the plot area.
    const QRectF plot = m_chart->plotArea();
    const qreal chartHeight = m_chart->size().height();
    const int halfLine = Label1->fontMetrics().height() / 2;
    const std::pair<QVBoxLayout *, const QLabel *> columns[] = {{m_scaleColumn1, Label7}, {m_scaleColumn2, Label8}};
    for (const auto &[column, unit] : columns) {
        const int top = std::max(0, qRound(plot.top()) - halfLine);
        const int bottom = std::max(0, qRound(chartHeight - plot.bottom()) - halfLine - unit->sizeHint().height());
        const QMargins margins(0, top, 0, bottom);
        if (column->contentsMargins() != margins)
            column->setContentsMargins(margins);
    }
}

QString Graph::scaleText1() const
{
    return Label1->text();
}

QString Graph::scaleText2() const
{
    return Label2->text();
}

void Graph::setScaleTexts(const QString &input1, const QString &input2)
{
    Label1->setText(input1);
    Label2->setText(input2);
}

void Graph::setUnits(const QString &unit1, const QString &unit2)
{
    Label7->setText(unit1);
    Label8->setText(unit2);
    Label6->setText(unit1);
    Label4->setText(unit2);
}

QList<QPointF> Graph::points(Trace trace) const
{
    return series(trace)->points();
}

Graph::AxisRange Graph::valueRange(Trace trace) const
{
    const QValueAxis *axis = valueAxis(trace);
    return {axis->min(), axis->max()};
}

Graph::AxisRange Graph::timeRange() const
{
    return {m_timeAxis->min(), m_timeAxis->max()};
}

QLineSeries *Graph::series(Trace trace) const
{
    return trace == Trace::Input1 ? m_series1 : m_series2;
}

QValueAxis *Graph::valueAxis(Trace trace) const
{
    return trace == Trace::Input1 ? m_axis1 : m_axis2;
}

} // namespace zkd
