#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "platform_dshow/MovieGraph.h"
#include "platform_dshow_media/Movies.h"

namespace tavorin::test {
namespace {

TEST(ComRuntimeTest, ClassesAndIdentifiers) {
  CLSID parsed{};
  EXPECT_EQ(CLSIDFromString(L"{e436ebb3-524f-11CE-9F53-0020AF0BA770}", &parsed), S_OK);
  EXPECT_EQ(parsed, CLSID_FilterGraph);
  for (const wchar_t* bad :
       {L"", L"e436ebb3-524f-11ce-9f53-0020af0ba770", L"{e436ebb3-524f-11ce-9f53-0020af0ba77}",
        L"{e436ebb3-524f-11ce-9f53-0020af0ba7700}", L"{e436ebb3-524f-11ce-9f5g-0020af0ba770}"}) {
    EXPECT_EQ(CLSIDFromString(bad, &parsed), CO_E_CLASSSTRING) << bad;
    EXPECT_EQ(parsed, GUID_NULL);
  }

  IUnknown* object = reinterpret_cast<IUnknown*>(1);
  EXPECT_EQ(CoCreateInstance(IID_IPin, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&object)),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
  ComPtr<IGraphBuilder> outer;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             reinterpret_cast<void**>(outer.ReleaseAndGetAddressOf())),
            S_OK);
  EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, outer.Get(), CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&object)),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IGraphBuilder, reinterpret_cast<void**>(&object)),
            E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

TEST(MediaTypeTest, CopiesOwnTheirFormatBlocks) {
  CMediaType type(&MEDIATYPE_Video);
  type.SetSubtype(&MEDIASUBTYPE_RGB32);
  type.SetFormatType(&FORMAT_VideoInfo);
  BYTE* format = type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER));
  ASSERT_NE(format, nullptr);
  reinterpret_cast<VIDEOINFOHEADER*>(format)->bmiHeader.biWidth = 320;

  AM_MEDIA_TYPE* copy = CreateMediaType(&type);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->pbFormat, type.pbFormat);
  EXPECT_EQ(CMediaType(*copy), type);
  reinterpret_cast<VIDEOINFOHEADER*>(copy->pbFormat)->bmiHeader.biWidth = 640;
  EXPECT_NE(CMediaType(*copy), type);
  DeleteMediaType(copy);
  DeleteMediaType(nullptr);

  CMediaType partial(&MEDIATYPE_Video);
  partial.formattype = GUID_NULL;
  EXPECT_TRUE(partial.IsPartiallySpecified());
  EXPECT_TRUE(partial.MatchesPartial(&type));
  CMediaType audio(&MEDIATYPE_Audio);
  EXPECT_FALSE(audio.MatchesPartial(&type));
}

TEST(AllocatorTest, CommitDecommitAndBlockingGetBuffer) {
  ComPtr<IMemAllocator> allocator;
  ASSERT_EQ(
      CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                       reinterpret_cast<void**>(allocator.ReleaseAndGetAddressOf())),
      S_OK);
  ALLOCATOR_PROPERTIES request{2, 100, 3, 0};
  ALLOCATOR_PROPERTIES actual{};
  EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_BADALIGN);
  request.cbAlign = 16;
  ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
  EXPECT_GE(actual.cbBuffer, 100);

  IMediaSample* sample = nullptr;
  EXPECT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
  ASSERT_EQ(allocator->Commit(), S_OK);
  EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_ALREADY_COMMITTED);
  IMediaSample* first = nullptr;
  IMediaSample* second = nullptr;
  ASSERT_EQ(allocator->GetBuffer(&first, nullptr, nullptr, 0), S_OK);
  ASSERT_EQ(allocator->GetBuffer(&second, nullptr, nullptr, 0), S_OK);
  BYTE* data = nullptr;
  first->GetPointer(&data);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(data) % 16, 0u);
  EXPECT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);

  // With every sample out, a waiter is freed by Decommit...
  std::atomic<HRESULT> waited{S_FALSE};
  auto wait = [&] {
    IMediaSample* got = nullptr;
    waited = allocator->GetBuffer(&got, nullptr, nullptr, 0);
    if (got != nullptr) got->Release();
  };
  std::thread decommitted(wait);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(allocator->Decommit(), S_OK);
  decommitted.join();
  EXPECT_EQ(waited, VFW_E_NOT_COMMITTED);

  // ...and, committed again, by a sample coming back.
  ASSERT_EQ(allocator->Commit(), S_OK);
  waited = S_FALSE;
  std::thread served(wait);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  first->Release();
  served.join();
  EXPECT_EQ(waited, S_OK);
  second->Release();
  ASSERT_EQ(allocator->GetBuffer(&first, nullptr, nullptr, AM_GBF_NOWAIT), S_OK);
  ASSERT_EQ(allocator->GetBuffer(&second, nullptr, nullptr, AM_GBF_NOWAIT), S_OK);
  first->Release();
  second->Release();
  EXPECT_EQ(allocator->Decommit(), S_OK);
  EXPECT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
}

TEST(FilterGraphTest, NamesPinsAndConnectionsFollowTheRules) {
  MovieGraph movie(ReadFileBytes(MovieNamed("mpeg4-pcm.avi").path));
  ASSERT_EQ(movie.videoResult, S_OK);
  ASSERT_EQ(movie.audioResult, S_OK);

  // A name in use gets a number.
  ComPtr<IBaseFilter> extra(static_cast<IBaseFilter*>(CRecordingRenderer::Create()));
  EXPECT_EQ(movie.graph->AddFilter(extra.Get(), L"SourceFilter"), VFW_S_DUPLICATE_NAME);
  FILTER_INFO info{};
  extra->QueryFilterInfo(&info);
  EXPECT_STREQ(info.achName, L"SourceFilter 0001");
  if (info.pGraph != nullptr) info.pGraph->Release();
  ComPtr<IBaseFilter> found;
  EXPECT_EQ(movie.graph->FindFilterByName(L"Audio Renderer", found.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(movie.graph->FindFilterByName(L"Nobody", found.ReleaseAndGetAddressOf()),
            VFW_E_NOT_FOUND);

  // Wrong directions and connected pins are refused.
  ComPtr<IPin> sourceOut = FindPinOf(movie.source.Get(), PINDIR_OUTPUT);
  ComPtr<IPin> extraIn = FindPinOf(extra.Get(), PINDIR_INPUT);
  EXPECT_EQ(movie.graph->ConnectDirect(extraIn.Get(), sourceOut.Get(), nullptr),
            VFW_E_INVALID_DIRECTION);
  EXPECT_EQ(movie.graph->ConnectDirect(sourceOut.Get(), extraIn.Get(), nullptr),
            VFW_E_ALREADY_CONNECTED);
  AM_MEDIA_TYPE type;
  EXPECT_EQ(extraIn->ConnectionMediaType(&type), VFW_E_NOT_CONNECTED);

  // The video connection is bottom-up RGB32 at the movie's size.
  ComPtr<IBasicVideo> video;
  ASSERT_EQ(movie.graph.As(&video), S_OK);
  LONG width = 0;
  LONG height = 0;
  EXPECT_EQ(video->GetVideoSize(&width, &height), S_OK);
  EXPECT_EQ(width, kMovieWidth);
  EXPECT_EQ(height, kMovieHeight);
  ComPtr<IPin> rendererIn = FindPinOf(movie.rendererFilter.Get(), PINDIR_INPUT);
  CMediaType connected;
  ASSERT_EQ(rendererIn->ConnectionMediaType(&connected), S_OK);
  EXPECT_GT(reinterpret_cast<VIDEOINFOHEADER*>(connected.pbFormat)->bmiHeader.biHeight, 0);

  // Nothing changes while running; removing a filter breaks its connections.
  ASSERT_EQ(movie.control->Run(), S_OK);
  EXPECT_EQ(movie.graph->RemoveFilter(extra.Get()), VFW_E_NOT_STOPPED);
  ASSERT_EQ(movie.control->Stop(), S_OK);
  ComPtr<IBaseFilter> splitter;
  ASSERT_EQ(movie.graph->FindFilterByName(L"Splitter", splitter.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(movie.graph->RemoveFilter(splitter.Get()), S_OK);
  ComPtr<IPin> other;
  EXPECT_EQ(sourceOut->ConnectedTo(other.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(rendererIn->ConnectedTo(other.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
}

}  // namespace
}  // namespace tavorin::test
