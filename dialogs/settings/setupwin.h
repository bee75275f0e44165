#pragma once
// The settings dialog: edits a copy of the six engine parameters in its
// controls and commits them to SetupData and the settings file on apply.

#include <QDialog>
#include <QSize>
#include <QString>
#include <vector>

#include "engine/placement/placementmethod.h"
#include "engine/registration/searchmethod.h"
#include "formats/setupfile.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class SpinField;

class TFormSetup : public QDialog {
  Q_OBJECT

 public:
  explicit TFormSetup(QWidget* parent = nullptr);

  // Remembers path and, when a file exists there, reads it over the record and shows it.
  // Without a readable file the record takes the defaults; a missing file is written.
  // The search method comes from the preferences.
  void LoadSetup(const QString& path);
  // Writes the record to path; false when the file could not be written.
  bool SaveSetup(const QString& path);
  void CollectControls();
  void ShowSetupData();
  // The image sizes the radius note speaks of: the album's; none means 640 x 480.
  void SetImageSizes(std::vector<QSize> sizes);

  // Whether the last write of the file (on "Применить", or of the defaults) stored it.
  bool LastSaveSucceeded() const { return lastSaveOk_; }
  const QString& ConfigPath() const { return configPath_; }

  ::SetupData SetupData;  // all zero until a file is read or the dialog applied
  // The overlap search's method, applied with the record but kept in the
  // preferences: the settings file holds only the six values.
  SearchMethod Method = SearchMethod::Template;
  // The placement rule, kept the same way.
  PlacementMethod Placement = PlacementMethod::Chain;

  SpinField* CSpinEditImageZone = nullptr;
  SpinField* CSpinEditFindR = nullptr;
  QLabel* LabelFitR = nullptr;  // the largest radius that fits the zone now shown
  QCheckBox* CheckBoxCrop = nullptr;
  SpinField* CSpinEditCropFrame = nullptr;
  QRadioButton* RadioButtonVector = nullptr;
  QRadioButton* RadioButtonDiffuz = nullptr;
  QRadioButton* RadioButtonMidl = nullptr;
  QRadioButton* RadioButtonLight = nullptr;
  QRadioButton* RadioButtonUdel = nullptr;
  QSlider* TrackBarQ = nullptr;
  QComboBox* ComboBoxMethod = nullptr;     // items in SearchMethod order
  QComboBox* ComboBoxPlacement = nullptr;  // items in PlacementMethod order
  QPushButton* ButtonOk = nullptr;
  QPushButton* ButtonNo = nullptr;

 public slots:
  void ButtonOkClick();
  void ButtonNoClick();

 private:
  QWidget* BuildSpinRow(SpinField* field, const QString& label, const QString& unit);
  QWidget* BuildSmoothGroup();
  QWidget* BuildQualityRow();
  QWidget* BuildMethodRow();
  QWidget* BuildPlacementRow();
  // The radio buttons in SmoothType order 0..4.
  QRadioButton* SmoothButton(int type) const;
  void ShowValues(const ::SetupData& data);
  void UpdateFitNote();

  QButtonGroup* smoothGroup_ = nullptr;
  std::vector<QSize> imageSizes_;
  QString configPath_;
  bool lastSaveOk_ = true;
};

// The method's caption as the dialog offers it.
QString SearchMethodCaption(SearchMethod method);
QString PlacementMethodCaption(PlacementMethod method);
