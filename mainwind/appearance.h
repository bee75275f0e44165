#pragma once
// The program's look, set once at start: fonts, toolbar icon theme and the
// Russian texts of the toolkit's own buttons ("Да", "Нет", "Отмена").

class QCoreApplication;

// Registers the Tahoma face from the system's fonts when present.
void RegisterProgramFonts();
// Points the icon lookup at the installed theme (needed headless too).
void UseProgramIconTheme();
// Loads the toolkit's Russian translation; false when it is not installed.
bool InstallRussianTexts(QCoreApplication& app);
