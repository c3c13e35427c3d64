#include "action.h"

#include <Eigen/Eigenvalues>
#include <Eigen/LU>
#include <cmath>
#include <limits>

namespace quorvane {
namespace {

// Rows of the reduced template that hold z times the first three basis monomials
// (z⁴, xz², yz²); the other five rows of the action matrix are shifts within the basis.
constexpr int kReducedRowOfActionRow[3] = {12, 20, 21};
struct Shift {
  int row, column;
};
constexpr Shift kBasisShifts[5] = {{3, 0}, {4, 1}, {5, 2}, {6, 3}, {7, 6}};

// Basis positions of x, y, z and 1: an eigenvector is b(p) up to scale.
constexpr int kBasisX = 4, kBasisY = 5, kBasisZ = 6, kBasisOne = 7;

}  // namespace

bool actionMatrix(const EliminationTemplate& elimination, ActionMatrix& action) {
  const int eliminated = kTemplateRows;
  const Eigen::PartialPivLU<Eigen::MatrixXd> lu(elimination.leftCols(eliminated));
  // The factorisation passes over an exactly zero pivot; the solve would then divide by it.
  if ((lu.matrixLU().diagonal().array() == 0.0).any()) return false;
  const Eigen::MatrixXd reduced = lu.solve(elimination.rightCols(kBasisSize));
  if (!reduced.allFinite()) return false;

  action.setZero();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < kBasisSize; ++j) action(i, j) = 0.0 - reduced(kReducedRowOfActionRow[i], j);
  for (const Shift& shift : kBasisShifts) action(shift.row, shift.column) = 1.0;
  return true;
}

bool eigenCandidates(const ActionMatrix& action, Candidates& candidates) {
  const Eigen::EigenSolver<ActionMatrix> eigen(action, true);
  // A failed decomposition leaves zero eigenvalues, which would all look real.
  if (eigen.info() != Eigen::Success) return false;
  const auto eigenvalues = eigen.eigenvalues();
  const auto eigenvectors = eigen.eigenvectors();
  for (int i = 0; i < kBasisSize; ++i) {
    const std::complex<double> one = eigenvectors(kBasisOne, i);
    Candidate& c = candidates[i];
    c.x = divideComplex(eigenvectors(kBasisX, i), one);
    c.y = divideComplex(eigenvectors(kBasisY, i), one);
    c.z = divideComplex(eigenvectors(kBasisZ, i), one);
    // Strict, so that a NaN imaginary part is never accepted.
    c.imaginaryPart = std::abs(eigenvalues(i).imag());
    c.real = c.imaginaryPart < kRealEigenvalueTolerance;
    c.zeroDivisor = one == 0.0;
  }
  return true;
}

std::complex<double> divideComplex(std::complex<double> a, std::complex<double> b) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  const double ar = a.real(), ai = a.imag(), br = b.real(), bi = b.imag();
  if (std::isnan(br) || std::isnan(bi)) return {nan, nan};
  double w, d;
  const bool realLarger = std::abs(bi) < std::abs(br);
  if (realLarger) {
    w = bi / br;
    d = br + w * bi;
  } else {
    if (bi == 0.0) return {nan, nan};
    w = br / bi;
    d = bi + w * br;
  }
  if (d == 0.0 || std::isnan(d)) return {nan, nan};
  if (realLarger) return {(ar + ai * w) / d, (ai - ar * w) / d};
  return {(ar * w + ai) / d, (ai * w - ar) / d};
}

}  // namespace quorvane
