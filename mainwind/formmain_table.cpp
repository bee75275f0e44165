// The montage table and the two stitching commands.
#include "formmain.h"

void TFormMain::SetupTable() {}

void TFormMain::ClearTable() { MontageTable.Fill(kCellFree); }

void TFormMain::ToolButtonAutoPozClick() {}

void TFormMain::ToolButtonDelImTabClick() {}

void TFormMain::ToolButtonClearTabClick() {}

void TFormMain::ToolButtonCalkConnectClick() {}
