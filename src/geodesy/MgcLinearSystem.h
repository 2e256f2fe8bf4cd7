#pragma once
// In-place matrix inverse by Gauss-Jordan elimination with full pivoting.

namespace Mgc {

class LinearSystem {
public:
    // Replaces the n x n matrix A (n row pointers) by its inverse. False when
    // A is singular: a pivot of at most 1e-12 times the largest entry of A.
    // A is then left in an undefined partial state.
    static bool Inverse(int n, double** A);
    static bool Inverse(int n, float** A);
};

} // namespace Mgc
