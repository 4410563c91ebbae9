#include <comobject.h>

#include <system_error>

#include <gtest/gtest.h>

DECLARE_INTERFACE_ID(IFaceA, 0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55,
                     0x55);
DECLARE_INTERFACE_ID(IFaceB, 0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55,
                     0x56);
struct IFaceA : IUnknown {
  virtual ~IFaceA() = default;
  virtual int A() = 0;
};
struct IFaceB : IUnknown {
  virtual ~IFaceB() = default;
  virtual int B() = 0;
};

namespace {

int g_destroyed = 0;
constexpr GUID kOther = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};

class TwoFaces : public tavorin::ComObject<IFaceA, IFaceB> {
 public:
  HRESULT Init(int fail) {
    // A failure below the object, such as a thread that cannot be started.
    if (fail == 2)
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    return fail ? E_INVALIDARG : S_OK;
  }
  int A() override { return 1; }
  int B() override { return 2; }

 protected:
  ~TwoFaces() override { ++g_destroyed; }
};

TEST(ComObjectTest, TwoFacesShareOneIdentityAndOneCount) {
  g_destroyed = 0;
  IFaceA* a = nullptr;
  ASSERT_EQ(S_OK, tavorin::CreateComObject<TwoFaces>(&a, 0));

  IFaceB* b = nullptr;
  ASSERT_EQ(S_OK, a->QueryInterface(IID_IFaceB, reinterpret_cast<void**>(&b)));
  EXPECT_EQ(2, b->B());
  IUnknown* fromA = nullptr;
  IUnknown* fromB = nullptr;
  ASSERT_EQ(S_OK, a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromA)));
  ASSERT_EQ(S_OK, b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromB)));
  EXPECT_EQ(fromA, fromB);

  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, a->QueryInterface(kOther, &other));
  EXPECT_EQ(nullptr, other);
  EXPECT_EQ(E_POINTER, a->QueryInterface(IID_IFaceB, nullptr));

  // a, b, fromA, fromB: four references; the object goes with the last.
  EXPECT_EQ(3u, fromA->Release());
  EXPECT_EQ(2u, fromB->Release());
  EXPECT_EQ(1u, b->Release());
  EXPECT_EQ(0, g_destroyed);
  EXPECT_EQ(0u, a->Release());
  EXPECT_EQ(1, g_destroyed);
}

TEST(ComObjectTest, FailedInitDestroysTheObjectAndNullsTheOutPointer) {
  g_destroyed = 0;
  IFaceA* a = reinterpret_cast<IFaceA*>(0x1);
  EXPECT_EQ(E_INVALIDARG, tavorin::CreateComObject<TwoFaces>(&a, 1));
  EXPECT_EQ(nullptr, a);
  EXPECT_EQ(1, g_destroyed);
  EXPECT_EQ(E_POINTER, tavorin::CreateComObject<TwoFaces>(static_cast<IFaceA**>(nullptr), 0));
  // An exception thrown by Init becomes a failure, and the object still goes.
  a = reinterpret_cast<IFaceA*>(0x1);
  EXPECT_EQ(E_FAIL, tavorin::CreateComObject<TwoFaces>(&a, 2));
  EXPECT_EQ(nullptr, a);
  EXPECT_EQ(2, g_destroyed);
}

TEST(ComObjectTest, ComPtrReleasesWhatItHolds) {
  g_destroyed = 0;
  {
    tavorin::ComPtr<IFaceA> a;
    ASSERT_EQ(S_OK, tavorin::CreateComObject<TwoFaces>(a.ReleaseAndGetAddressOf(), 0));
    tavorin::ComPtr<IFaceB> b;
    ASSERT_EQ(S_OK, a.As(&b));
    tavorin::ComPtr<IFaceA> copy = a;
    EXPECT_EQ(1, copy->A());
  }
  EXPECT_EQ(1, g_destroyed);
}

}  // namespace
