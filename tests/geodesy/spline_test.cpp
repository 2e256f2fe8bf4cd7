// Gauss-Jordan inverse and the thin plate spline.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <random>
#include <vector>

#include "GeoTestData.h"
#include "geodesy/MgcInterp2DThinPlateSpline.h"
#include "geodesy/MgcLinearSystem.h"

using namespace geotest;
using Mgc::Interp2DThinPlateSpline;
using Mgc::LinearSystem;

namespace {

template <typename Real>
struct TMatrix {
    explicit TMatrix(int n) : N(n), Data(static_cast<std::size_t>(n * n)), Rows(static_cast<std::size_t>(n))
    {
        for (int i = 0; i < n; ++i) Rows[static_cast<std::size_t>(i)] = Data.data() + i * n;
    }
    Real& operator()(int r, int c) { return Rows[static_cast<std::size_t>(r)][c]; }
    int N;
    std::vector<Real> Data;
    std::vector<Real*> Rows;
};

Interp2DThinPlateSpline Fit(const std::vector<std::array<double, 3>>& p)
{
    std::vector<double> x, y, f;
    for (auto& q : p) {
        x.push_back(q[0]);
        y.push_back(q[1]);
        f.push_back(q[2]);
    }
    return Interp2DThinPlateSpline(static_cast<int>(p.size()), x.data(), y.data(), f.data(), 0.0);
}

} // namespace

TEST(LinearSystem, InverseOfIdentityPermutationAndRandomMatrices)
{
    TMatrix<double> id(4);
    for (int i = 0; i < 4; ++i) id(i, i) = 1;
    ASSERT_TRUE(LinearSystem::Inverse(4, id.Rows.data()));
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(id(i, j), i == j ? 1.0 : 0.0);

    const int perm[5] = {2, 0, 4, 1, 3};
    TMatrix<float> p(5);
    for (int i = 0; i < 5; ++i) p(i, perm[i]) = 1;
    ASSERT_TRUE(LinearSystem::Inverse(5, p.Rows.data()));
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) EXPECT_EQ(p(j, i), perm[i] == j ? 0.0f + 1 : 0.0f) << i << j; // transpose

    std::mt19937 rng(42);
    std::uniform_real_distribution<double> u(-10, 10);
    for (int n : {1, 2, 7, 30}) {
        TMatrix<double> a(n);
        for (auto& v : a.Data) v = u(rng);
        const std::vector<double> orig = a.Data;
        ASSERT_TRUE(LinearSystem::Inverse(n, a.Rows.data()));
        double worst = 0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                double s = 0;
                for (int k = 0; k < n; ++k) s += orig[static_cast<std::size_t>(i * n + k)] * a(k, j);
                worst = std::max(worst, std::fabs(s - (i == j)));
            }
        EXPECT_LT(worst, 1e-10) << n;
    }
}

TEST(LinearSystem, SingularMatricesIncludingRoundedOnes)
{
    TMatrix<double> zero(3);
    EXPECT_FALSE(LinearSystem::Inverse(3, zero.Rows.data()));
    TMatrix<double> rank2(3);
    const double rows[3][3] = {{1, 2, 3}, {4, 5, 6}, {5, 7, 9}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) rank2(i, j) = rows[i][j];
    EXPECT_FALSE(LinearSystem::Inverse(3, rank2.Rows.data()));
    // A rank-deficient matrix whose last pivot comes out as rounding noise
    // (0.1 + 0.2 - 0.3 is 5.6e-17, not 0).
    TMatrix<double> noisy(2);
    noisy(0, 0) = 0.1 + 0.2;
    noisy(0, 1) = 1;
    noisy(1, 0) = 0.3;
    noisy(1, 1) = 1;
    EXPECT_FALSE(LinearSystem::Inverse(2, noisy.Rows.data()));
    // Small but regular matrices are fine: the test is relative.
    TMatrix<double> small(2);
    small(0, 0) = 1e-20;
    small(1, 1) = 2e-20;
    ASSERT_TRUE(LinearSystem::Inverse(2, small.Rows.data()));
    EXPECT_DOUBLE_EQ(small(1, 1), 5e19);
}

// scipy's RBFInterpolator(kernel='thin_plate_spline', degree=1) on the
// rescaled coordinates, at the points and between them. The layouts include
// three map corners and points sharing pixel rows and columns, which made
// the kernel matrix alone singular; values are eastings and northings
// (5e5, 5e6 m), at which a float fit was kilometres off between the points.
TEST(ThinPlateSpline, AgainstScipyOnMapLayouts)
{
    std::map<std::string, std::vector<std::array<double, 3>>> layouts;
    for (const TRow& r : TTable("tps_points.csv").Rows())
        layouts[r.Text("layout")].push_back({r.Num("x"), r.Num("y"), r.Num("f")});
    std::map<std::string, Interp2DThinPlateSpline> fits;
    for (auto& [name, pts] : layouts) {
        fits.emplace(name, Fit(pts));
        EXPECT_TRUE(fits.at(name).IsInitialized()) << name;
    }
    ASSERT_GE(fits.size(), 24u);
    for (const TRow& r : TTable("tps_values.csv").Rows()) {
        const Interp2DThinPlateSpline& s = fits.at(r.Text("layout"));
        EXPECT_NEAR(s(r.Num("x"), r.Num("y")), r.Num("value"), 1e-6 * r.Num("range"))
            << r.Text("layout") << " " << r.Text("x") << " " << r.Text("y");
    }
}

TEST(ThinPlateSpline, ThreePointsAreAffineAndOrderDoesNotMatter)
{
    const std::vector<std::array<double, 3>> p = {{0.5, 0.5, 480000}, {6000.5, 0.5, 540000}, {0.5, 4000.5, 479000}};
    const Interp2DThinPlateSpline s = Fit(p);
    ASSERT_TRUE(s.IsInitialized());
    // f = 480000 + 10 (x - 0.5) - 0.25 (y - 0.5)
    for (double x : {-500.0, 0.5, 1234.0, 6000.5, 9000.0})
        for (double y : {0.5, 777.0, 4000.5})
            EXPECT_NEAR(s(x, y), 480000 + 10 * (x - 0.5) - 0.25 * (y - 0.5), 1e-6) << x << " " << y;
    const Interp2DThinPlateSpline r = Fit({p[2], p[0], p[1]});
    EXPECT_NEAR(r(3000, 2000), s(3000, 2000), 1e-6);
    // The float interface fits in double all the same.
    const float fx[3] = {0.5f, 6000.5f, 0.5f}, fy[3] = {0.5f, 0.5f, 4000.5f}, ff[3] = {480000, 540000, 479000};
    const Interp2DThinPlateSpline fs(3, fx, fy, ff, 0.0f);
    ASSERT_TRUE(fs.IsInitialized());
    EXPECT_NEAR(fs(3000.0f, 2000.0f), s(3000, 2000), 1e-3);
}

TEST(ThinPlateSpline, FailedFits)
{
    const double x[4] = {0, 1, 2, 3}, y[4] = {0, 1, 2, 5}, f[4] = {1, 2, 3, 4};
    // Collinear (the middle point's rescaled coordinates differ by rounding).
    for (double t : {0.1, 0.3, 0.7}) {
        const std::vector<std::array<double, 3>> c = {{100.5, 200.5, 1}, {100.5 + 800 * t, 200.5 + 600 * t, 2}, {900.5, 800.5, 3}};
        EXPECT_FALSE(Fit(c).IsInitialized()) << t;
    }
    EXPECT_FALSE(Fit({{0, 0, 1}, {1, 0, 2}, {0, 1, 3}, {1, 0, 4}}).IsInitialized()); // two equal points
    EXPECT_FALSE(Interp2DThinPlateSpline(2, x, y, f, 0).IsInitialized());
    EXPECT_FALSE(Interp2DThinPlateSpline(3, x, y, f, -1).IsInitialized());
    EXPECT_FALSE(Interp2DThinPlateSpline(3, nullptr, y, f, 0).IsInitialized());
    const double same[3] = {2, 2, 2};
    EXPECT_FALSE(Interp2DThinPlateSpline(3, same, y, f, 0).IsInitialized());
    EXPECT_FALSE(Interp2DThinPlateSpline(3, x, same, f, 0).IsInitialized());
    const double bad[3] = {1, std::nan(""), 3};
    EXPECT_FALSE(Interp2DThinPlateSpline(3, x, y, bad, 0).IsInitialized());
    EXPECT_TRUE(Interp2DThinPlateSpline(4, x, y, f, 0).IsInitialized());
    EXPECT_TRUE(Interp2DThinPlateSpline(4, x, y, f, 0.5).IsInitialized());
}

TEST(ThinPlateSpline, Kernel)
{
    EXPECT_EQ(Interp2DThinPlateSpline::Kernel(0.0), 0.0);
    EXPECT_EQ(Interp2DThinPlateSpline::Kernel(-1.0), 0.0);
    EXPECT_EQ(Interp2DThinPlateSpline::Kernel(1.0), 0.0);
    EXPECT_NEAR(Interp2DThinPlateSpline::Kernel(2.0), 4 * std::log(4.0), 1e-15);
}
