// The connection correction page.
#include "formmain.h"

void TFormMain::ShowConnection() {}
