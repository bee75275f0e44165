#pragma once
// Where long engine work reports how far it has got. The window passes its
// progress bar, the headless stitcher a terminal bar, tests a recorder.

class ProgressIndicator {
 public:
  virtual ~ProgressIndicator() = default;
  // percent runs from 0 to 100
  virtual void SetPosition(int percent) = 0;
};
