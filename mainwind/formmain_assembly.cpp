// The assembly page: building and showing the mosaic, zoom, save and print.
#include "formmain.h"

void TFormMain::SetupAssembly() {}

void TFormMain::ShowMosaic() {}

void TFormMain::ShowStatus() {}

void TFormMain::ToolButtonFineFrontClick() { ShowMosaic(); }

void TFormMain::ToolButtonCropClick() { ShowMosaic(); }

void TFormMain::ToolButtonMinusClick() {}

void TFormMain::ToolButtonNormalClick() {}

void TFormMain::ToolButtonPlusClick() {}

void TFormMain::ToolButtonSaveClick() {}

void TFormMain::ToolButtonPrintClick() {}
