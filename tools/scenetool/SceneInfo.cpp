#include "tools/scenetool/SceneInfo.h"

#include <comobject.h>

#include "tools/scenetool/FrameRange.h"

namespace scenetool {
namespace {

using tavorin::ComPtr;

const char* NameOf(const char* name) {
  return name != nullptr ? name : "";
}

std::string VectorText(const D3DXVECTOR3& v) {
  char text[96];
  std::snprintf(text, sizeof(text), "(%g, %g, %g)", v.x, v.y, v.z);
  return text;
}

// Lights hold no data the scene hands out, so they are counted in the file.
unsigned CountLightChunks(const Bytes& bytes) {
  unsigned lights = 0;
  for (size_t at = 8; at + 8 <= bytes.size();) {
    const uint32_t size = uint32_t(bytes[at + 4]) | uint32_t(bytes[at + 5]) << 8 |
                          uint32_t(bytes[at + 6]) << 16 | uint32_t(bytes[at + 7]) << 24;
    if (std::equal(bytes.begin() + long(at), bytes.begin() + long(at) + 4, "LIGT")) ++lights;
    at += 8 + size_t(size);
  }
  return lights;
}

FrameRange LayerRange(IVeyaLayer* layer) {
  FrameRange range;
  range.Add(*layer->GetVisibilityTrack());
  range.Add(*layer->GetMorphTargetTrack());
  range.Add(*layer->GetMorphWeightTrack());
  return range;
}

FrameRange MotionRange(IVeyaMotion* motion) {
  FrameRange range;
  for (CurveTrack* track :
       {motion->GetTrackTranslationX(), motion->GetTrackTranslationY(),
        motion->GetTrackTranslationZ(), motion->GetTrackRotationX(), motion->GetTrackRotationY(),
        motion->GetTrackRotationZ(), motion->GetTrackScaleX(), motion->GetTrackScaleY(),
        motion->GetTrackScaleZ()}) {
    range.Add(*track);
  }
  return range;
}

FrameRange SurfaceRange(IVeyaSurface* surface) {
  FrameRange range;
  for (CurveTrack* track :
       {surface->GetColorRedTrack(), surface->GetColorGreenTrack(), surface->GetColorBlueTrack(),
        surface->GetDiffuseTrack(), surface->GetExtraTrack(), surface->GetEmissiveTrack(),
        surface->GetSpecularTrack(), surface->GetPowerTrack()}) {
    range.Add(*track);
  }
  range.Add(*surface->GetTextureIndexTrack());
  return range;
}

void PrintLayers(std::FILE* out, IVeya2* scene, FrameRange& all) {
  std::fprintf(out, "layers: %u\n", scene->GetLayerCount());
  for (WORD l = 0; l < scene->GetLayerCount(); ++l) {
    ComPtr<IVeyaLayer> layer(scene->GetLayer(l));
    unsigned vertices = 0;
    for (WORD m = 0; m < layer->GetMeshCount(); ++m) vertices += layer->GetMesh(m)->vertexCount;
    D3DXVECTOR3 min, max;
    layer->GetBoundingBox(&min, &max);
    const FrameRange range = LayerRange(layer.Get());
    all.Add(range);
    std::fprintf(out,
                 "  %u \"%s\": %u meshes, %u vertices, %u polygons, %u bones, %u links, %s, "
                 "box %s-%s, %s\n",
                 l, NameOf(layer->GetName()), layer->GetMeshCount(), vertices,
                 layer->GetPolygonCount(), layer->GetBoneCount(), layer->GetMotionLinkCount(),
                 layer->IsVisible() ? "shown" : "hidden", VectorText(min).c_str(),
                 VectorText(max).c_str(), range.Text().c_str());
  }
}

void PrintMotions(std::FILE* out, IVeya2* scene, FrameRange& all) {
  std::fprintf(out, "motions: %u\n", scene->GetMotionCount());
  for (WORD m = 0; m < scene->GetMotionCount(); ++m) {
    ComPtr<IVeyaMotion> motion(scene->GetMotion(m));
    const FrameRange range = MotionRange(motion.Get());
    all.Add(range);
    const WORD parent = motion->GetParentIndex();
    std::fprintf(out, "  %u \"%s\": parent %s, %s\n", m, NameOf(motion->GetName()),
                 parent == 0xFFFF ? "none" : std::to_string(parent).c_str(), range.Text().c_str());
  }
}

void PrintSurfaces(std::FILE* out, IVeya2* scene, FrameRange& all) {
  std::fprintf(out, "surfaces: %u\n", scene->GetSurfaceCount());
  for (WORD s = 0; s < scene->GetSurfaceCount(); ++s) {
    ComPtr<IVeyaSurface> surface(scene->GetSurface(s));
    const FrameRange range = SurfaceRange(surface.Get());
    all.Add(range);
    std::fprintf(out, "  %u \"%s\": %u textures%s, %u polygons, %s\n", s,
                 NameOf(surface->GetName()), surface->GetTextureCount(),
                 surface->GetToonTexture() != nullptr ? " and a toon texture" : "",
                 scene->GetSurfacePolygonCount(s), range.Text().c_str());
  }
}

void PrintCameras(std::FILE* out, IVeya2* scene) {
  std::fprintf(out, "cameras: %u\n", scene->GetCameraCount());
  for (WORD c = 0; c < scene->GetCameraCount(); ++c) {
    ComPtr<IVeyaCamera> camera(scene->GetCamera(c));
    std::fprintf(out, "  %u \"%s\": motion %d, field of view %g\n", c, NameOf(camera->GetName()),
                 camera->GetMotionIndex(), camera->GetFov());
  }
}

void PrintCollision(std::FILE* out, IVeya2* scene) {
  std::fprintf(out, "collision groups: %u\n", scene->GetCollisionGroupCount());
  for (WORD g = 0; g < scene->GetCollisionGroupCount(); ++g) {
    ComPtr<IVeyaCollisionGroup> group(scene->GetCollisionGroup(g));
    std::fprintf(out, "  %u \"%s\": %s-sided, %u polygons\n", g, NameOf(group->GetName()),
                 group->GetSide() ? "one" : "two", scene->GetCollisionGroupUseCount(g));
  }
  std::fprintf(out, "collision layers: %u\n", scene->GetCollisionLayerCount());
  for (WORD l = 0; l < scene->GetCollisionLayerCount(); ++l) {
    ComPtr<IVeyaCollisionLayer> layer(scene->GetCollisionLayer(l));
    std::fprintf(out, "  %u \"%s\": %s, %u vertices, %u meshes, %u polygons\n", l,
                 NameOf(layer->GetName()), layer->GetEnable() ? "enabled" : "disabled",
                 layer->GetVertexCount(), layer->GetMeshCount(), layer->GetPolygonCount());
  }
}

void PrintMorphs(std::FILE* out, IVeya2* scene, FrameRange& all) {
  ComPtr<IVeyaLipsync> lipsync(scene->GetLipsync());
  DWORD pair = 0;
  lipsync->GetLayers(&pair);
  FrameRange lipsyncRange;
  lipsyncRange.Add(*lipsync->GetTrack());
  all.Add(lipsyncRange);
  std::fprintf(out, "lip-sync: mode %u, layers %u -> %u, %s\n", lipsync->GetMode(),
               unsigned(LOWORD(pair)), unsigned(HIWORD(pair)), lipsyncRange.Text().c_str());
  ComPtr<IVeyaBlink> blink(scene->GetBlink());
  DWORD layers[2] = {};
  blink->GetLayers(layers);
  FrameRange blinkRange;
  blinkRange.Add(*blink->GetTrack());
  all.Add(blinkRange);
  std::fprintf(out, "blink: mode %u, layers %u -> %u, %u ms, %s\n", blink->GetMode(),
               unsigned(LOWORD(layers[0])), unsigned(HIWORD(layers[0])), unsigned(layers[1]),
               blinkRange.Text().c_str());
}

}  // namespace

void PrintSceneInfo(std::FILE* out, IVeya2* scene, const Bytes& bytes) {
  D3DXVECTOR3 min, max;
  scene->GetBoundingBox(&min, &max);
  std::fprintf(out, "size: %zu bytes\nbounding box: %s-%s\n", bytes.size(), VectorText(min).c_str(),
               VectorText(max).c_str());
  FrameRange all;
  PrintLayers(out, scene, all);
  PrintMotions(out, scene, all);
  PrintSurfaces(out, scene, all);
  PrintCameras(out, scene);
  std::fprintf(out, "lights: %u\n", CountLightChunks(bytes));
  PrintCollision(out, scene);
  PrintMorphs(out, scene, all);
  std::fprintf(out, "all tracks: %s\n", all.Text().c_str());
}

}  // namespace scenetool
