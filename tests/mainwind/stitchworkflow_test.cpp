// The whole workflow in the window on a rendered field-by-field sample set:
// open, lay out or stitch automatically, save; checked against the known
// offsets and against the headless stitcher on the same files and settings.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/settings/setupwin.h"
#include "imagefiles/imagefiles.h"
#include "imagefiles/pixdialogs.h"
#include "mainwind/album/albumpage.h"
#include "mainwind/assembly/assemblypage.h"
#include "mainwind/correction/correctionpage.h"
#include "mainwind/formmain.h"
#include "mainwind/table/tablepage.h"
#include "samples/sampleset.h"
#include "stitchjob.h"
#include "stitchsettings.h"
#include "support/testimages.h"
#include "widgets/drawgrid.h"
#include "widgets/picturecontrol.h"
#include "widgets/userdialogs.h"

namespace {

namespace fs = std::filesystem;

class StitchWorkflow : public ::testing::Test {
 protected:
  // The 3 x 3 set of 640 x 480 fields, rendered once for all tests.
  static void SetUpTestSuite() {
    sampleDir_ = MakeTempDir("samples");
    fields_ = MakeSampleSet(SampleSetPlan{});
    for (const SampleField& field : fields_) {
      const std::string path = (fs::path(sampleDir_) / field.Name).string();
      ASSERT_TRUE(PixSaveImage(path, field.Image).Ok()) << path;
      names_.push_back(path);
    }
  }

  static void TearDownTestSuite() {
    fs::remove_all(sampleDir_);
    fields_.clear();
    names_.clear();
  }

  void SetUp() override {
    root_ = MakeTempDir("stitchwin");
    configPath_ = (fs::path(root_) / "data.cfg").string();
    std::ofstream(configPath_, std::ios::binary) << SettingsFileBytes(settings_);
    ProgramPaths paths;
    paths.ProgramFolder = QString::fromStdString(root_) + "/";
    paths.ImageFolder = QString::fromStdString(root_) + "/";
    paths.ConfigPath = QString::fromStdString(configPath_);
    SetMessageHandler(
        [this](const QString&, const QString& text, MessageKind) { messages_ << text; });
    form_ = std::make_unique<TFormMain>(paths, nullptr, nullptr);
    form_->FormSetup = new TFormSetup(form_.get());
    form_->setWindowState(Qt::WindowNoState);
    form_->resize(1200, 800);
    form_->show();  // reads the settings file into the engine
    QApplication::processEvents();

    SetPixOpenAnswer([](const std::string&, const std::string&) { return names_; });
    form_->Album->ToolButtonImageOpen->click();
    ASSERT_EQ(form_->Engine.Count(), static_cast<int>(fields_.size()));
    ASSERT_EQ(form_->Engine.Radius(), settings_.FindR);
  }

  void TearDown() override {
    SetPixOpenAnswer({});
    SetPixSaveAnswer({});
    SetMessageHandler({});
    form_.reset();
    fs::remove_all(root_);
  }

  // Drops the fields on the table one by one, each next to the one before
  // in the direction it was taken, starting at (column, row).
  void LayOutInTakingOrder(int column, int row) {
    DrawGrid* table = form_->Table->DrawGridTab;
    for (size_t i = 0; i < fields_.size(); ++i) {
      switch (fields_[i].Direction) {
        case kDirRight: ++column; break;
        case kDirBelow: ++row; break;
        case kDirLeft: --column; break;
        case kDirAbove: --row; break;
        default: break;
      }
      form_->Album->DrawGridAlbum->SetRow(static_cast<int>(i));
      table->SetCurrent(column, row);
      const QPoint at = table->CellRect(column, row).center();
      ASSERT_TRUE(form_->Table->DrawGridTabDragOver(at, form_->Album->DrawGridAlbum))
          << "field " << i;
      form_->Table->DrawGridTabDragDrop(at, form_->Album->DrawGridAlbum);
    }
  }

  void ExpectKnownPlacesAndDirections() {
    const std::vector<Rect> expected = ExpectedPlaces(fields_);
    for (size_t i = 0; i < fields_.size(); ++i) {
      const Rect& place = form_->Engine.Place(static_cast<int>(i));
      const Rect& want = expected[i];
      EXPECT_EQ(place, want) << "field " << i << ": (" << place.Left << ", " << place.Top
                             << ") instead of (" << want.Left << ", " << want.Top << ")";
      if (i > 0) {
        EXPECT_EQ(form_->Engine.Direction(static_cast<int>(i)), fields_[i].Direction);
      }
    }
  }

  // Saves through the save button, answering the dialog with a file of ours.
  Bitmap SaveFromWindow() {
    const std::string path = (fs::path(root_) / "window.bmp").string();
    std::string offered;
    SetPixSaveAnswer([&](const std::string&, const std::string& initial) {
      offered = initial;
      return path;
    });
    form_->Assembly->ToolButtonSave->click();
    // The image folder followed the opened files.
    EXPECT_EQ(offered, (fs::path(sampleDir_) / "Panorama.bmp").string());
    Bitmap saved;
    EXPECT_TRUE(PixLoadImage(path, saved).Ok());
    return saved;
  }

  // The headless stitcher on the same files with the same settings file.
  Bitmap SaveHeadless(bool automatic, bool smooth, bool cropView) {
    StitchOptions options;
    options.Images = names_;
    options.Auto = automatic;
    if (!automatic) {
      for (size_t i = 1; i < fields_.size(); ++i)
        options.Directions.push_back(fields_[i].Direction);
    }
    std::string error;
    EXPECT_TRUE(ReadSettingsFile(configPath_, options.Settings, error)) << error;
    options.Smooth = smooth;
    options.CropView = cropView;
    options.Output = (fs::path(root_) / "headless.bmp").string();
    options.Quiet = true;
    const StitchResult result = RunStitch(options, nullptr);
    EXPECT_EQ(result.ExitCode, 0) << result.Error;
    Bitmap saved;
    EXPECT_TRUE(PixLoadImage(options.Output, saved).Ok());
    return saved;
  }

  static void ExpectSamePixels(const Bitmap& window, const Bitmap& headless) {
    ASSERT_EQ(window.Width(), headless.Width());
    ASSERT_EQ(window.Height(), headless.Height());
    int differing = 0;
    for (int y = 0; y < window.Height(); ++y) {
      for (int x = 0; x < window.Width() * 3; ++x)
        differing += window.Row(y)[x] != headless.Row(y)[x];
    }
    EXPECT_EQ(differing, 0) << "bytes differ";
  }

  inline static std::string sampleDir_;
  inline static std::vector<SampleField> fields_;
  inline static std::vector<std::string> names_;
  const SetupData settings_ = DefaultSetupData();  // the settings dialog's own defaults
  std::string root_;
  std::string configPath_;
  std::unique_ptr<TFormMain> form_;
  QStringList messages_;
};

TEST_F(StitchWorkflow, LaidOutTableStitchesToTheKnownOffsetsAsTheStitcherDoes) {
  LayOutInTakingOrder(4, 3);
  ASSERT_EQ(form_->WorkflowState(), kStateTablePlaced);
  form_->Table->ToolButtonCalkConnect->click();
  ASSERT_EQ(form_->WorkflowState(), kStateAssembled);
  EXPECT_EQ(form_->PageControl->currentWidget(), form_->Assembly->TabSheetQuilt);
  ExpectKnownPlacesAndDirections();

  const Bitmap window = SaveFromWindow();
  EXPECT_TRUE(window == form_->Assembly->ImageQuilt->Held());
  ExpectSamePixels(window, SaveHeadless(false, false, false));
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("\n").toStdString();
}

TEST_F(StitchWorkflow, AutomaticStitchingFindsTheKnownOffsetsAndLayout) {
  form_->Table->ToolButtonAutoPoz->click();
  ASSERT_EQ(form_->WorkflowState(), kStateAssembled);
  ExpectKnownPlacesAndDirections();
  // The snake the fields were taken in, written into the table from its corner.
  const int32_t expected[3][3] = {{0, 1, 2}, {5, 4, 3}, {6, 7, 8}};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column)
      EXPECT_EQ(form_->MontageTable.At(column, row), expected[row][column]);
  }
  EXPECT_EQ(form_->MontageTable.At(3, 0), kCellBlocked);

  // Smoothed and cropped, the saved picture is still the stitcher's.
  form_->Assembly->ToolButtonFineFront->click();
  form_->Assembly->ToolButtonCrop->click();
  ASSERT_TRUE(form_->Assembly->ToolButtonFineFront->isChecked() &&
              form_->Assembly->ToolButtonCrop->isChecked());
  const Bitmap window = SaveFromWindow();
  ExpectSamePixels(window, SaveHeadless(true, true, true));
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("\n").toStdString();
}

}  // namespace
