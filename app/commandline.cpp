#include "commandline.h"

#include "capture/video/programdevices.h"

namespace {

bool IsSimulateCameraOption(const std::string& argument) {
  const std::string option = kSimulateCameraOption;
  return argument == option || argument.rfind(option + "=", 0) == 0;
}

}  // namespace

ProgramCommandLine ParseProgramCommandLine(const std::vector<std::string>& arguments) {
  ProgramCommandLine line;
  bool onlyFiles = false;  // after "--" a name starting with '-' is still a file
  bool version = false;
  for (const std::string& argument : arguments) {
    if (onlyFiles || argument.empty() || argument[0] != '-' || argument == "-") {
      line.Images.push_back(argument);
    } else if (argument == "--") {
      onlyFiles = true;
    } else if (argument == "--help" || argument == "-h") {
      // Help wins over anything else on the line.
      line.Action = CommandLineAction::Help;
      return line;
    } else if (argument == "--version") {
      version = true;
    } else if (!IsSimulateCameraOption(argument) && line.Problem.empty()) {
      line.Problem = "неизвестный параметр " + argument;
    }
  }
  if (!line.Problem.empty()) {
    line.Action = CommandLineAction::Bad;
  } else if (version) {
    line.Action = CommandLineAction::Version;
  }
  return line;
}

std::string ProgramHelpText() {
  return "Usage: quiltor [ПАРАМЕТР]... [ИЗОБРАЖЕНИЕ]...\n"
         "Склейка перекрывающихся изображений в одну мозаику.\n"
         "\n"
         "Изображения из командной строки открываются в альбоме в заданном порядке.\n"
         "\n"
         "  --simulate-camera[=ИСТОЧНИК]  предложить моделируемую камеру: specimen\n"
         "                                (синтетический препарат) или файл изображения,\n"
         "                                с уточнениями :path=ФАЙЛ, :noise=0..50,\n"
         "                                :flicker=0..50\n"
         "  -h, --help                    показать эту справку и выйти\n"
         "      --version                 показать версию программы и выйти\n"
         "\n"
         "Файлы:\n"
         "  Настройки хранятся в файле data.cfg, снятые кадры - в папке Image, обе\n"
         "  рядом с программой. Если в папку программы нельзя писать (программа\n"
         "  установлена для всей системы), используются те же имена в папке\n"
         "  настроек пользователя (~/.config/KORVEX/Pictaro Quiltor/data.cfg,\n"
         "  с учетом XDG_CONFIG_HOME) и в папке изображений пользователя\n"
         "  (~/Pictures/Quiltor/Image/ или ее аналог по xdg-user-dirs).\n"
         "\n"
         "Окружение:\n"
         "  QUILTOR_SIMULATED_CAMERA  то же, что --simulate-camera=ЗНАЧЕНИЕ\n";
}
