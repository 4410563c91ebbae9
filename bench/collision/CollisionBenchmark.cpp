// Ray queries of a 10,000-triangle collision layer against a plain
// Möller–Trumbore loop over the same triangles, and posing a 10,000-vertex
// layer skinned by four motions a vertex. Prints the layer's rays per second
// as a ratio of the baseline's, measured in the same run.
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <comobject.h>

#include "IVeyaCollisionLayer.h"

namespace {

using tavorin::ComPtr;

constexpr int kTriangleCount = 10000;
constexpr int kRayCount = 1024;
constexpr WORD kSkinnedVertexCount = 10000;

struct Ray {
  D3DXVECTOR3 from, to;
};

// Small triangles scattered through a 20-unit cube, and rays from a sphere
// around it aimed at points inside it.
struct Scene {
  std::vector<D3DXVECTOR3> corners;  // three a triangle
  std::vector<Ray> rays;

  Scene() {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> inside(-10.0f, 10.0f), edge(-1.0f, 1.0f);
    for (int i = 0; i < kTriangleCount; ++i) {
      const D3DXVECTOR3 centre(inside(random), inside(random), inside(random));
      for (int k = 0; k < 3; ++k) {
        corners.push_back(centre + D3DXVECTOR3(edge(random), edge(random), edge(random)));
      }
    }
    for (int i = 0; i < kRayCount; ++i) {
      D3DXVECTOR3 direction(edge(random), edge(random), edge(random));
      D3DXVec3Normalize(&direction, &direction);
      const D3DXVECTOR3 target(inside(random), inside(random), inside(random));
      rays.push_back({target + direction * 30.0f, target});
    }
  }
};

const Scene& SharedScene() {
  static const Scene scene;
  return scene;
}

// Nearest hit along the ray (t > 0) over both faces of every triangle.
float MollerTrumbore(const std::vector<D3DXVECTOR3>& corners, const Ray& ray) {
  const D3DXVECTOR3 dir = ray.to - ray.from;
  float best = 1e30f;
  for (size_t i = 0; i < corners.size(); i += 3) {
    const D3DXVECTOR3 e1 = corners[i + 1] - corners[i], e2 = corners[i + 2] - corners[i];
    D3DXVECTOR3 p, q;
    D3DXVec3Cross(&p, &dir, &e2);
    const float det = D3DXVec3Dot(&e1, &p);
    if (det > -1e-12f && det < 1e-12f) continue;
    const float inverse = 1.0f / det;
    const D3DXVECTOR3 s = ray.from - corners[i];
    const float u = D3DXVec3Dot(&s, &p) * inverse;
    if (u < 0.0f || u > 1.0f) continue;
    D3DXVec3Cross(&q, &s, &e1);
    const float v = D3DXVec3Dot(&dir, &q) * inverse;
    if (v < 0.0f || u + v > 1.0f) continue;
    const float t = D3DXVec3Dot(&e2, &q) * inverse;
    if (t > 0.0f && t < best) best = t;
  }
  return best;
}

void BM_MollerTrumbore(benchmark::State& state) {
  const Scene& scene = SharedScene();
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(MollerTrumbore(scene.corners, scene.rays[next++ % kRayCount]));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MollerTrumbore);

void BM_HitTest(benchmark::State& state) {
  const Scene& scene = SharedScene();
  IVeyaCollisionLayer* raw = nullptr;
  IVeyaCollisionGroup* rawGroup = nullptr;
  if (FAILED(CreateCollisionLayer(&raw, nullptr, 0, nullptr, nullptr, 0)) ||
      FAILED(CreateCollisionGroup(&rawGroup, 0, 0, nullptr, 0, nullptr))) {
    state.SkipWithError("creation failed");
    return;
  }
  ComPtr<IVeyaCollisionLayer> layer(raw);
  ComPtr<IVeyaCollisionGroup> group(rawGroup);
  group->SetSide(1);
  layer->AllocateVertices(WORD(scene.corners.size()));
  for (WORD i = 0; i < scene.corners.size(); ++i) {
    layer->GetVertex(i)->restPosition = scene.corners[i];
  }
  layer->Update();
  layer->AllocateMeshes(1);
  CollisionMesh* mesh = layer->GetMesh(0);
  mesh->group = group.Get();
  group->AddRef();
  mesh->polygonCount = WORD(kTriangleCount);
  mesh->polygons = new CollisionPolygon[kTriangleCount];
  for (WORD i = 0; i < kTriangleCount; ++i) {
    for (WORD k = 0; k < 3; ++k) mesh->polygons[i].vertices[k] = WORD(3 * i + k);
  }
  size_t next = 0, hits = 0;
  for (auto _ : state) {
    const Ray& ray = scene.rays[next++ % kRayCount];
    D3DXVECTOR3 hit;
    hits += layer->HitTest(&hit, nullptr, nullptr, &ray.from, &ray.to, kCollisionRangeRay,
                           kCollisionPickNearest) != 0xFFFF;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["hit_share"] = double(hits) / double(state.iterations());
}
BENCHMARK(BM_HitTest);

void BM_Update(benchmark::State& state) {
  std::vector<ComPtr<IVeyaMotion>> motions;
  for (WORD i = 0; i < 4; ++i) {
    IVeyaMotion* motion = nullptr;
    if (FAILED(CreateMotion(&motion, i, nullptr, 0, nullptr))) {
      state.SkipWithError("CreateMotion failed");
      return;
    }
    motions.emplace_back(motion);
    D3DXMATRIX rotation, translation, skin;
    D3DXMatrixRotationYawPitchRoll(&rotation, 0.1f * i, 0.2f, 0.3f);
    D3DXMatrixTranslation(&translation, float(i), 1.0f, -2.0f);
    D3DXMatrixMultiply(&skin, &rotation, &translation);
    motion->SetInverseRestMatrix(&skin);
    motion->UpdateWorld();
  }
  IVeyaCollisionLayer* raw = nullptr;
  if (FAILED(CreateCollisionLayer(&raw, nullptr, 0, nullptr, nullptr, 0))) return;
  ComPtr<IVeyaCollisionLayer> layer(raw);
  layer->AllocateVertices(kSkinnedVertexCount);
  for (WORD i = 0; i < kSkinnedVertexCount; ++i) {
    CollisionVertex* vertex = layer->GetVertex(i);
    vertex->restPosition = D3DXVECTOR3(float(i % 100), float(i / 100), 0.5f);
    for (int k = 0; k < 4; ++k) {
      vertex->bones[k] = motions[k].Get();
      motions[k]->AddRef();
      vertex->weights[k] = 0.25f;
    }
  }
  for (auto _ : state) {
    layer->Update();
    benchmark::DoNotOptimize(layer->GetVertex(0)->position);
  }
  state.counters["ns_per_vertex"] =
      benchmark::Counter(double(state.iterations()) * kSkinnedVertexCount * 1e-9,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Update)->Unit(benchmark::kMicrosecond);

// Keeps each run's CPU time per iteration (steadier than wall time on a
// shared machine) to relate the layer's queries to the baseline.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.iterations > 0) m_perIteration[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    const auto baseline = m_perIteration.find("BM_MollerTrumbore");
    const auto layer = m_perIteration.find("BM_HitTest");
    if (baseline == m_perIteration.end() || layer == m_perIteration.end()) return;
    if (layer->second <= 0) return;
    std::printf(
        "\nHitTest rays per second / Moller-Trumbore rays per second (%d triangles): %.2f\n",
        kTriangleCount, baseline->second / layer->second);
  }

 private:
  std::map<std::string, double> m_perIteration;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
