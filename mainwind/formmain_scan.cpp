// Scanner acquisition from the images page.
#include "formmain.h"

void TFormMain::ToolButtonScanClick() {}
