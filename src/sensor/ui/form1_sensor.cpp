#include "app/BarMeter.h"
#include "app/Form1.h"
#include "app/ScaleLabel.h"
#include "files/ui/FilePrompts.h"
#include "graph/Graph.h"
#include "sensor/HeaderScan.h"
#include "sensor/SensorSelection.h"
#include "util/Prompts.h"

#include <QLabel>
#include <QLineEdit>

namespace zkd {

void Form1::KopfLesen_Click()
{
    // Without a usable settings folder the snapshot is taken beside the
    // working file, so that recording still works.
    const QString snapshotFolder = m_deps.settingsFolderUnusable ? m_deps.currentDir : m_deps.programDir;
    QString refusedLink;
    const HeaderScan::Result scan = m_run.readHeader(workFilePath(), snapshotFolder, m_headerLineBuffer,
                                                     m_globals.headerLines(), &refusedLink);
    if (!refusedLink.isEmpty())
        prompts().ask(refusedLinkWarning(m_globals.language, refusedLink));
    Text1_0->clear();
    Text1_1->clear();
    m_headerLineBuffer = scan.lineBuffer;
    m_globals.setHeaderLines(scan.lines);
    if (scan.label11Caption)
        Label11->setText(*scan.label11Caption);

    if (!HeaderScan::headerArrived(m_globals.Inp1Line)) {
        prompts().ask(transmissionErrorPrompt(m_globals.language));
        SSCommand2_Click();
    }

    Label5->setText(m_globals.Inp1Line);
    Text1_0->setText(m_globals.Sr1Line);
    Label6->setText(m_globals.Inp2Line);
    Text1_1->setText(m_globals.Sr2Line);

    // Touching the graph window creates it hidden; its load step runs the sensor selection.
    Graph *g = graph();
    g->setUnits(HeaderScan::graphUnit(m_globals.Inp1Line), HeaderScan::graphUnit(m_globals.Inp2Line));
}

void Form1::Sensorwahl_Click()
{
    Graph *g = graph();
    SensorSelection::State state;
    state.input1 = {m_globals.ScaleMax1, m_globals.ScaleMin1, Label9->text(), g->scaleText1()};
    state.input2 = {m_globals.ScaleMax2, m_globals.ScaleMin2, Label10->text(), g->scaleText2()};
    const SensorSelection::Result result = m_run.selectSensors(Text1_0->text(), Text1_1->text(), state);
    m_globals.ScaleMax1 = result.state.input1.scaleMax;
    m_globals.ScaleMin1 = result.state.input1.scaleMin;
    m_globals.ScaleMax2 = result.state.input2.scaleMax;
    m_globals.ScaleMin2 = result.state.input2.scaleMin;
    Label9->setText(result.state.input1.mainCaption);
    Label10->setText(result.state.input2.mainCaption);
    g->setScaleTexts(result.state.input1.graphCaption, result.state.input2.graphCaption);
    Bar1->setFullScale(result.bar1FullScale);
    Bar2->setFullScale(result.bar2FullScale);
}

void Form1::Image1_Click()
{
    Graph *g = graph();
    g->show();
    g->raise();
    g->activateWindow();
}

Graph *Form1::graph()
{
    if (!m_graph) {
        m_graph = new Graph(*this);
        m_graph->Form_Load();
    }
    return m_graph;
}

void Form1::unloadGraph()
{
    if (m_graph) {
        m_graph->close();
        delete m_graph.data();
    }
}

} // namespace zkd
