#include "graphics/MultiSample.h"

#include <gtest/gtest.h>

#include "graphics/FakeDirect3D.h"

namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::SetArgPointee;

// Answers every check for `samples` with `levels` quality levels for the
// colour format and `depthLevels` for D16; other counts are unavailable.
void Offer(FakeDirect3D& adapter, D3DMULTISAMPLE_TYPE samples, DWORD levels, DWORD depthLevels) {
  EXPECT_CALL(adapter,
              CheckDeviceMultiSampleType(_, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, samples, _))
      .WillRepeatedly(DoAll(SetArgPointee<5>(levels), Return(S_OK)));
  EXPECT_CALL(adapter, CheckDeviceMultiSampleType(_, D3DDEVTYPE_HAL, D3DFMT_D16, TRUE, samples, _))
      .WillRepeatedly(DoAll(SetArgPointee<5>(depthLevels), Return(S_OK)));
}

struct MultiSampleTest : ::testing::Test {
  MultiSampleTest() {
    adapter = new NiceMock<FakeDirect3D>();
    // Anything a test does not offer is unavailable; later expectations
    // take precedence over this one.
    EXPECT_CALL(*adapter, CheckDeviceMultiSampleType(_, _, _, _, _, _))
        .WillRepeatedly(Return(D3DERR_NOTAVAILABLE));
  }
  ~MultiSampleTest() override { adapter->Release(); }
  NiceMock<FakeDirect3D>* adapter;
};

TEST_F(MultiSampleTest, NoMultisamplingAsksTheAdapterNothing) {
  EXPECT_CALL(*adapter, CheckDeviceMultiSampleType(_, _, _, _, _, _)).Times(0);
  MultiSampleChoice choice = ChooseMultiSample(adapter, 0, D3DFMT_X8R8G8B8, 0);
  EXPECT_EQ(D3DMULTISAMPLE_NONE, choice.type);
  EXPECT_EQ(0u, choice.quality);
}

TEST_F(MultiSampleTest, BestSearchTakesTheFirstCountUsableForColourAndDepth) {
  // 8 works for colour only, so it is not usable; 4 is, with the smaller
  // of the two level counts.
  EXPECT_CALL(*adapter,
              CheckDeviceMultiSampleType(_, _, D3DFMT_X8R8G8B8, _, D3DMULTISAMPLE_8_SAMPLES, _))
      .WillRepeatedly(DoAll(SetArgPointee<5>(3u), Return(S_OK)));
  Offer(*adapter, D3DMULTISAMPLE_4_SAMPLES, 5, 2);
  MultiSampleChoice choice = ChooseMultiSample(adapter, 0, D3DFMT_X8R8G8B8, 0xFFFFFFFF);
  EXPECT_EQ(D3DMULTISAMPLE_4_SAMPLES, choice.type);
  EXPECT_EQ(1u, choice.quality);
}

TEST_F(MultiSampleTest, UnusableRequestFallsBackToTheSearchAndThenToNone) {
  Offer(*adapter, D3DMULTISAMPLE_2_SAMPLES, 1, 1);
  MultiSampleChoice choice = ChooseMultiSample(adapter, 0, D3DFMT_X8R8G8B8, 6);
  EXPECT_EQ(D3DMULTISAMPLE_2_SAMPLES, choice.type);
  EXPECT_EQ(0u, choice.quality);

  Offer(*adapter, D3DMULTISAMPLE_6_SAMPLES, 4, 4);
  choice = ChooseMultiSample(adapter, 0, D3DFMT_X8R8G8B8, 6);
  EXPECT_EQ(D3DMULTISAMPLE_6_SAMPLES, choice.type);
  EXPECT_EQ(3u, choice.quality);
}

TEST_F(MultiSampleTest, NothingUsableMeansNoMultisampling) {
  MultiSampleChoice choice = ChooseMultiSample(adapter, 0, D3DFMT_X8R8G8B8, 0xFFFFFFFF);
  EXPECT_EQ(D3DMULTISAMPLE_NONE, choice.type);
  EXPECT_EQ(0u, choice.quality) << "a quality the device accepts with no multisampling";
}

}  // namespace
