// Copying, pasting and partial writing of spline tracks: the editing
// operations motions offer on their channels.
#include <new>

#include "KeyTracks.h"
#include "animation/CurveRun.h"

using namespace tavorin::animation;

namespace {

constexpr size_t kMaxKeys = 0xFFFF;

INT Shift(INT frame, LONGLONG by) {
  return INT(LONGLONG(frame) + by);
}

CurveKey Pasted(const CurveKey& key, LONGLONG by, float offset) {
  CurveKey pasted = key;
  pasted.frame = Shift(key.frame, by);
  pasted.value = key.value + offset;
  return pasted;
}

// Appends keys to an array, or only counts them when there is none, so the
// same pass first sizes the result exactly and then fills it.
class KeySink {
 public:
  explicit KeySink(CurveKey* out) : m_out(out) {}
  void Add(const CurveKey& key) {
    if (m_out != nullptr) m_out[m_count] = key;
    ++m_count;
  }
  size_t Count() const { return m_count; }

 private:
  CurveKey* m_out;
  size_t m_count = 0;
};

struct PasteRange {
  LONGLONG at, from, to;
  float offset;
};

void BuildInsertOrReplace(const CurveTrack& dest, const CurveTrack& source, const PasteRange& r,
                          bool replace, KeySink& sink) {
  const LONGLONG by = r.at - r.from;
  int d = 0;
  for (; d < dest.keyCount && dest.keys[d].frame < r.at; ++d) sink.Add(dest.keys[d]);
  for (int s = 0; s < source.keyCount; ++s) {
    const CurveKey& key = source.keys[s];
    if (key.frame >= r.from && key.frame <= r.to) sink.Add(Pasted(key, by, r.offset));
  }
  if (replace) {
    const LONGLONG lastDropped = r.at + (r.to - r.from) + 1;
    while (d < dest.keyCount && dest.keys[d].frame <= lastDropped) ++d;
    for (; d < dest.keyCount; ++d) sink.Add(dest.keys[d]);
  } else {
    const LONGLONG gap = r.to - r.from + 1;
    for (; d < dest.keyCount; ++d) {
      CurveKey moved = dest.keys[d];
      moved.frame = Shift(moved.frame, gap);
      sink.Add(moved);
    }
  }
}

void BuildMerge(const CurveTrack& dest, const CurveTrack& source, const PasteRange& r,
                KeySink& sink) {
  const LONGLONG by = r.at - r.from;
  int d = 0, s = 0;
  while (d < dest.keyCount || s < source.keyCount) {
    if (s == source.keyCount) {
      sink.Add(dest.keys[d++]);
      continue;
    }
    const CurveKey pasted = Pasted(source.keys[s], by, r.offset);
    if (d < dest.keyCount && dest.keys[d].frame < pasted.frame) {
      sink.Add(dest.keys[d++]);
      continue;
    }
    if (d < dest.keyCount && dest.keys[d].frame == pasted.frame) ++d;
    sink.Add(pasted);
    ++s;
  }
}

void BuildPaste(const CurveTrack& dest, const CurveTrack& source, const PasteRange& r, DWORD mode,
                KeySink& sink) {
  if (mode == kPasteMerge) {
    BuildMerge(dest, source, r, sink);
  } else {
    BuildInsertOrReplace(dest, source, r, mode == kPasteReplace, sink);
  }
}

}  // namespace

HRESULT SerializeCurveRange(const CurveTrack& track, INT from, INT to, BOOL rebase,
                            IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  int first = 0;
  while (first < track.keyCount && track.keys[first].frame < from) ++first;
  int end = first;
  while (end < track.keyCount && track.keys[end].frame <= to) ++end;
  RunWriter out(writer);
  WriteCurveRun(out, track.keys.get() + first, WORD(end - first), track.preBehavior,
                track.postBehavior, false, rebase ? from : 0);
  *size = out.Written();
  return S_OK;
}

HRESULT CopyCurveTrack(CurveTrack& dest, const CurveTrack& source, float offset) {
  std::unique_ptr<CurveKey[]> keys;
  const WORD count = source.keys ? source.keyCount : 0;
  if (count > 0) {
    keys.reset(new (std::nothrow) CurveKey[count]);
    if (!keys) {
      dest.keys.reset();
      dest.keyCount = 0;
      return E_OUTOFMEMORY;
    }
    for (WORD i = 0; i < count; ++i) {
      keys[i] = source.keys[i];
      keys[i].value += offset;
    }
  }
  dest.preBehavior = source.preBehavior;
  dest.postBehavior = source.postBehavior;
  dest.keys = std::move(keys);
  dest.keyCount = count;
  return S_OK;
}

HRESULT PasteCurveTrack(CurveTrack& dest, const CurveTrack& source, INT at, INT from, INT to,
                        DWORD mode, float offset) {
  // An unknown mode would otherwise empty the destination and call it done.
  if (mode != kPasteInsert && mode != kPasteReplace && mode != kPasteMerge) return E_INVALIDARG;
  const PasteRange range{at, from, to, offset};
  KeySink counter(nullptr);
  BuildPaste(dest, source, range, mode, counter);
  // A track holds at most 65535 keys; a larger result cannot be stored
  // without dropping keys.
  if (counter.Count() > kMaxKeys) return E_FAIL;

  std::unique_ptr<CurveKey[]> keys;
  if (counter.Count() > 0) {
    keys.reset(new (std::nothrow) CurveKey[counter.Count()]);
    if (!keys) return E_OUTOFMEMORY;
    KeySink filler(keys.get());
    BuildPaste(dest, source, range, mode, filler);
  }
  dest.keys = std::move(keys);
  dest.keyCount = WORD(counter.Count());
  return S_OK;
}

HRESULT PasteCurveFromStream(IFileReader* reader, CurveTrack& dest, INT at, INT from, INT to,
                             DWORD mode, DWORD length, DWORD* consumed) {
  if (consumed != nullptr) *consumed = 0;
  if (reader == nullptr || consumed == nullptr) return E_POINTER;
  CurveTrack clip;
  RunReader in(reader, length);
  const HRESULT hr = ReadCurveRun(in, clip);
  *consumed = in.Consumed();
  if (FAILED(hr)) return hr;

  // Only keys inside [from, to] take part, in every mode.
  WORD kept = 0;
  for (WORD i = 0; i < clip.keyCount; ++i) {
    if (clip.keys[i].frame >= from && clip.keys[i].frame <= to) clip.keys[kept++] = clip.keys[i];
  }
  clip.keyCount = kept;
  return PasteCurveTrack(dest, clip, at, from, to, mode, 0.0f);
}
