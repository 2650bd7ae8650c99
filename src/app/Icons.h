#pragma once

#include <QIcon>
#include <QPixmap>

namespace zkd {

// The program's pictures, drawn in code so they stay sharp at any size.
enum class Picture { StartStop, Save, Open, Delete, Exit, Browse, Activity, Idle, Program };

QPixmap drawPicture(Picture picture, int size, bool hover);
QIcon pictureIcon(Picture picture);

} // namespace zkd
