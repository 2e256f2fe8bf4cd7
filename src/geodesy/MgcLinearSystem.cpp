#include "geodesy/MgcLinearSystem.h"

#include <cmath>
#include <utility>
#include <vector>

namespace {

// An exact-zero test misses singular matrices whose rounding leaves a pivot
// of 1e-17 instead of 0 (three nearly collinear points), so the test is
// relative to the matrix's own scale.
constexpr double RelativePivotLimit = 1e-12;

template <typename Real>
bool GaussJordanInverse(int n, Real** A)
{
    if (n <= 0 || !A) return false;
    Real largest = 0;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            const Real v = std::fabs(A[r][c]);
            if (!(v <= largest)) largest = v; // NaN propagates and fails below
        }
    if (!(largest > 0) || !std::isfinite(largest)) return false;
    const Real limit = static_cast<Real>(RelativePivotLimit) * largest;

    std::vector<int> colIndex(static_cast<std::size_t>(n), 0);
    std::vector<int> rowIndex(static_cast<std::size_t>(n), 0);
    std::vector<bool> pivoted(static_cast<std::size_t>(n), false);

    for (int i = 0; i < n; ++i) {
        // The largest entry among unpivoted rows and columns; ties keep the first.
        Real max = 0;
        int row = 0;
        int col = 0;
        for (int r = 0; r < n; ++r) {
            if (pivoted[static_cast<std::size_t>(r)]) continue;
            for (int c = 0; c < n; ++c) {
                if (pivoted[static_cast<std::size_t>(c)]) continue;
                const Real v = std::fabs(A[r][c]);
                if (v > max) {
                    max = v;
                    row = r;
                    col = c;
                }
            }
        }
        if (!(max > limit)) return false;

        pivoted[static_cast<std::size_t>(col)] = true;
        if (row != col) std::swap(A[row], A[col]);
        rowIndex[static_cast<std::size_t>(i)] = row;
        colIndex[static_cast<std::size_t>(i)] = col;

        Real* pivotRow = A[col];
        const Real inv = static_cast<Real>(1) / pivotRow[col];
        pivotRow[col] = 1;
        for (int c = 0; c < n; ++c) pivotRow[c] *= inv;

        for (int r = 0; r < n; ++r) {
            if (r == col) continue;
            Real* rowR = A[r];
            const Real save = rowR[col];
            if (save == 0) continue;
            rowR[col] = 0;
            for (int c = 0; c < n; ++c) rowR[c] -= pivotRow[c] * save;
        }
    }

    for (int i = n - 1; i >= 0; --i) {
        const int r = rowIndex[static_cast<std::size_t>(i)];
        const int c = colIndex[static_cast<std::size_t>(i)];
        if (r != c)
            for (int k = 0; k < n; ++k) std::swap(A[k][r], A[k][c]);
    }
    return true;
}

} // namespace

namespace Mgc {

bool LinearSystem::Inverse(int n, double** A) { return GaussJordanInverse(n, A); }
bool LinearSystem::Inverse(int n, float** A) { return GaussJordanInverse(n, A); }

} // namespace Mgc
