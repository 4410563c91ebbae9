// Media samples for filter tests, from a plain memory allocator.
#pragma once

#include <comobject.h>
#include <streams.h>

namespace tavorin::test {

// An allocator of `count` committed buffers of `size` bytes.
inline ComPtr<IMemAllocator> MakeAllocator(LONG size, LONG count = 2) {
  HRESULT hr = S_OK;
  auto* made = new CMemAllocator(NAME("test samples"), nullptr, &hr);
  ComPtr<IMemAllocator> allocator;
  made->NonDelegatingQueryInterface(IID_IMemAllocator,
                                    reinterpret_cast<void**>(allocator.ReleaseAndGetAddressOf()));
  ALLOCATOR_PROPERTIES wanted{count, size, 1, 0};
  ALLOCATOR_PROPERTIES actual{};
  allocator->SetProperties(&wanted, &actual);
  allocator->Commit();
  return allocator;
}

inline ComPtr<IMediaSample> TakeSample(IMemAllocator* allocator) {
  ComPtr<IMediaSample> sample;
  allocator->GetBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
  return sample;
}

}  // namespace tavorin::test
