#include "ui/main/Form1.h"

namespace ui {

void Form1::Command2_Click() {}
void Form1::cmdOk_Click() {}
void Form1::chkSelect_Click() {}
void Form1::cmdRestore_Click() {}

} // namespace ui
