#include "graph/Graph.h"

#include "app/Form1.h"

namespace zkd {

Graph::Graph(Form1 &form1, QWidget *parent) : QWidget(parent, Qt::Window), m_form1(form1)
{
    setObjectName(QStringLiteral("Graph"));
    setAttribute(Qt::WA_DeleteOnClose, false);
}

Graph::~Graph() = default;

void Graph::Form_Load()
{
    m_form1.Sensorwahl_Click();
}

void Graph::Timer1_Timer()
{
}

QString Graph::scaleText1() const
{
    return m_scale1;
}

QString Graph::scaleText2() const
{
    return m_scale2;
}

void Graph::setScaleTexts(const QString &input1, const QString &input2)
{
    m_scale1 = input1;
    m_scale2 = input2;
}

void Graph::setUnits(const QString &, const QString &)
{
}

} // namespace zkd
