#pragma once

namespace zkd {

class Form1;

// Connects the main window's commands to Form1's handlers: the hidden buttons
// of the header read and the sensor selection, the Check1 box, the picture
// buttons, the menus (File, Settings, Info, Help) and the keys. A picture
// button and its key run exactly the handler of the menu item they stand
// for; a key does nothing while its button is hidden. A double-click on the
// table or the notes and a click on the activity picture run their handlers.
void buildCommands(Form1 &form);

} // namespace zkd
