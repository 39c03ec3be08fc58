// The restore view's handlers live with the restore view.
#include "ui/main/Form1.h"

namespace ui {

void Form1::Command2_Click() {
    restoreView_->Command2_Click();
}
void Form1::cmdOk_Click() {
    restoreView_->cmdOk_Click();
}
void Form1::chkSelect_Click() {
    restoreView_->chkSelect_Click();
}
void Form1::cmdRestore_Click() {
    restoreView_->cmdRestore_Click();
}

} // namespace ui
