// Album commands: opening and closing images, the album grid.
#include "formmain.h"

void TFormMain::SetupAlbum() {}

void TFormMain::LayoutAlbum() {}

void TFormMain::PanelImagesResize() { LayoutAlbum(); }

void TFormMain::ToolButtonImageOpenClick() {}

void TFormMain::ToolButtonImageCloseClick() {}

void TFormMain::ToolButtonImageCloseAllClick() { SetWorkflowState(kStateNoImages); }
