// Writes a field-by-field sample set and its truth file.
#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "imagefiles/imagefiles.h"
#include "samples/sampleset.h"
#include "stitchreport.h"

namespace {

bool ReadJson(const std::string& path, nlohmann::json& out) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "quiltor-samples: cannot read %s\n", path.c_str());
    return false;
  }
  try {
    out = nlohmann::json::parse(in);
  } catch (const nlohmann::json::exception& e) {
    std::fprintf(stderr, "quiltor-samples: %s is not valid JSON: %s\n", path.c_str(), e.what());
    return false;
  }
  return true;
}

int CheckReport(const std::string& reportPath, const std::string& folder) {
  nlohmann::json report, truth;
  const std::string truthPath = (std::filesystem::path(folder) / "truth.json").string();
  if (!ReadJson(reportPath, report) || !ReadJson(truthPath, truth)) return 1;
  const std::vector<std::string> problems = CompareWithTruth(report, truth);
  for (const std::string& p : problems) std::fprintf(stderr, "mismatch: %s\n", p.c_str());
  if (!problems.empty()) return 1;
  std::printf("all %zu places equal the known offsets\n", truth["fields"].size());
  return 0;
}

int Run(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  PixInit();
  SampleSetPlan plan;
  std::string folder = "out/sample";
  CLI::App cli{"Renders a synthetic stained specimen and cuts it into overlapping fields.",
               "quiltor-samples"};
  cli.add_option("-o,--out", folder, "folder for the fields and truth.json");
  cli.add_option("--seed", plan.Seed, "picture seed");
  cli.add_option("--columns", plan.Columns)->check(CLI::Range(1, 20));
  cli.add_option("--rows", plan.Rows)->check(CLI::Range(1, 20));
  cli.add_option("--width", plan.FieldWidth, "field width")->check(CLI::Range(64, 4000));
  cli.add_option("--height", plan.FieldHeight, "field height")->check(CLI::Range(48, 4000));
  cli.add_option("--overlap", plan.OverlapPct, "overlap, percent")->check(CLI::Range(5, 60));
  cli.add_option("--jitter", plan.Jitter, "stage error, pixels")->check(CLI::Range(0, 40));
  std::string report;
  cli.add_option("--check", report,
                 "instead of writing: compare this stitch report with the folder's truth.json");
  CLI11_PARSE(cli, argc, argv);
  if (!report.empty()) return CheckReport(report, folder);

  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    std::fprintf(stderr, "quiltor-samples: cannot create %s: %s\n", folder.c_str(),
                 ec.message().c_str());
    return 1;
  }
  const std::vector<SampleField> fields = MakeSampleSet(plan);
  for (const SampleField& f : fields) {
    const std::string path = (std::filesystem::path(folder) / f.Name).string();
    const PixStatus status = PixSaveImage(path, f.Image);
    if (!status) {
      std::fprintf(stderr, "quiltor-samples: cannot write %s: %s\n", path.c_str(),
                   status.Detail.c_str());
      return 1;
    }
  }
  const std::string truth = (std::filesystem::path(folder) / "truth.json").string();
  const std::string error = WriteFileWhole(truth, TruthJson(plan, fields).dump(2) + "\n");
  if (!error.empty()) {
    std::fprintf(stderr, "quiltor-samples: cannot write %s: %s\n", truth.c_str(), error.c_str());
    return 1;
  }
  std::printf("%zu fields of %d x %d written to %s\n", fields.size(), plan.FieldWidth,
              plan.FieldHeight, folder.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Building the command line itself may throw; nothing escapes main.
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quiltor-samples: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "quiltor-samples: unknown error\n");
  }
  return 1;
}
