#pragma once

#include "graph/StripBuffer.h"
#include "util/Texts.h"

#include <QList>
#include <QPointF>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

class QAction;
class QChart;
class QChartView;
class QIODevice;
class QKeyEvent;
class QLabel;
class QLineSeries;
class QMenu;
class QTimer;
class QToolButton;
class QValueAxis;
class QVBoxLayout;

namespace zkd {

class Form1;
class ScaleLabel;

// The live preview: a strip chart of both inputs' actual values, sampled from
// the main window once a second. A separate window owned by the main window;
// it deletes itself when closed, so the main window's pointer to it clears.
//
// The live view shows the last ten minutes and follows the newest sample. The
// mouse wheel zooms the time axis and dragging moves it (both traces
// together, the value axes stay); such a view stays where the user put it
// while samples keep arriving, until a double-click, the live button or Home
// returns to the live view. The context menu saves the window as a picture
// and the shown points as a data file.
class Graph : public QWidget
{
    Q_OBJECT
public:
    // Samples shown per trace in the live view: ten minutes at one sample a second.
    static constexpr qsizetype kVisiblePoints = 600;
    // Samples kept per trace: an hour, as far back as a zoomed or moved view reaches.
    static constexpr qsizetype kHistoryPoints = 3600;
    // The narrowest stretch of time a zoom shows, in seconds.
    static constexpr double kMinimumSpan = 10.0;
    // One notch of the mouse wheel narrows or widens the time axis by this factor.
    static constexpr double kWheelZoom = 1.25;
    static constexpr std::chrono::milliseconds kRefreshInterval{1000};

    enum class Trace { Input1, Input2 };

    struct AxisRange
    {
        double min = 0.0;
        double max = 0.0;
    };

    explicit Graph(Form1 &form1);
    ~Graph() override;

    // Load step: sizes the scale labels, runs the main window's sensor
    // selection, sets both value axes from the full scales, titles the window
    // for the language and starts an empty chart and the refresh timer.
    void Form_Load();
    // Refresh: copies the main window's ACT values and logging time and adds
    // one point to each trace.
    void Timer1_Timer();

    QString scaleText1() const;
    QString scaleText2() const;
    void setScaleTexts(const QString &input1, const QString &input2);
    // Units of input 1 and 2: the legends below the scales and the units after the live values.
    void setUnits(const QString &unit1, const QString &unit2);

    // What the chart shows: the trace's points, oldest first, x = second of
    // the sample counted from the load, and the axis ranges. In a zoomed or
    // moved view the traces begin and end where they cross the plot's edges.
    QList<QPointF> points(Trace trace) const;
    AxisRange valueRange(Trace trace) const;
    AxisRange timeRange() const;

    bool isLive() const { return m_live; }
    // Narrows (factor below 1) or widens the time axis around the second
    // `anchor`, which keeps its place; leaves the live view.
    void zoomTime(double factor, double anchor);
    // Moves the time axis by `seconds`, negative into the past; leaves the live view.
    void panTime(double seconds);
    void showLive();
    // The second under a point of the chart view's viewport.
    double timeAt(const QPoint &viewportPos) const;

    // Context-menu commands. The picture is PNG or SVG by the chosen name's
    // ending (PNG when it has neither); the data file holds the points shown.
    void savePicture();
    void saveData();
    // The data file's content: a header line, then one line per second shown
    // with the value of each input; the language decides the decimal mark and
    // the field separator (";" beside a decimal comma).
    QByteArray dataFileContent() const;

    QMenu *contextMenu() const { return m_menu; }
    QToolButton *liveButton() const { return m_liveButton; }

    // The value an actual value plots: its leading number rounded halves to
    // even; 0 when it does not fit 32 bits.
    static std::int32_t plotValue(double leading);

    // Controls, named as the program describes them.
    QChartView *Chartl321 = nullptr;
    QTimer *Timer1 = nullptr;
    ScaleLabel *Label1 = nullptr;
    ScaleLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *Label9 = nullptr;
    QLabel *Label10 = nullptr;
    QLabel *Label11 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct SampleSpan
    {
        qint64 first;
        qint64 last;
    };
    void buildTools();
    void applyToolTexts();
    QString say(const LangText &text) const;
    void setView(double min, double max);
    void refreshSeries();
    void placeLiveButton();
    SampleSpan shownSamples() const;
    SampleSpan keptSeconds() const;
    bool handleViewportEvent(QEvent *event);
    bool handleKey(const QKeyEvent &key);
    std::optional<QString> askSavePath(const LangText &title, const LangText &filter, const char16_t *name);
    bool writeAtomically(const QString &path, const std::function<bool(QIODevice &)> &write);
    bool writePicture(QIODevice &out, bool svg);

    void buildControls();
    void buildChart();
    void clearChart();
    void advance();
    void alignScales();
    QLineSeries *series(Trace trace) const;
    QValueAxis *valueAxis(Trace trace) const;

    Form1 &m_form1;
    QChart *m_chart = nullptr;
    QLineSeries *m_series1 = nullptr;
    QLineSeries *m_series2 = nullptr;
    QValueAxis *m_timeAxis = nullptr;
    QValueAxis *m_axis1 = nullptr;
    QValueAxis *m_axis2 = nullptr;
    // The scale labels sit in these columns; their margins follow the chart's
    // plot area so that each scale's top and bottom ticks meet the plot's edges.
    QVBoxLayout *m_scaleColumn1 = nullptr;
    QVBoxLayout *m_scaleColumn2 = nullptr;
    StripBuffer m_samples1{kHistoryPoints};
    StripBuffer m_samples2{kHistoryPoints};
    QList<QPointF> m_points;
    bool m_live = true;
    // A drag in progress: where it started and the time axis then.
    bool m_dragging = false;
    int m_dragStartX = 0;
    AxisRange m_dragStartRange;
    QMenu *m_menu = nullptr;
    QAction *m_liveAction = nullptr;
    QAction *m_savePictureAction = nullptr;
    QAction *m_saveDataAction = nullptr;
    QToolButton *m_liveButton = nullptr;
};

} // namespace zkd
