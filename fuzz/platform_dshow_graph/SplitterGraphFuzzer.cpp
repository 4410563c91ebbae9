// Feeds arbitrary bytes through a whole graph: a source serving them, the
// splitter, a video renderer and the audio renderer, run without a clock to
// the end. Whatever the bytes, building fails with an error or the run
// completes; threads end with the graph.
#include <cstdlib>

#include "platform_dshow/MovieGraph.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tavorin::test::MovieGraph movie(std::vector<uint8_t>(data, data + size));
  if (FAILED(movie.videoResult)) return 0;
  tavorin::ComPtr<IMediaFilter> filter;
  movie.graph.As(&filter);
  filter->SetSyncSource(nullptr);
  if (FAILED(movie.control->Run())) std::abort();
  LONG code = movie.WaitForEnd(20000);
  if (code != EC_COMPLETE && code != EC_ERRORABORT) std::abort();
  movie.control->Stop();
  return 0;
}
