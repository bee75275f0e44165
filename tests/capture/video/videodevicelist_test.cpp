// The program's device list joins providers; an index past one provider's
// devices opens a device of the next.
#include <gtest/gtest.h>

#include "capture/video/videodevicelist.h"

namespace {

class NamedOnly : public VideoProvider {
 public:
  NamedOnly(std::vector<std::string> names, std::vector<int>* opened)
      : names_(std::move(names)), opened_(opened) {}
  std::vector<std::string> DeviceNames() override { return names_; }
  std::unique_ptr<VideoSource> Open(int index, std::string& error) override {
    opened_->push_back(index);
    error = names_.at(static_cast<size_t>(index));
    return nullptr;
  }

 private:
  std::vector<std::string> names_;
  std::vector<int>* opened_;
};

TEST(VideoDeviceList, JoinsProvidersAndOpensByOverallIndex) {
  std::vector<int> firstOpened, secondOpened;
  VideoDeviceList list;
  list.Add(std::make_unique<NamedOnly>(std::vector<std::string>{"a", "b"}, &firstOpened));
  list.Add(std::make_unique<NamedOnly>(std::vector<std::string>{"c"}, &secondOpened));
  EXPECT_EQ(list.DeviceNames(), (std::vector<std::string>{"a", "b", "c"}));

  std::string error;
  list.Open(2, error);
  EXPECT_EQ(error, "c");
  EXPECT_EQ(secondOpened, std::vector<int>{0});
  list.Open(1, error);
  EXPECT_EQ(error, "b");
  EXPECT_EQ(firstOpened, std::vector<int>{1});

  error.clear();
  EXPECT_EQ(list.Open(3, error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(list.Open(-1, error), nullptr);
  EXPECT_EQ(firstOpened.size() + secondOpened.size(), 2u);
}

}  // namespace
