#include <cmath>
#include <limits>

#include "CollisionTestSupport.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::ExpectVectorNear;
using tavorin::test::MakeLayer;
using tavorin::test::NewGroup;

constexpr WORD kNoHit = 0xFFFF;

// One triangle in z = `z` whose normal points up +z, large enough to hold
// (0, 0): corners (−1, −1), (3, −1), (−1, 3); its long edge is x + y = 2.
std::vector<D3DXVECTOR3> Face(float z, float dx = 0) {
  return {{-1 + dx, -1, z}, {3 + dx, -1, z}, {-1 + dx, 3, z}};
}

std::vector<D3DXVECTOR3> Concat(std::initializer_list<std::vector<D3DXVECTOR3>> parts) {
  std::vector<D3DXVECTOR3> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

struct LineResult {
  WORD group;
  D3DXVECTOR3 hit;
  WORD mesh, polygon;
};

LineResult Line(IVeyaCollisionLayer* layer, D3DXVECTOR3 from, D3DXVECTOR3 to, int range, int pick,
                WORD startMesh = 0, WORD startPolygon = 0) {
  LineResult r{kNoHit, {-7, -7, -7}, startMesh, startPolygon};
  r.group = layer->HitTest(&r.hit, &r.mesh, &r.polygon, &from, &to, range, pick);
  return r;
}

TEST(HitTestTest, RangesSidesAndEdges) {
  ComPtr<IVeyaCollisionGroup> oneSided = NewGroup(3, 0);
  ComPtr<IVeyaCollisionGroup> twoSided = NewGroup(4, 1);
  ComPtr<IVeyaCollisionLayer> layer = MakeLayer(Face(0), {{twoSided.Get(), {{0, 1, 2}}}});

  // Segment: a segment ending exactly on the face hits, one stopping short
  // does not; the ray and the line reach on.
  LineResult r = Line(layer.Get(), {0, 0, 1}, {0, 0, 0}, kCollisionRangeSegment, 0);
  EXPECT_EQ(r.group, 4);
  ExpectVectorNear(r.hit, {0, 0, 0}, 0);
  EXPECT_EQ(Line(layer.Get(), {0, 0, 2}, {0, 0, 1}, kCollisionRangeSegment, 0).group, kNoHit);
  EXPECT_EQ(Line(layer.Get(), {0, 0, 2}, {0, 0, 1}, kCollisionRangeRay, 0).group, 4);
  EXPECT_EQ(Line(layer.Get(), {0, 0, 1}, {0, 0, 2}, kCollisionRangeRay, 0).group, kNoHit)
      << "the face lies behind the ray";
  EXPECT_EQ(Line(layer.Get(), {0, 0, 1}, {0, 0, 2}, kCollisionRangeLine, 0).group, 4);
  EXPECT_EQ(Line(layer.Get(), {0, 0, 1}, {0, 0, 2}, 7, 0).group, 4) << "any other range: line";

  // Parallel lines and lines in the face's plane never meet it.
  EXPECT_EQ(Line(layer.Get(), {0, 0, 1}, {1, 0, 1}, kCollisionRangeLine, 0).group, kNoHit);
  EXPECT_EQ(Line(layer.Get(), {0, 0, 0}, {1, 0, 0}, kCollisionRangeLine, 0).group, kNoHit);

  // Edges and corners count as inside; just beyond the edge is outside.
  r = Line(layer.Get(), {1, 1, 1}, {1, 1, -1}, kCollisionRangeSegment, 0);
  EXPECT_EQ(r.group, 4);
  ExpectVectorNear(r.hit, {1, 1, 0}, 0);
  EXPECT_EQ(Line(layer.Get(), {-1, -1, 1}, {-1, -1, -1}, 0, 0).group, 4);
  EXPECT_EQ(Line(layer.Get(), {1.01f, 1.01f, 1}, {1.01f, 1.01f, -1}, 0, 0).group, kNoHit);

  // One-sided faces are hit only against their normal.
  layer->GetMesh(0)->group = oneSided.Get();
  oneSided->AddRef();
  twoSided->Release();
  EXPECT_EQ(Line(layer.Get(), {0, 0, 1}, {0, 0, -1}, 0, 0).group, 3);
  EXPECT_EQ(Line(layer.Get(), {0, 0, -1}, {0, 0, 1}, 0, 0).group, kNoHit);
  oneSided->SetSide(1);
  EXPECT_EQ(Line(layer.Get(), {0, 0, -1}, {0, 0, 1}, 0, 0).group, 3);
}

TEST(HitTestTest, PickModesAndTies) {
  std::vector<ComPtr<IVeyaCollisionGroup>> g;
  for (WORD i = 0; i < 4; ++i) g.push_back(NewGroup(i, 1));
  // Meshes 0 and 2 in z = 0, meshes 1 and 3 in z = −1: ties at both depths.
  ComPtr<IVeyaCollisionLayer> layer =
      MakeLayer(Concat({Face(0), Face(-1)}), {{g[0].Get(), {{0, 1, 2}}},
                                              {g[1].Get(), {{3, 4, 5}}},
                                              {g[2].Get(), {{0, 1, 2}}},
                                              {g[3].Get(), {{3, 4, 5}}}});
  const D3DXVECTOR3 from(0, 0, 5), to(0, 0, -5);
  LineResult r = Line(layer.Get(), from, to, 0, kCollisionPickNearest);
  EXPECT_EQ(r.group, 0) << "the tie keeps the triangle met first";
  EXPECT_EQ(r.mesh, 0);
  ExpectVectorNear(r.hit, {0, 0, 0}, 0);
  r = Line(layer.Get(), from, to, 0, kCollisionPickFarthest);
  EXPECT_EQ(r.group, 1);
  EXPECT_EQ(r.mesh, 1);
  ExpectVectorNear(r.hit, {0, 0, -1}, 0);
  r = Line(layer.Get(), {0, 0, -5}, {0, 0, 5}, 0, kCollisionPickFirst);
  EXPECT_EQ(r.group, 0) << "visiting order, not distance";
  EXPECT_EQ(r.mesh, 0);
  EXPECT_EQ(Line(layer.Get(), from, to, 0, 3).group, kNoHit) << "unknown pick modes pick nothing";

  // The farthest pick never reports a hit at distance 0.
  ComPtr<IVeyaCollisionLayer> single = MakeLayer(Face(0), {{g[0].Get(), {{0, 1, 2}}}});
  EXPECT_EQ(Line(single.Get(), {0, 0, 0}, {0, 0, -1}, 0, kCollisionPickFarthest).group, kNoHit);
  EXPECT_EQ(Line(single.Get(), {0, 0, 0}, {0, 0, -1}, 0, kCollisionPickNearest).group, 0);
}

TEST(HitTestTest, StartMeshAndPolygon) {
  std::vector<ComPtr<IVeyaCollisionGroup>> g{NewGroup(0, 1), NewGroup(1, 1)};
  // Mesh 0: a face in z = 0 and one off to the side; mesh 1: faces in
  // z = −2 and z = −3.
  ComPtr<IVeyaCollisionLayer> layer =
      MakeLayer(Concat({Face(0), Face(-1, 100), Face(-2), Face(-3)}),
                {{g[0].Get(), {{0, 1, 2}, {3, 4, 5}}}, {g[1].Get(), {{6, 7, 8}, {9, 10, 11}}}});
  const D3DXVECTOR3 from(0, 0, 5), to(0, 0, -5);
  LineResult r = Line(layer.Get(), from, to, 0, kCollisionPickFirst, 1, 0);
  EXPECT_EQ(r.mesh, 1);
  EXPECT_EQ(r.polygon, 0);
  ExpectVectorNear(r.hit, {0, 0, -2}, 0);
  // The start polygon holds in every mesh the line query visits.
  r = Line(layer.Get(), from, to, 0, kCollisionPickNearest, 0, 1);
  EXPECT_EQ(r.group, 1);
  EXPECT_EQ(r.mesh, 1);
  EXPECT_EQ(r.polygon, 1);
  ExpectVectorNear(r.hit, {0, 0, -3}, 0);
  r = Line(layer.Get(), from, to, 0, 0, 2, 0);
  EXPECT_EQ(r.group, kNoHit);
  EXPECT_EQ(r.mesh, 2) << "outputs untouched";
  ExpectVectorNear(r.hit, {-7, -7, -7}, 0);
  EXPECT_EQ(layer->HitTest(nullptr, nullptr, nullptr, &from, &to, 0, 0), 0) << "outputs optional";
}

TEST(HitTestTest, DegenerateQueriesAndGeometryAnswerNoHit) {
  ComPtr<IVeyaCollisionGroup> group = NewGroup(0, 1);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  // Triangle 1 is collapsed to a line; triangle 2 names a vertex edited away.
  ComPtr<IVeyaCollisionLayer> layer =
      MakeLayer(Concat({Face(0), {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}}}),
                {{group.Get(), {{0, 1, 2}, {3, 4, 5}, {0, 1, 2}}}, {nullptr, {{0, 1, 2}}}});
  layer->GetMesh(0)->polygons[2].vertices[1] = 200;
  LineResult r = Line(layer.Get(), {0, 0, 1}, {0, 0, -1}, 0, kCollisionPickFarthest);
  EXPECT_EQ(r.polygon, 0) << "only the sound triangle is hit; the groupless mesh never";
  for (const auto& [from, to] :
       std::vector<std::pair<D3DXVECTOR3, D3DXVECTOR3>>{{{0, 0, 1}, {0, 0, 1}},
                                                        {{nan, 0, 1}, {0, 0, -1}},
                                                        {{0, 0, 1}, {0, inf, -1}},
                                                        {{0, 0, 3e38f}, {0, 0, -3e38f}}}) {
    r = Line(layer.Get(), from, to, kCollisionRangeLine, 0);
    EXPECT_EQ(r.group, kNoHit);
    ExpectVectorNear(r.hit, {-7, -7, -7}, 0);
  }
  D3DXVECTOR3 a, b, c;
  EXPECT_FALSE(layer->GetPolygon(0, 2, &a, &b, &c));
  EXPECT_FALSE(layer->GetPolygon(0, 3, &a, &b, &c));
  EXPECT_FALSE(layer->GetPolygon(2, 0, &a, &b, &c));
  EXPECT_FALSE(layer->GetPolygon(0, 0, &a, nullptr, &c));
  ASSERT_TRUE(layer->GetPolygon(0, 1, &a, &b, &c));
  ExpectVectorNear(b, {1, 1, 0}, 0);

  ComPtr<IVeyaCollisionLayer> empty = MakeLayer({}, {});
  EXPECT_EQ(Line(empty.Get(), {0, 0, 1}, {0, 0, -1}, 0, 0).group, kNoHit);
  const D3DXVECTOR3 centre(0, 0, 0);
  EXPECT_EQ(empty->HitTestSphere(nullptr, nullptr, nullptr, nullptr, &centre, 5, FALSE), kNoHit);
}

struct SphereResult {
  WORD group;
  D3DXVECTOR3 nearest;
  float distance;
  WORD mesh, polygon;
};

SphereResult Sphere(IVeyaCollisionLayer* layer, D3DXVECTOR3 centre, float radius,
                    BOOL firstHit = FALSE, WORD startMesh = 0, WORD startPolygon = 0) {
  SphereResult r{kNoHit, {-7, -7, -7}, -7, startMesh, startPolygon};
  r.group =
      layer->HitTestSphere(&r.nearest, &r.distance, &r.mesh, &r.polygon, &centre, radius, firstHit);
  return r;
}

TEST(HitTestTest, SphereFindsFaceEdgeFootOrCornerWithinItsRadius) {
  ComPtr<IVeyaCollisionGroup> oneSided = NewGroup(6, 0);
  ComPtr<IVeyaCollisionLayer> layer = MakeLayer(Face(0), {{oneSided.Get(), {{0, 1, 2}}}});
  const float half = std::sqrt(0.75f);

  SphereResult r = Sphere(layer.Get(), {0.25f, 0.5f, 0.5f}, 1);
  EXPECT_EQ(r.group, 6);
  ExpectVectorNear(r.nearest, {0.25f, 0.5f, 0});
  EXPECT_NEAR(r.distance, 0.5f, 1e-6f);

  r = Sphere(layer.Get(), {1.5f, 1.5f, 0.5f}, 1);
  EXPECT_EQ(r.group, 6) << "beside the long edge: the foot on it";
  ExpectVectorNear(r.nearest, {1, 1, 0});
  EXPECT_NEAR(r.distance, half, 1e-5f);

  r = Sphere(layer.Get(), {-1.5f, -1.5f, 0.5f}, 1);
  EXPECT_EQ(r.group, 6) << "beyond a corner: the corner";
  ExpectVectorNear(r.nearest, {-1, -1, 0}, 0);
  EXPECT_NEAR(r.distance, half, 1e-6f);

  EXPECT_EQ(Sphere(layer.Get(), {-1.5f, -1.5f, 0.5f}, 0.8f).group, kNoHit);
  EXPECT_EQ(Sphere(layer.Get(), {0, 0, 2}, 1).group, kNoHit) << "too far from the plane";
  EXPECT_EQ(Sphere(layer.Get(), {5, 5, 0.5f}, 1).group, kNoHit) << "near the plane only";

  r = Sphere(layer.Get(), {0, 0, -0.5f}, 1);
  EXPECT_EQ(r.group, kNoHit) << "behind a one-sided face";
  EXPECT_EQ(r.mesh, 0);
  EXPECT_EQ(r.distance, -7.0f);
  oneSided->SetSide(1);
  EXPECT_EQ(Sphere(layer.Get(), {0, 0, -0.5f}, 1).group, 6);

  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(Sphere(layer.Get(), {0, 0, 0.5f}, -1).group, kNoHit);
  EXPECT_EQ(Sphere(layer.Get(), {0, 0, 0.5f}, nan).group, kNoHit);
  EXPECT_EQ(Sphere(layer.Get(), {nan, 0, 0.5f}, 1).group, kNoHit);
  EXPECT_EQ(Sphere(layer.Get(), {0, 0, 0.5f}, 1, FALSE, 1).group, kNoHit);
}

TEST(HitTestTest, SphereTiesGoToTheLaterTriangleUnlessTheFirstHitIsAsked) {
  std::vector<ComPtr<IVeyaCollisionGroup>> g{NewGroup(0, 1), NewGroup(1, 1), NewGroup(2, 1)};
  // Meshes 0 and 1 share a face in z = 0; mesh 2 lies in z = −0.3 and holds
  // a second face in z = 0 after it.
  ComPtr<IVeyaCollisionLayer> layer = MakeLayer(
      Concat({Face(0), Face(-0.3f)}),
      {{g[0].Get(), {{0, 1, 2}}}, {g[1].Get(), {{0, 1, 2}}}, {g[2].Get(), {{3, 4, 5}, {0, 1, 2}}}});

  SphereResult r = Sphere(layer.Get(), {0, 0, 0.5f}, 1);
  EXPECT_EQ(r.group, 2) << "three faces at 0.5: the last one visited";
  EXPECT_EQ(r.polygon, 1);
  r = Sphere(layer.Get(), {0, 0, 0.5f}, 1, TRUE);
  EXPECT_EQ(r.group, 0);
  EXPECT_NEAR(r.distance, 0.5f, 1e-6f);

  r = Sphere(layer.Get(), {0, 0, -0.1f}, 1);
  EXPECT_EQ(r.group, 2);
  EXPECT_EQ(r.polygon, 1) << "z = 0 is nearer than z = −0.3";
  EXPECT_NEAR(r.distance, 0.1f, 1e-6f);

  // The start polygon holds in the start mesh only.
  r = Sphere(layer.Get(), {0, 0, -0.25f}, 1, TRUE, 1, 1);
  EXPECT_EQ(r.group, 2);
  EXPECT_EQ(r.polygon, 0);
  ExpectVectorNear(r.nearest, {0, 0, -0.3f});
}

TEST(HitTestTest, RemovingMeshesGivesBackTheirGroups) {
  std::vector<ComPtr<IVeyaCollisionGroup>> g{NewGroup(0, 1), NewGroup(1, 1), NewGroup(2, 1)};
  ComPtr<IVeyaCollisionLayer> layer = MakeLayer(
      Face(0), {{g[0].Get(), {{0, 1, 2}}}, {g[1].Get(), {{0, 1, 2}, {0, 2, 1}}}, {g[2].Get(), {}}});
  EXPECT_EQ(layer->GetPolygonCount(), 3);
  EXPECT_EQ(g[1]->AddRef(), 3u);
  g[1]->Release();
  layer->RemoveMesh(1);
  layer->RemoveMesh(5);
  EXPECT_EQ(g[1]->AddRef(), 2u) << "the layer's reference went with the mesh";
  g[1]->Release();
  ASSERT_EQ(layer->GetMeshCount(), 2);
  EXPECT_EQ(layer->GetMesh(1)->group, g[2].Get());
  EXPECT_EQ(layer->GetMesh(2), nullptr);
  EXPECT_EQ(layer->GetPolygonCount(), 1);
  EXPECT_EQ(Line(layer.Get(), {0, 0, 1}, {0, 0, -1}, 0, kCollisionPickFarthest).group, 0);
}

}  // namespace
