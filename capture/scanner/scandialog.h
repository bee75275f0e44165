#pragma once
// The scan dialog: device, mode, depth, resolution and scan area, built from
// the options the device reports, with a preview of the whole glass on which
// the area can be drawn. SANE has no dialog of its own; this one stands in
// for the device's.

#include <QDialog>
#include <QImage>
#include <functional>
#include <string>
#include <vector>

#include "capture/scanner/scanner.h"
#include "capture/scanner/scansettings.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class ScanPreview;

class TScanDialog : public QDialog {
  Q_OBJECT

 public:
  // Opens another device; null with error set when it cannot. The session
  // stays the caller's.
  using OpenDevice = std::function<ScannerSession*(const std::string& name, std::string& error)>;

  TScanDialog(QWidget* parent, const std::vector<ScannerDevice>& devices, const std::string& device,
              ScannerSession* session, OpenDevice open);

  // The controls take the device's options; earlier choices are kept where
  // the device still offers them.
  void ShowOptions(const ScanChoices& earlier);
  ScanChoices Choices() const;
  std::string Device() const;
  ScannerSession* Session() const { return session_; }
  const QImage& PreviewImage() const;

  QComboBox* ComboBoxScanner = nullptr;
  QComboBox* ComboBoxScanMode = nullptr;
  QComboBox* ComboBoxScanDepth = nullptr;
  QComboBox* ComboBoxScanResolution = nullptr;
  QDoubleSpinBox* SpinScanLeft = nullptr;
  QDoubleSpinBox* SpinScanTop = nullptr;
  QDoubleSpinBox* SpinScanRight = nullptr;
  QDoubleSpinBox* SpinScanBottom = nullptr;
  ScanPreview* PreviewScan = nullptr;
  QLabel* LabelScanState = nullptr;
  QPushButton* ButtonScanPreview = nullptr;
  QPushButton* ButtonScanStart = nullptr;
  QPushButton* ButtonScanCancel = nullptr;

 public slots:
  void ComboBoxScannerChange();
  void ComboBoxScanModeChange();
  void ButtonScanPreviewClick();

 private:
  void Build(const std::vector<ScannerDevice>& devices, const std::string& device);
  void FillResolutions(const ScanNumberChoice& resolution, std::optional<double> earlier);
  void ShowArea(ScanArea area);
  void AreaDrawn(const ScanArea& area);
  void SetBusy(bool busy);

  ScannerSession* session_;
  OpenDevice open_;
  ScanCapabilities caps_;
};

// The preview of the glass; a drag marks the scan area.
class ScanPreview : public QWidget {
  Q_OBJECT

 public:
  explicit ScanPreview(QWidget* parent);
  // full is the area the picture covers, in the device's units.
  void SetPicture(const QImage& picture, const ScanArea& full);
  void SetArea(const ScanArea& area);
  const QImage& Picture() const { return picture_; }
  std::function<void(const ScanArea&)> OnAreaDrawn;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QRectF PictureRect() const;
  QPointF ToDevice(QPointF point) const;
  QPointF ToWidget(double x, double y) const;

  QImage picture_;
  ScanArea full_;
  ScanArea area_;
  std::optional<QPointF> dragStart_;
};

// A resolution for the preview: about 400 pixels across the glass.
double PreviewResolution(const ScanCapabilities& caps);
