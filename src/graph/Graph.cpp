#include "graph/Graph.h"

#include "app/AccessibleWidgets.h"
#include "app/Form1.h"
#include "app/Icons.h"
#include "app/ScaleLabel.h"
#include "util/Numbers.h"
#include "util/Texts.h"

#include "util/Codec8.h"
#include "util/Prompts.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>
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
// Angle of one notch of a mouse wheel, in eighths of a degree.
constexpr double kWheelNotch = 120.0;
// The arrow keys move the time axis by this share of the shown span.
constexpr double kKeyPanShare = 0.1;
// Gap between the live button and the corner of the plot area, in pixels.
constexpr int kLiveButtonGap = 6;
// Grid steps of the time axis, in seconds; a view gets the first that gives
// it at most kMostTimeTicks grid lines.
constexpr double kTimeSteps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600};
constexpr double kMostTimeTicks = 10.0;

double timeStepFor(double span)
{
    for (const double step : kTimeSteps) {
        if (span / step <= kMostTimeTicks)
            return step;
    }
    return kTimeSteps[std::size(kTimeSteps) - 1];
}

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

// The point where the line from `a` to `b` crosses the time `x`.
QPointF crossing(const QPointF &a, const QPointF &b, double x)
{
    const double share = (x - a.x()) / (b.x() - a.x());
    return {x, a.y() + share * (b.y() - a.y())};
}

// A trace that runs one sample beyond each edge of the time axis ends at the
// edges instead, so that it is drawn across the whole plot and no further.
void clipToTime(QList<QPointF> &points, double min, double max)
{
    if (points.size() < 2) {
        if (!points.isEmpty() && (points.constFirst().x() < min || points.constFirst().x() > max))
            points.clear();
        return;
    }
    if (points[0].x() < min)
        points[0] = crossing(points[0], points[1], min);
    const qsizetype last = points.size() - 1;
    if (points[last].x() > max)
        points[last] = crossing(points[last - 1], points[last], max);
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

    buildTools();
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
    applyToolTexts();

    clearChart();
    Timer1->start();
}

void Graph::Timer1_Timer()
{
    // What the main window's boxes show after their refresh, taken from the
    // record as the pipeline read it.
    m_form1.refreshDisplay();
    const RecordDisplay &shown = m_form1.pipeline().display();
    Label10->setText(shown.value(RecordLine::Value::Act1));
    Label11->setText(shown.value(RecordLine::Value::Act2));
    Label9->setText(str(texts::GraphLoggingTime) + shown.value(RecordLine::Value::Time) + str(texts::GraphSeconds));
    m_samples1.add(plotValue(shown.leading1));
    m_samples2.add(plotValue(shown.leading2));
    advance();
}

std::int32_t Graph::plotValue(double leading)
{
    return roundToInt32(leading).value_or(0);
}

void Graph::clearChart()
{
    m_samples1.clear();
    m_samples2.clear();
    showLive();
}

void Graph::advance()
{
    if (m_live) {
        // The live view shows the last ten minutes, from 0 until they are filled.
        const double first = static_cast<double>(std::max<qint64>(0, m_samples1.added() - kVisiblePoints));
        m_timeAxis->setRange(first, first + static_cast<double>(kVisiblePoints));
    }
    refreshSeries();
}

void Graph::refreshSeries()
{
    SampleSpan span = shownSamples();
    if (m_live) {
        m_samples1.toPoints(m_points, span.first, span.last);
        m_series1->replace(m_points);
        m_samples2.toPoints(m_points, span.first, span.last);
        m_series2->replace(m_points);
        return;
    }
    // One sample beyond each edge, so the lines run to the plot's edges.
    --span.first;
    ++span.last;
    const AxisRange time = timeRange();
    m_samples1.toPoints(m_points, span.first, span.last);
    clipToTime(m_points, time.min, time.max);
    m_series1->replace(m_points);
    m_samples2.toPoints(m_points, span.first, span.last);
    clipToTime(m_points, time.min, time.max);
    m_series2->replace(m_points);
}

Graph::SampleSpan Graph::shownSamples() const
{
    const qint64 newest = m_samples1.added();
    if (m_live)
        return {newest - kVisiblePoints + 1, newest};
    return {static_cast<qint64>(std::ceil(m_timeAxis->min())), static_cast<qint64>(std::floor(m_timeAxis->max()))};
}

Graph::SampleSpan Graph::keptSeconds() const
{
    // From the second before the oldest kept sample to the newest one, and at
    // least the ten minutes of the live view.
    const qint64 first = m_samples1.firstKept() - 1;
    return {first, std::max(m_samples1.added(), first + kVisiblePoints)};
}

void Graph::setView(double min, double max)
{
    const SampleSpan kept = keptSeconds();
    const double low = static_cast<double>(kept.first);
    const double high = static_cast<double>(kept.last);
    const double span = std::clamp(max - min, kMinimumSpan, std::max(kMinimumSpan, high - low));
    const double start = std::clamp(min, low, std::max(low, high - span));
    m_live = false;
    m_timeAxis->setRange(start, start + span);
    m_timeAxis->setTickInterval(timeStepFor(span));
    refreshSeries();
    m_liveAction->setEnabled(true);
    m_liveButton->show();
    placeLiveButton();
}

void Graph::zoomTime(double factor, double anchor)
{
    const AxisRange now = timeRange();
    const double span = now.max - now.min;
    if (!(factor > 0.0) || span <= 0.0)
        return;
    const double at = std::clamp(anchor, now.min, now.max);
    const double newSpan = std::max(kMinimumSpan, span * factor);
    const double min = at - (at - now.min) * newSpan / span;
    setView(min, min + newSpan);
}

void Graph::panTime(double seconds)
{
    const AxisRange now = timeRange();
    setView(now.min + seconds, now.max + seconds);
}

void Graph::showLive()
{
    m_live = true;
    m_dragging = false;
    m_timeAxis->setTickInterval(kTimeTickSeconds);
    if (m_liveAction) {
        m_liveAction->setEnabled(false);
        m_liveButton->hide();
    }
    advance();
}

double Graph::timeAt(const QPoint &viewportPos) const
{
    const QPointF inChart = m_chart->mapFromScene(Chartl321->mapToScene(viewportPos));
    const QRectF plot = m_chart->plotArea();
    const AxisRange now = timeRange();
    if (plot.width() <= 0.0)
        return (now.min + now.max) / 2.0;
    return now.min + (inChart.x() - plot.left()) / plot.width() * (now.max - now.min);
}

void Graph::buildTools()
{
    Chartl321->viewport()->installEventFilter(this);
    Chartl321->installEventFilter(this);
    Chartl321->viewport()->setCursor(Qt::OpenHandCursor);
    Chartl321->setFocusPolicy(Qt::StrongFocus);

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("GraphMenu"));
    m_liveAction = m_menu->addAction(QString(), this, &Graph::showLive);
    m_liveAction->setObjectName(QStringLiteral("GraphLive"));
    m_liveAction->setEnabled(false);
    m_menu->addSeparator();
    m_savePictureAction = m_menu->addAction(QString(), this, &Graph::savePicture);
    m_savePictureAction->setObjectName(QStringLiteral("GraphSavePicture"));
    m_saveDataAction = m_menu->addAction(QString(), this, &Graph::saveData);
    m_saveDataAction->setObjectName(QStringLiteral("GraphSaveData"));

    // Floats over the plot's top right corner while the view is not live.
    m_liveButton = new QToolButton(Chartl321->viewport());
    m_liveButton->setObjectName(QStringLiteral("GraphLiveButton"));
    m_liveButton->setCursor(Qt::PointingHandCursor);
    m_liveButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Its own look: the chart view's transparent background would otherwise reach it.
    m_liveButton->setStyleSheet(QStringLiteral(
        "QToolButton { background: #ffffff; color: #202020; border: 1px solid #8a8a8a; border-radius: 3px;"
        " padding: 2px 8px; } QToolButton:hover { background: #e6ecfa; }"));
    connect(m_liveButton, &QToolButton::clicked, this, &Graph::showLive);
    m_liveButton->hide();
    connect(m_chart, &QChart::plotAreaChanged, this, &Graph::placeLiveButton);
    applyToolTexts();
}

QString Graph::say(const LangText &text) const
{
    return pick(m_form1.globals().language, text).value_or(str(text.en));
}

void Graph::applyToolTexts()
{
    m_liveButton->setText(say(texts::GraphLiveButton));
    m_liveButton->setToolTip(say(texts::GraphLiveTip));
    m_liveButton->adjustSize();
    m_liveAction->setText(say(texts::GraphLiveAction));
    m_savePictureAction->setText(say(texts::GraphSavePicture));
    m_saveDataAction->setText(say(texts::GraphSaveData));
    Chartl321->setAccessibleName(say(texts::GraphChartName));
    Chartl321->setAccessibleDescription(say(texts::GraphChartDescription));
    const Language &language = m_form1.globals().language;
    describeScale(*Label1, 1, language);
    describeScale(*Label2, 2, language);
    placeLiveButton();
}

void Graph::placeLiveButton()
{
    const QRectF plot = m_chart->plotArea();
    const QPoint corner = Chartl321->mapFromScene(m_chart->mapToScene(plot.topRight()));
    m_liveButton->move(corner.x() - m_liveButton->width() - kLiveButtonGap, corner.y() + kLiveButtonGap);
}

bool Graph::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Chartl321->viewport())
        return handleViewportEvent(event) || QWidget::eventFilter(watched, event);
    if (watched == Chartl321) {
        if (event->type() == QEvent::KeyPress && handleKey(*static_cast<QKeyEvent *>(event)))
            return true;
        if (event->type() == QEvent::ContextMenu) {
            m_menu->popup(Chartl321->mapToGlobal(Chartl321->rect().center()));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool Graph::handleViewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Wheel: {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        const double notches = wheel->angleDelta().y() / kWheelNotch;
        if (notches != 0.0)
            zoomTime(std::pow(kWheelZoom, -notches), timeAt(wheel->position().toPoint()));
        return true;
    }
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        m_dragging = true;
        m_dragStartX = mouse->position().toPoint().x();
        m_dragStartRange = timeRange();
        Chartl321->viewport()->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_dragging || !(mouse->buttons() & Qt::LeftButton))
            return false;
        const int dx = mouse->position().toPoint().x() - m_dragStartX;
        const qreal width = m_chart->plotArea().width();
        if (dx != 0 && width > 0.0) {
            // Dragging to the right brings earlier seconds into view.
            const double shift = -dx * (m_dragStartRange.max - m_dragStartRange.min) / width;
            setView(m_dragStartRange.min + shift, m_dragStartRange.max + shift);
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            return false;
        m_dragging = false;
        Chartl321->viewport()->setCursor(Qt::OpenHandCursor);
        return true;
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            return false;
        showLive();
        return true;
    case QEvent::ContextMenu: m_menu->popup(static_cast<QContextMenuEvent *>(event)->globalPos()); return true;
    case QEvent::Resize: placeLiveButton(); return false;
    default: return false;
    }
}

bool Graph::handleKey(const QKeyEvent &key)
{
    const AxisRange now = timeRange();
    const double span = now.max - now.min;
    switch (key.key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoomTime(1.0 / kWheelZoom, (now.min + now.max) / 2.0); return true;
    case Qt::Key_Minus: zoomTime(kWheelZoom, (now.min + now.max) / 2.0); return true;
    case Qt::Key_Left: panTime(-span * kKeyPanShare); return true;
    case Qt::Key_Right: panTime(span * kKeyPanShare); return true;
    case Qt::Key_Home:
    case Qt::Key_Escape:
        if (m_live)
            return false;
        showLive();
        return true;
    default: return false;
    }
}

std::optional<QString> Graph::askSavePath(const LangText &title, const LangText &filter, const char16_t *name)
{
    const FileDialogRequest request{say(title), m_form1.deps().currentDir, say(filter), str(name)};
    return m_form1.prompts().saveFile(request);
}

bool Graph::writeAtomically(const QString &path, const std::function<bool(QIODevice &)> &write)
{
    const QFileInfo target(path);
    if (target.exists()) {
        const PromptMessage replace{say(texts::GraphReplace).arg(QDir::toNativeSeparators(path)),
                                    str(texts::AppTitle),
                                    PromptIcon::Question,
                                    {PromptButton::Yes, PromptButton::No}};
        if (m_form1.prompts().ask(replace) != PromptButton::Yes)
            return false;
    }
    // The file appears whole or not at all: QSaveFile writes beside it and
    // renames only after everything was written.
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly) && write(out) && out.commit())
        return true;
    out.cancelWriting();
    const QString folder = QDir::toNativeSeparators(target.absolutePath());
    m_form1.prompts().ask({say(texts::GraphWriteFailed).arg(folder, target.fileName()),
                           str(texts::AppTitle),
                           PromptIcon::Warning,
                           {PromptButton::Ok}});
    return false;
}

void Graph::savePicture()
{
    const auto chosen = askSavePath(texts::GraphPictureTitle, texts::GraphPictureFilter, texts::GraphPictureName);
    if (!chosen)
        return;
    QString path = *chosen;
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool svg = suffix == QLatin1String("svg");
    if (!svg && suffix != QLatin1String("png"))
        path += QLatin1String(".png");
    writeAtomically(path, [this, svg](QIODevice &out) { return writePicture(out, svg); });
}

bool Graph::writePicture(QIODevice &out, bool svg)
{
    // The picture is the window as it stands, without the live button.
    const bool buttonShown = m_liveButton->isVisible();
    m_liveButton->hide();
    bool written = false;
    if (svg) {
        // The SVG painter of this Qt version ignores the chart's clipping: a
        // value beyond its scale is drawn along the scale's end instead of
        // across the rest of the picture.
        const auto keepInside = [](QLineSeries *series, const QValueAxis *axis) {
            QList<QPointF> points = series->points();
            for (QPointF &point : points)
                point.setY(std::clamp(point.y(), axis->min(), axis->max()));
            series->replace(points);
        };
        keepInside(m_series1, m_axis1);
        keepInside(m_series2, m_axis2);
        QSvgGenerator generator;
        generator.setOutputDevice(&out);
        generator.setSize(size());
        generator.setViewBox(rect());
        generator.setTitle(windowTitle());
        QPainter painter;
        if (painter.begin(&generator)) {
            render(&painter);
            written = painter.end();
        }
        refreshSeries();
    } else {
        written = grab().save(&out, "PNG");
    }
    m_liveButton->setVisible(buttonShown);
    return written;
}

void Graph::saveData()
{
    const auto chosen = askSavePath(texts::GraphDataTitle, texts::GraphDataFilter, texts::GraphDataName);
    if (!chosen)
        return;
    const QByteArray content = dataFileContent();
    writeAtomically(*chosen, [&content](QIODevice &out) { return out.write(content) == content.size(); });
}

QByteArray Graph::dataFileContent() const
{
    const Language::Kind kind = m_form1.globals().language.kind();
    const bool decimalComma = kind == Language::Kind::German || kind == Language::Kind::French;
    const QChar separator = decimalComma ? QLatin1Char(';') : QLatin1Char(',');
    const auto field = [separator](const QString &text) {
        if (!text.contains(separator) && !text.contains(QLatin1Char('"')))
            return text;
        return QLatin1Char('"') + QString(text).replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
    };
    const auto number = [decimalComma](double value) {
        QString text = QString::number(value, 'g', 15);
        if (decimalComma)
            text.replace(QLatin1Char('.'), QLatin1Char(','));
        return text;
    };
    const auto inputHeading = [](int input, const QString &unit) {
        const QString name = str(texts::InputCaption).arg(input);
        return unit.isEmpty() ? name : name + QStringLiteral(" (") + unit + QLatin1Char(')');
    };
    static constexpr auto kLineEnd = QLatin1String("\r\n");

    QString text = field(say(texts::GraphDataTime)) + separator + field(inputHeading(1, Label6->text())) + separator
        + field(inputHeading(2, Label4->text())) + kLineEnd;
    const SampleSpan span = shownSamples();
    QList<QPointF> input1;
    QList<QPointF> input2;
    m_samples1.toPoints(input1, span.first, span.last);
    m_samples2.toPoints(input2, span.first, span.last);
    for (qsizetype i = 0; i < input1.size() && i < input2.size(); ++i)
        text += number(input1[i].x()) + separator + number(input1[i].y()) + separator + number(input2[i].y())
            + kLineEnd;
    return encode8(text);
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
