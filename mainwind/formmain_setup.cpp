// The settings buttons: the settings dialog, then the engine gets the record.
#include <QDir>

#include "dialogs/settings/setupwin.h"
#include "formmain.h"

void TFormMain::ApplySetupToEngine() {
  Engine.ApplySettings(FormSetup->SetupData);
  Engine.SetSearchMethod(FormSetup->Method);
  Engine.SetPlacementMethod(FormSetup->Placement);
}

bool TFormMain::RunSetupDialog() {
  // New settings must not reach an engine that a running command is using.
  if (CommandRunning) return false;
  if (!FormSetup) return false;
  std::vector<QSize> sizes;
  sizes.reserve(static_cast<size_t>(Engine.Count()));
  for (int i = 0; i < Engine.Count(); ++i) {
    sizes.emplace_back(Engine.ImageBitmap(i).Width(), Engine.ImageBitmap(i).Height());
  }
  FormSetup->SetImageSizes(std::move(sizes));
  if (FormSetup->exec() != QDialog::Accepted) return false;
  ApplySetupToEngine();
  ReportUnsavedSetup();
  return true;
}

void TFormMain::ReportUnsavedSetup() {
  if (FormSetup->LastSaveSucceeded()) return;
  ReportStatus(QStringLiteral("Настройки применены, но не сохранены в файл %1")
                   .arg(QDir::toNativeSeparators(FormSetup->ConfigPath())));
}

void TFormMain::ToolButtonSet1Click() { RunSetupDialog(); }
