#include "qorsolve/integer/row_lattice.h"

#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

__extension__ typedef __int128 Wide;

bool fits(Wide v, int64_t largest) {
    return v <= largest && v >= -largest;
}

// U (by columns) and its inverse V (by rows), kept inverse to each other while columns of U
// are combined, and c^T U.
class Reduction {
  public:
    explicit Reduction(const std::vector<int64_t>& c)
        : n_(c.size()), a_(c), u_(n_, std::vector<int64_t>(n_, 0)), v_(u_) {
        for (size_t i = 0; i < n_; ++i) u_[i][i] = v_[i][i] = 1;
    }

    // Column i of U plus m times column k (a_i + m a_k); V's row k less m times row i keeps
    // V = U^-1. False, with nothing changed, when an entry would grow too large.
    bool addColumn(size_t i, size_t k, int64_t m) {
        if (!fits(Wide(a_[i]) + Wide(m) * a_[k], LARGEST_LATTICE_ENTRY)) return false;
        for (size_t r = 0; r < n_; ++r) {
            if (!fits(Wide(u_[r][i]) + Wide(m) * u_[r][k], LARGEST_LATTICE_ENTRY)) return false;
            if (!fits(Wide(v_[k][r]) - Wide(m) * v_[i][r], LARGEST_LATTICE_ENTRY)) return false;
        }
        a_[i] += m * a_[k];
        for (size_t r = 0; r < n_; ++r) {
            u_[r][i] += m * u_[r][k];
            v_[k][r] -= m * v_[i][r];
        }
        return true;
    }

    void swapColumns(size_t i, size_t k) {
        std::swap(a_[i], a_[k]);
        for (size_t r = 0; r < n_; ++r) std::swap(u_[r][i], u_[r][k]);
        std::swap(v_[i], v_[k]);
    }

    void negateColumn(size_t i) {
        a_[i] = -a_[i];
        for (size_t r = 0; r < n_; ++r) u_[r][i] = -u_[r][i];
        for (int64_t& e : v_[i]) e = -e;
    }

    // Euclid's algorithm between a_0 and every other a_k: afterwards a = (g, 0, ..., 0).
    bool reduce() {
        for (size_t k = 1; k < n_; ++k) {
            while (a_[k] != 0) {
                if (!addColumn(0, k, -(a_[0] / a_[k]))) return false;
                swapColumns(0, k);
            }
        }
        if (a_[0] < 0) negateColumn(0);
        return true;
    }

    // Shortens the basis (U's columns 1..) by pairwise reduction, as Lagrange and Gauss
    // reduce a basis of two: each vector less the nearest whole multiple of another's
    // projection, while that shortens it. Euclid's columns may be long, such as (2500, -2833,
    // 0) for the row 2833 a + 2500 b + 3000 c, and a search that branches along them needs
    // as many branches as they are long. Every step keeps U's determinant, so the basis still
    // spans every solution.
    void shortenBasis() {
        for (int pass = 0; pass < MAX_REDUCTION_PASSES; ++pass) {
            bool shorter = false;
            for (size_t i = 1; i < n_; ++i) {
                for (size_t k = 1; k < n_; ++k) {
                    if (i == k) continue;
                    const double m = std::nearbyint(dot(i, k) / dot(k, k));
                    if (m == 0.0 || !(std::fabs(m) < double(LARGEST_LATTICE_ENTRY))) continue;
                    const double before = dot(i, i);
                    if (!addColumn(i, k, -int64_t(m))) continue;
                    if (dot(i, i) < before) {
                        shorter = true;
                    } else {
                        addColumn(i, k, int64_t(m));  // no shorter: undone
                    }
                }
            }
            if (!shorter) return;
        }
    }

    int64_t divisor() const { return a_[0]; }
    int64_t u(size_t row, size_t column) const { return u_[row][column]; }
    const std::vector<int64_t>& v(size_t row) const { return v_[row]; }

  private:
    static constexpr int MAX_REDUCTION_PASSES = 100;

    // Columns i and k of U as vectors, in doubles (for the choice of a step only).
    double dot(size_t i, size_t k) const {
        double sum = 0.0;
        for (size_t r = 0; r < n_; ++r) sum += double(u_[r][i]) * double(u_[r][k]);
        return sum;
    }

    size_t n_;
    std::vector<int64_t> a_;
    std::vector<std::vector<int64_t>> u_, v_;
};

// Adds to shift[1..] the rounded z that brings origin + basis z nearest to `near` in least
// squares, the basis being U's columns 1..: the normal equations (B^T B) z = B^T (near -
// origin), solved by elimination with partial pivoting (B has full rank, being part of a
// unimodular matrix). False where the step is too large.
bool nearestAlongBasis(const Reduction& r, const std::vector<Wide>& origin,
                       const std::vector<double>& near, std::vector<int64_t>& shift) {
    const size_t n = origin.size(), m = n - 1;
    std::vector<double> d(n);
    for (size_t k = 0; k < n; ++k) d[k] = near[k] - double(origin[k]);
    std::vector<std::vector<double>> a(m, std::vector<double>(m + 1, 0.0));
    for (size_t i = 0; i < m; ++i) {
        for (size_t k = 0; k < n; ++k) {
            for (size_t j = 0; j < m; ++j) a[i][j] += double(r.u(k, i + 1)) * double(r.u(k, j + 1));
            a[i][m] += double(r.u(k, i + 1)) * d[k];
        }
    }
    for (size_t c = 0; c < m; ++c) {
        size_t pivot = c;
        for (size_t i = c + 1; i < m; ++i) {
            if (std::fabs(a[i][c]) > std::fabs(a[pivot][c])) pivot = i;
        }
        std::swap(a[c], a[pivot]);
        if (a[c][c] == 0.0) return false;
        for (size_t i = 0; i < m; ++i) {
            if (i == c) continue;
            const double f = a[i][c] / a[c][c];
            for (size_t j = c; j <= m; ++j) a[i][j] -= f * a[c][j];
        }
    }
    for (size_t i = 0; i < m; ++i) {
        const double z = a[i][m] / a[i][i];
        if (!std::isfinite(z) || std::fabs(z) > double(LARGEST_LATTICE_ENTRY)) return false;
        shift[i + 1] += std::llround(z);
        if (std::llabs(shift[i + 1]) > LARGEST_LATTICE_ENTRY) return false;
    }
    return true;
}

}  // namespace

bool rowLattice(const std::vector<int64_t>& coefficients, int64_t value,
                const std::vector<double>& near, RowLattice& lattice) {
    const size_t n = coefficients.size();
    if (n < 2 || near.size() != n) return false;
    for (int64_t c : coefficients) {
        if (c == 0 || !fits(c, LARGEST_LATTICE_ENTRY)) return false;
    }
    Reduction r(coefficients);
    if (!r.reduce()) return false;
    r.shortenBasis();
    const int64_t g = r.divisor();
    if (value % g != 0) return false;
    const Wide w0 = value / g;

    // The origin: first U's first column times value / g moved by V's coordinates of `near`
    // (exact, but skewed where the basis is), then along the basis to the least-squares
    // solution nearest `near`, rounded.
    std::vector<int64_t> shift(n, 0);
    for (size_t i = 1; i < n; ++i) {
        double z = 0.0;
        for (size_t k = 0; k < n; ++k) z += double(r.v(i)[k]) * near[k];
        if (!std::isfinite(z) || std::fabs(z) > double(LARGEST_LATTICE_ENTRY)) return false;
        shift[i] = std::llround(z);
    }
    std::vector<Wide> origin(n);
    auto place = [&]() {
        for (size_t k = 0; k < n; ++k) {
            origin[k] = Wide(r.u(k, 0)) * w0;
            for (size_t i = 1; i < n; ++i) origin[k] += Wide(r.u(k, i)) * shift[i];
        }
    };
    place();
    if (!nearestAlongBasis(r, origin, near, shift)) return false;
    place();
    lattice.origin.assign(n, 0);
    for (size_t k = 0; k < n; ++k) {
        // A solution's sums are cells' sums: within 2^53 where the programme's rows are exact.
        if (!fits(origin[k], int64_t(1) << 53)) return false;
        lattice.origin[k] = int64_t(origin[k]);
    }
    lattice.basis.assign(n - 1, std::vector<int64_t>(n, 0));
    lattice.coordinates.assign(n - 1, {});
    lattice.coordinateOffset.assign(n - 1, 0);
    for (size_t i = 1; i < n; ++i) {
        for (size_t k = 0; k < n; ++k) lattice.basis[i - 1][k] = r.u(k, i);
        lattice.coordinates[i - 1] = r.v(i);
        lattice.coordinateOffset[i - 1] = shift[i];
    }
    return true;
}
