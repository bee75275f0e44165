// The keys people bring from other image programs. Each presses a button of
// the window, so it does exactly what the button does and only when the
// button could be pressed: enabled, and on a page that is shown (for the
// page-bound keys, the page in front).
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>

#include "formmain.h"
#include "mainwind/album/albumpage.h"
#include "mainwind/assembly/assemblypage.h"
#include "widgets/keyhint.h"

namespace {

struct KeyBinding {
  QList<QKeySequence> Keys;  // the first is the one shown in the tooltip
  QToolButton* Button;
  QWidget* Page;     // the tab the button is on
  bool PageInFront;  // the key works only while that page is in front
};

}  // namespace

void TFormMain::InstallKeys() {
  const QList<KeyBinding> bindings = {
      {{QKeySequence::Open}, Album->ToolButtonImageOpen, TabSheetImages, false},
      {{QKeySequence::Save}, Assembly->ToolButtonSave, Assembly->TabSheetQuilt, false},
      {{QKeySequence::Print}, Assembly->ToolButtonPrint, Assembly->TabSheetQuilt, false},
      {{QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence::Delete},
       Album->ToolButtonImageClose,
       TabSheetImages,
       true},
      {{QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
       Assembly->ToolButtonPlus,
       Assembly->TabSheetQuilt,
       true},
      {{QKeySequence(Qt::CTRL | Qt::Key_Minus)},
       Assembly->ToolButtonMinus,
       Assembly->TabSheetQuilt,
       true},
      {{QKeySequence(Qt::CTRL | Qt::Key_0)},
       Assembly->ToolButtonNormal,
       Assembly->TabSheetQuilt,
       true},
      {{QKeySequence(Qt::CTRL | Qt::Key_F)},
       Assembly->ToolButtonFit,
       Assembly->TabSheetQuilt,
       true},
      {{QKeySequence(Qt::Key_F1)}, ToolButtonAboutImage, nullptr, false},
  };
  for (const KeyBinding& binding : bindings) {
    for (const QKeySequence& keys : binding.Keys) {
      auto* shortcut = new QShortcut(keys, this);
      connect(shortcut, &QShortcut::activated, this, [this, binding] {
        if (binding.Page != nullptr) {
          const int tab = PageControl->indexOf(binding.Page);
          if (!PageControl->isTabVisible(tab)) return;
          if (binding.PageInFront && PageControl->currentIndex() != tab) return;
        }
        if (binding.Button->isEnabled()) binding.Button->click();
      });
    }
    ShowKeyInToolTip(binding.Button, binding.Keys.front());
  }
  ShowKeyInToolTip(Assembly->ToolButtonAbout, QKeySequence(Qt::Key_F1));
}
