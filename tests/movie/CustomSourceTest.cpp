#include <ICustomSource.h>
#include <comobject.h>
#include <gtest/gtest.h>
#include <streams.h>

#include <vector>

#include "movie/CheckBytes.h"
#include "movie/CustomSource.h"
#include "movie/MemoryStream.h"
#include "movie/Samples.h"
#include "support/TempDir.h"

namespace tavorin::test {
namespace {

constexpr LONGLONG kUnitsPerByte = 10000000;

ComPtr<IReadAccesser> StreamOf(std::vector<BYTE> bytes) {
  auto* stream = new MemoryStream;
  stream->Init(std::move(bytes));
  return ComPtr<IReadAccesser>(stream);
}

struct Source {
  ComPtr<IBaseFilter> filter;
  IPin* pin = nullptr;  // owned by the filter
  ComPtr<IAsyncReader> reader;

  explicit Source(IReadAccesser* stream) {
    EXPECT_EQ(CreateCustomSource(filter.ReleaseAndGetAddressOf(), stream), S_OK);
    pin = static_cast<CBaseFilter*>(static_cast<movie::CCSFilter*>(filter.Get()))->GetPin(0);
    pin->QueryInterface(IID_IAsyncReader,
                        reinterpret_cast<void**>(reader.ReleaseAndGetAddressOf()));
  }
};

void SetBytes(IMediaSample* sample, LONGLONG position, LONGLONG length) {
  REFERENCE_TIME start = position * kUnitsPerByte;
  REFERENCE_TIME stop = (position + length) * kUnitsPerByte;
  sample->SetTime(&start, &stop);
}

// A renderer that takes any type and never asks for IAsyncReader.
class AnyRenderer : public CBaseRenderer {
 public:
  AnyRenderer(HRESULT* result) : CBaseRenderer(GUID_NULL, NAME("any"), nullptr, result) {}
  HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
  HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }
};

TEST(CustomSourceTest, ReadsLengthAndRequestsFollowTheStream) {
  std::vector<BYTE> bytes = PatternBytes(1000000, 7);
  ComPtr<IReadAccesser> stream = StreamOf(bytes);
  ComPtr<IBaseFilter> none;
  EXPECT_EQ(CreateCustomSource(nullptr, stream.Get()), E_POINTER);
  EXPECT_EQ(CreateCustomSource(none.ReleaseAndGetAddressOf(), nullptr), E_POINTER);
  EXPECT_FALSE(none);
  Source source(stream.Get());
  ASSERT_TRUE(source.reader);

  // Length leaves the position alone.
  stream->Seek(1234, 0);
  LONGLONG total = 0, available = 0;
  EXPECT_EQ(source.reader->Length(&total, &available), S_OK);
  EXPECT_EQ(total, 1000000);
  EXPECT_EQ(available, 1000000);
  EXPECT_EQ(stream->Tell(), 1234u);

  BYTE buffer[16] = {};
  EXPECT_EQ(source.reader->SyncRead(500000, 16, buffer), S_OK);
  EXPECT_EQ(std::vector<BYTE>(buffer, buffer + 16),
            std::vector<BYTE>(bytes.begin() + 500000, bytes.begin() + 500016));
  EXPECT_EQ(source.reader->SyncRead(999990, 16, buffer), S_OK);

  // The pin's own allocator, with an alignment of at least 1.
  ALLOCATOR_PROPERTIES wanted{2, 4096, 0, 0};
  ComPtr<IMemAllocator> allocator;
  ASSERT_EQ(source.reader->RequestAllocator(nullptr, &wanted, allocator.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(wanted.cbAlign, 1);
  EXPECT_EQ(source.reader->RequestAllocator(nullptr, nullptr, allocator.ReleaseAndGetAddressOf()),
            E_INVALIDARG);

  ComPtr<IMemAllocator> samples = MakeAllocator(64, 3);
  ComPtr<IMediaSample> first = TakeSample(samples.Get());
  ComPtr<IMediaSample> second = TakeSample(samples.Get());
  SetBytes(first.Get(), 100, 32);
  // Asking for more than the buffer holds reads only what fits.
  SetBytes(second.Get(), 999950, 1000);
  EXPECT_EQ(source.reader->Request(nullptr, 0), E_POINTER);
  ASSERT_EQ(source.reader->Request(first.Get(), 11), S_OK);
  ASSERT_EQ(source.reader->Request(second.Get(), 22), S_OK);

  IMediaSample* done = nullptr;
  DWORD_PTR user = 0;
  ASSERT_EQ(source.reader->WaitForNext(0, &done, &user), S_OK);
  EXPECT_EQ(done, first.Get());
  EXPECT_EQ(user, 11u);
  BYTE* data = nullptr;
  first->GetPointer(&data);
  ASSERT_EQ(first->GetActualDataLength(), 32);
  EXPECT_EQ(std::vector<BYTE>(data, data + 32),
            std::vector<BYTE>(bytes.begin() + 100, bytes.begin() + 132));
  ASSERT_EQ(source.reader->WaitForNext(0, &done, &user), S_OK);
  EXPECT_EQ(done, second.Get());
  EXPECT_EQ(second->GetActualDataLength(), 50);  // the stream's end came first
  EXPECT_EQ(source.reader->WaitForNext(0, &done, &user), VFW_E_TIMEOUT);
  EXPECT_EQ(done, nullptr);
}

TEST(CustomSourceTest, FlushingRefusesRequestsAndEndsWithAnEmptyQueue) {
  Source source(StreamOf(PatternBytes(4096)).Get());
  ComPtr<IMemAllocator> samples = MakeAllocator(64, 2);
  ComPtr<IMediaSample> sample = TakeSample(samples.Get());
  SetBytes(sample.Get(), 0, 16);
  ASSERT_EQ(source.reader->Request(sample.Get(), 1), S_OK);

  EXPECT_EQ(source.reader->BeginFlush(), S_OK);
  EXPECT_EQ(source.reader->Request(sample.Get(), 2), VFW_E_WRONG_STATE);
  // The completed request is still handed out while flushing.
  IMediaSample* done = nullptr;
  DWORD_PTR user = 0;
  EXPECT_EQ(source.reader->WaitForNext(0, &done, &user), S_OK);
  EXPECT_EQ(done, sample.Get());
  EXPECT_EQ(source.reader->Request(sample.Get(), 3), VFW_E_WRONG_STATE);
  // The refused request signalled: an empty queue answers at once.
  EXPECT_EQ(source.reader->WaitForNext(0, &done, &user), S_OK);
  EXPECT_EQ(done, nullptr);

  ASSERT_EQ(source.reader->Request(sample.Get(), 4), VFW_E_WRONG_STATE);
  EXPECT_EQ(source.reader->EndFlush(), S_OK);
  EXPECT_EQ(source.reader->WaitForNext(0, &done, &user), VFW_E_TIMEOUT);
  ASSERT_EQ(source.reader->Request(sample.Get(), 5), S_OK);
  EXPECT_EQ(source.reader->WaitForNext(0, &done, &user), S_OK);
  EXPECT_EQ(user, 5u);
}

TEST(CustomSourceTest, PinOffersTheDetectedStreamTypeAndNeedsAnAsyncReader) {
  // RIFF ... AVI: recognised by the registered check bytes.
  std::vector<BYTE> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '};
  riff.resize(512);
  ComPtr<IReadAccesser> stream = StreamOf(riff);
  GUID detected = movie::DetectStreamSubtype(stream.Get());
  Source source(stream.Get());
  CMediaType type;
  auto* pin = static_cast<movie::CCSOutPin*>(static_cast<CBasePin*>(source.pin));
  ASSERT_EQ(pin->GetMediaType(0, &type), S_OK);
  EXPECT_EQ(type.majortype, MEDIATYPE_Stream);
  EXPECT_EQ(type.subtype, detected);
  EXPECT_EQ(pin->GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
  EXPECT_EQ(pin->GetMediaType(-1, &type), E_INVALIDARG);
  EXPECT_EQ(pin->CheckMediaType(&type), S_OK);
  type.SetSubtype(&MEDIASUBTYPE_NULL);
  EXPECT_EQ(pin->CheckMediaType(&type), S_FALSE);

  Source unknown(StreamOf(std::vector<BYTE>(512, 0x33)).Get());
  ASSERT_EQ(
      static_cast<movie::CCSOutPin*>(static_cast<CBasePin*>(unknown.pin))->GetMediaType(0, &type),
      S_OK);
  EXPECT_EQ(type.subtype, movie::kUnknownStreamSubtype);

  // A downstream pin that never asks for IAsyncReader cannot connect.
  HRESULT hr = S_OK;
  auto* renderer = new AnyRenderer(&hr);
  renderer->NonDelegatingAddRef();
  Source fresh(StreamOf(riff).Get());
  EXPECT_EQ(fresh.pin->Connect(renderer->GetPin(0), nullptr), VFW_E_NO_TRANSPORT);
  IPin* connected = nullptr;
  EXPECT_TRUE(FAILED(fresh.pin->ConnectedTo(&connected)));
  renderer->NonDelegatingRelease();
}

}  // namespace
}  // namespace tavorin::test
