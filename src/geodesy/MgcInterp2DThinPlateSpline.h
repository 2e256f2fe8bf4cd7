#pragma once
// Two-dimensional thin plate spline through scattered values: each axis is
// rescaled to 0..1 by the range of the points, the kernel is t^2 ln t^2 and
// the affine part is fitted with it. Fitted and evaluated in double.

#include <vector>

namespace Mgc {

class Interp2DThinPlateSpline {
public:
    // Fits the n values f at the points (x, y). The fit fails (not
    // initialised) for fewer than three points, missing arrays, a negative
    // smoothing, all x or all y equal, values that are not finite, or points
    // that give no unique spline (collinear or coincident).
    Interp2DThinPlateSpline(int n, const double* x, const double* y, const double* f, double smooth);
    Interp2DThinPlateSpline(int n, const float* x, const float* y, const float* f, float smooth);

    bool IsInitialized() const { return m_bInitialized; }

    // The interpolated value; outside the fitted range the same formula
    // extrapolates. Meaningful only when initialised.
    double operator()(double x, double y) const;

    static double Kernel(double t);

private:
    void Fit(int n, const double* x, const double* y, const double* f, double smooth);

    bool m_bInitialized = false;
    int m_iQuantity = 0;
    std::vector<double> m_afX; // rescaled to 0..1
    std::vector<double> m_afY;
    std::vector<double> m_afA; // radial weights
    double m_afB[3] = {0.0, 0.0, 0.0};
    double m_fXMin = 0.0, m_fXMax = 0.0, m_fXInvRange = 0.0;
    double m_fYMin = 0.0, m_fYMax = 0.0, m_fYInvRange = 0.0;
};

} // namespace Mgc
