#pragma once

#include "graph/StripBuffer.h"

#include <QList>
#include <QPointF>
#include <QWidget>

#include <chrono>
#include <cstdint>

class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QTimer;
class QValueAxis;
class QVBoxLayout;

namespace zkd {

class Form1;
class ScaleLabel;

// The live preview: a strip chart of both inputs' actual values, sampled from
// the main window once a second. A separate window owned by the main window;
// it deletes itself when closed, so the main window's pointer to it clears.
class Graph : public QWidget
{
    Q_OBJECT
public:
    // Samples shown per trace: ten minutes at one sample a second.
    static constexpr qsizetype kVisiblePoints = 600;
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
    // the sample counted from the load, and the axis ranges.
    QList<QPointF> points(Trace trace) const;
    AxisRange valueRange(Trace trace) const;
    AxisRange timeRange() const;

    // The value a caption plots: its leading number rounded halves to even;
    // 0 when it has none or when it does not fit 32 bits.
    static std::int32_t plotValue(const QString &caption);

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

private:
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
    StripBuffer m_samples1{kVisiblePoints};
    StripBuffer m_samples2{kVisiblePoints};
    QList<QPointF> m_points;
};

} // namespace zkd
