#include "geodesy/MgcInterp2DThinPlateSpline.h"

#include <algorithm>
#include <cmath>

#include "geodesy/MgcLinearSystem.h"

namespace {

// t^2 ln t^2 from the squared distance, without the square root.
double KernelOfSquare(double t2) { return t2 > 0.0 ? t2 * std::log(t2) : 0.0; }

bool AllFinite(int n, const double* v)
{
    return std::all_of(v, v + n, [](double d) { return std::isfinite(d); });
}

} // namespace

namespace Mgc {

Interp2DThinPlateSpline::Interp2DThinPlateSpline(int n, const double* x, const double* y, const double* f,
                                                 double smooth)
{
    Fit(n, x, y, f, smooth);
}

Interp2DThinPlateSpline::Interp2DThinPlateSpline(int n, const float* x, const float* y, const float* f,
                                                 float smooth)
{
    if (n < 3 || !x || !y || !f) return;
    std::vector<double> dx(x, x + n), dy(y, y + n), df(f, f + n);
    Fit(n, dx.data(), dy.data(), df.data(), smooth);
}

double Interp2DThinPlateSpline::Kernel(double t) { return t > 0.0 ? t * t * std::log(t * t) : 0.0; }

// The spline solves the bordered system [[K + smooth I, P], [P^T, 0]] for the
// radial weights and the affine part at once. Inverting K alone fails when K
// is singular (three map corners, two points on one pixel row), although the
// spline is well defined whenever the points are distinct and not collinear.
void Interp2DThinPlateSpline::Fit(int n, const double* x, const double* y, const double* f, double smooth)
{
    m_bInitialized = false;
    if (n < 3 || !x || !y || !f || !(smooth >= 0.0) || !std::isfinite(smooth)) return;
    if (!AllFinite(n, x) || !AllFinite(n, y) || !AllFinite(n, f)) return;

    m_iQuantity = n;
    const auto [xMin, xMax] = std::minmax_element(x, x + n);
    const auto [yMin, yMax] = std::minmax_element(y, y + n);
    m_fXMin = *xMin;
    m_fXMax = *xMax;
    m_fYMin = *yMin;
    m_fYMax = *yMax;
    if (!(m_fXMax > m_fXMin) || !(m_fYMax > m_fYMin)) return;
    m_fXInvRange = 1.0 / (m_fXMax - m_fXMin);
    m_fYInvRange = 1.0 / (m_fYMax - m_fYMin);
    if (!std::isfinite(m_fXInvRange) || !std::isfinite(m_fYInvRange)) return;

    m_afX.resize(static_cast<std::size_t>(n));
    m_afY.resize(static_cast<std::size_t>(n));
    m_afA.assign(static_cast<std::size_t>(n), 0.0);
    for (int i = 0; i < n; ++i) {
        m_afX[static_cast<std::size_t>(i)] = (x[i] - m_fXMin) * m_fXInvRange;
        m_afY[static_cast<std::size_t>(i)] = (y[i] - m_fYMin) * m_fYInvRange;
    }

    const int m = n + 3;
    std::vector<double> storage(static_cast<std::size_t>(m) * static_cast<std::size_t>(m), 0.0);
    std::vector<double*> rows(static_cast<std::size_t>(m));
    for (int r = 0; r < m; ++r) rows[static_cast<std::size_t>(r)] = storage.data() + static_cast<std::size_t>(r) * m;
    for (int i = 0; i < n; ++i) {
        double* row = rows[static_cast<std::size_t>(i)];
        const double xi = m_afX[static_cast<std::size_t>(i)];
        const double yi = m_afY[static_cast<std::size_t>(i)];
        for (int j = 0; j < n; ++j) {
            if (i == j) {
                row[j] = smooth;
            } else {
                const double dx = xi - m_afX[static_cast<std::size_t>(j)];
                const double dy = yi - m_afY[static_cast<std::size_t>(j)];
                row[j] = KernelOfSquare(dx * dx + dy * dy);
            }
        }
        row[n] = 1.0;
        row[n + 1] = xi;
        row[n + 2] = yi;
        rows[static_cast<std::size_t>(n)][i] = 1.0;
        rows[static_cast<std::size_t>(n + 1)][i] = xi;
        rows[static_cast<std::size_t>(n + 2)][i] = yi;
    }
    if (!LinearSystem::Inverse(m, rows.data())) return;

    // (a, b) = inverse x (f, 0, 0, 0). Values such as northings (5e6 m) are
    // taken relative to their mean, which only moves b0 and keeps the
    // rounding of the radial weights at the scale of the variation.
    double mean = 0.0;
    for (int j = 0; j < n; ++j) mean += f[j];
    mean /= n;
    for (int r = 0; r < m; ++r) {
        const double* row = rows[static_cast<std::size_t>(r)];
        double sum = 0.0;
        for (int j = 0; j < n; ++j) sum += row[j] * (f[j] - mean);
        if (r < n)
            m_afA[static_cast<std::size_t>(r)] = sum;
        else
            m_afB[r - n] = sum;
    }
    m_afB[0] += mean;
    m_bInitialized = true;
}

double Interp2DThinPlateSpline::operator()(double x, double y) const
{
    const double xs = (x - m_fXMin) * m_fXInvRange;
    const double ys = (y - m_fYMin) * m_fYInvRange;
    double value = m_afB[0] + m_afB[1] * xs + m_afB[2] * ys;
    for (std::size_t i = 0; i < m_afA.size(); ++i) {
        const double dx = xs - m_afX[i];
        const double dy = ys - m_afY[i];
        value += m_afA[i] * KernelOfSquare(dx * dx + dy * dy);
    }
    return value;
}

} // namespace Mgc
