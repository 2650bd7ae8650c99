#include "settings/ui/Pathpro.h"

#include "app/Form1.h"
#include "util/Texts.h"

namespace zkd {

Pathpro::Pathpro(Form1 &form1, QWidget *parent) : QWidget(parent, Qt::Window), m_form1(form1)
{
    setObjectName(QStringLiteral("Pathpro"));
    setWindowTitle(str(texts::SettingsCaptionBuilt));
}

void Pathpro::showDialog()
{
    m_loaded = true;
    show();
    raise();
}

} // namespace zkd
