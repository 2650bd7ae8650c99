#include "app/Form1.h"
#include "files/WorkFile.h"
#include "util/Prompts.h"
#include "util/Texts.h"

#include <QAction>

namespace zkd {

void Form1::SScommand4_Click()
{
}

void Form1::SScommand3_Click()
{
}

void Form1::cmdstart_Click()
{
}

void Form1::SSCommand6_Click()
{
}

void Form1::EnableExport()
{
    cmdstart->setEnabled(true);
}

void Form1::AskSaveAfterStop()
{
}

void Form1::SSCommand1_Click()
{
    EndProgram();
}

void Form1::Help_Click()
{
}

} // namespace zkd
