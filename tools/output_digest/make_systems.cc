// SPDX-License-Identifier: BSD-3-Clause
// Writes N systems of three quadratic equations for output_digest and its Python and Octave
// counterparts: 30 doubles per system, equation after equation, ten coefficients each in the
// order 1, xy, xz, yz, x², y², z², x, y, z, in the machine's byte order (little-endian here).
// Beside it, FILE.families holds one byte per system (its family) and FILE.families.txt the
// families' names, so that a difference can be told by the kind of system it came from.
//
//   make_systems FILE [N] [SEED]      (N = 100000, SEED = 20261209 by default)
//
// System k depends on SEED and k alone (its own generator, seeded from both), so a shorter
// file is a prefix of a longer one and families are mixed all through the file: any stride
// through it meets every family. The families are the kinds of input the project already
// draws for its tests and its stability study, written afresh here so that this tool needs
// only Eigen and links nothing of the library.
#include <Eigen/Dense>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using Equation = std::array<double, 10>;
using System = std::array<Equation, 3>;
using Plane = Eigen::Vector4d;  // a0 + a1 x + a2 y + a3 z
using Rng = std::mt19937_64;

double normal(Rng& rng) {
  return std::normal_distribution<double>()(rng);
}
double uniform(Rng& rng, double low, double high) {
  return std::uniform_real_distribution<double>(low, high)(rng);
}
int uniformInt(Rng& rng, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(rng);
}
// The draws of a braced list are made left to right (unlike a call's arguments, whose order
// the compiler chooses), so that a seed gives the same systems whatever the compiler.
Plane randomPlane(Rng& rng) {
  const double v[4] = {normal(rng), normal(rng), normal(rng), normal(rng)};
  return Plane(v[0], v[1], v[2], v[3]);
}
Eigen::Vector3d randomVector(Rng& rng) {
  const double v[3] = {normal(rng), normal(rng), normal(rng)};
  return Eigen::Vector3d(v[0], v[1], v[2]);
}
Eigen::Vector3d uniformVector(Rng& rng, double low, double high) {
  const double v[3] = {uniform(rng, low, high), uniform(rng, low, high), uniform(rng, low, high)};
  return Eigen::Vector3d(v[0], v[1], v[2]);
}

// (a · [1 x y z]) (b · [1 x y z]) expanded.
Equation productOfPlanes(const Plane& a, const Plane& b) {
  return {a(0) * b(0),
          a(1) * b(2) + a(2) * b(1),
          a(1) * b(3) + a(3) * b(1),
          a(2) * b(3) + a(3) * b(2),
          a(1) * b(1),
          a(2) * b(2),
          a(3) * b(3),
          a(1) * b(0) + a(0) * b(1),
          a(2) * b(0) + a(0) * b(2),
          a(3) * b(0) + a(0) * b(3)};
}

// |p - centre|² - range²
Equation sphere(const Eigen::Vector3d& centre, double range) {
  Equation c{};
  c[0] = centre.squaredNorm() - range * range;
  c[4] = c[5] = c[6] = 1;
  c[7] = -2 * centre.x();
  c[8] = -2 * centre.y();
  c[9] = -2 * centre.z();
  return c;
}

double value(const Equation& c, const Eigen::Vector3d& p) {
  const double x = p.x(), y = p.y(), z = p.z();
  return c[0] + c[1] * x * y + c[2] * x * z + c[3] * y * z + c[4] * x * x + c[5] * y * y +
         c[6] * z * z + c[7] * x + c[8] * y + c[9] * z;
}

// The equation in variables moved by t: q'(p) = q(p - t), so its roots are the old ones + t.
Equation moved(const Equation& c, const Eigen::Vector3d& t) {
  const double x = t.x(), y = t.y(), z = t.z();
  Equation m = c;
  m[7] = c[7] - (2 * c[4] * x + c[1] * y + c[2] * z);
  m[8] = c[8] - (c[1] * x + 2 * c[5] * y + c[3] * z);
  m[9] = c[9] - (c[2] * x + c[3] * y + 2 * c[6] * z);
  m[0] = c[0] - (c[7] * x + c[8] * y + c[9] * z) +
         (c[4] * x * x + c[5] * y * y + c[6] * z * z + c[1] * x * y + c[2] * x * z + c[3] * y * z);
  return m;
}

Equation scaled(Equation c, double factor) {
  for (double& v : c) v *= factor;
  return c;
}

System generic(Rng& rng) {
  System s;
  for (Equation& e : s)
    for (double& v : e) v = normal(rng);
  return s;
}

// Products of planes whose constant terms are multiplied by `offset`: eight real roots, of
// the size of `offset`.
System planes(Rng& rng, double offset = 1) {
  System s;
  for (Equation& e : s) {
    Plane a = randomPlane(rng), b = randomPlane(rng);
    a(0) *= offset;
    b(0) *= offset;
    e = productOfPlanes(a, b);
  }
  return s;
}

// Products of planes, every equation multiplied by its own power of ten or of two, or the
// roots themselves made large or small.
System scaledPlanes(Rng& rng) {
  const int kind = uniformInt(rng, 0, 3);
  if (kind == 3) return planes(rng, std::pow(10.0, uniform(rng, -8, 8)));
  System s = planes(rng);
  if (kind == 2) {
    for (Equation& e : s) e = scaled(e, std::ldexp(1.0, uniformInt(rng, -900, 900)));
    return s;
  }
  static const double kDecades[] = {3, 12, 30, 100, 250};
  const double decades = kDecades[uniformInt(rng, 0, 4)];
  if (kind == 0) {
    for (Equation& e : s) e = scaled(e, std::pow(10.0, uniform(rng, -decades, decades)));
  } else {
    const double factor = std::pow(10.0, uniform(rng, -decades, decades));
    for (Equation& e : s) e = scaled(e, factor);
  }
  return s;
}

// Planes through points within 0.3 of `centre`, so that the eight roots cluster there.
System cluster(Rng& rng) {
  const double distance = std::pow(10.0, uniform(rng, 3, 6));
  const Eigen::Vector3d centre = uniformInt(rng, 0, 1)
                                     ? Eigen::Vector3d(distance, distance, distance)
                                     : Eigen::Vector3d(distance * randomVector(rng).normalized());
  System s;
  for (Equation& e : s) {
    Plane pair[2];
    for (Plane& plane : pair) {
      const Eigen::Vector3d n = randomVector(rng);
      const Eigen::Vector3d through = centre + uniformVector(rng, -0.3, 0.3);
      plane << -n.dot(through), n;
    }
    e = productOfPlanes(pair[0], pair[1]);
  }
  return s;
}

// Products of planes where the two roots that differ in the first equation's plane lie
// `apart` from each other along the line of the other two equations' first planes.
System closePair(Rng& rng) {
  const double apart = std::pow(10.0, -uniform(rng, 5, 9));
  Plane p[3][2];
  for (int e = 1; e < 3; ++e) p[e][0] = randomPlane(rng), p[e][1] = randomPlane(rng);
  p[0][0] = randomPlane(rng);
  Eigen::Matrix3d normals;
  normals << p[0][0].tail<3>().transpose(), p[1][0].tail<3>().transpose(),
      p[2][0].tail<3>().transpose();
  const Eigen::Vector3d meeting =
      normals.partialPivLu().solve(-Eigen::Vector3d(p[0][0](0), p[1][0](0), p[2][0](0)));
  const Eigen::Vector3d along = p[1][0].tail<3>().cross(p[2][0].tail<3>()).normalized();
  const Eigen::Vector3d n = randomVector(rng);
  p[0][1] << -n.dot(meeting + apart * along), n;
  System s;
  for (int e = 0; e < 3; ++e) s[e] = productOfPlanes(p[e][0], p[e][1]);
  return s;
}

// Three spheres around anchors within `extent` of `offset`, with the ranges to a receiver
// near them, exact or with noise (which may leave no real root, or two close ones).
System trilateration(Rng& rng, const Eigen::Vector3d& offset, double extent = 100) {
  const auto near = [&] { return Eigen::Vector3d(offset + uniformVector(rng, -extent, extent)); };
  const Eigen::Vector3d receiver = near();
  const bool noisy = uniformInt(rng, 0, 1);
  const double noise = std::pow(10.0, uniform(rng, -3, 0));
  System s;
  for (Equation& e : s) {
    const Eigen::Vector3d anchor = near();
    double range = (receiver - anchor).norm();
    if (noisy) range += noise * normal(rng);
    e = sphere(anchor, range);
  }
  return s;
}

// The distances between three points seen from a camera at the origin: with the depths
// x, y, z along the unit bearings, x² + y² - 2 cos(ab) xy = |A - B|², and so on. No linear
// terms; roots come in pairs ±(x, y, z).
System threePointPose(Rng& rng) {
  Eigen::Vector3d points[3], bearings[3];
  for (int i = 0; i < 3; ++i) {
    const double v[3] = {uniform(rng, -2, 2), uniform(rng, -2, 2), uniform(rng, 2, 10)};
    points[i] = Eigen::Vector3d(v[0], v[1], v[2]);
    bearings[i] = points[i].normalized();
  }
  const bool noisy = uniformInt(rng, 0, 2) == 0;
  const auto equation = [&](int i, int j, int xy) {
    double distance = (points[i] - points[j]).squaredNorm();
    if (noisy) distance *= 1 + 1e-3 * normal(rng);
    Equation c{};
    c[0] = -distance;
    c[xy] = -2 * bearings[i].dot(bearings[j]);
    c[4 + i] = 1;
    c[4 + j] = 1;
    return c;
  };
  return {equation(0, 1, 1), equation(0, 2, 2), equation(1, 2, 3)};
}

// No xy term anywhere: generic without it, spheres through a point, or (x - a)(x - b) = 0
// and the like for each variable mixed by an invertible combination.
System withoutXy(Rng& rng) {
  const int kind = uniformInt(rng, 0, 2);
  System s;
  if (kind == 0) {
    s = generic(rng);
    for (Equation& e : s) e[1] = 0;
  } else if (kind == 1) {
    const Eigen::Vector3d p = randomVector(rng);
    for (Equation& e : s) {
      const Eigen::Vector3d centre = 2 * randomVector(rng);
      e = sphere(centre, (p - centre).norm());
    }
  } else {
    System axes;
    for (int v = 0; v < 3; ++v) {
      Plane a = Plane::Zero(), b = Plane::Zero();
      a(0) = -uniform(rng, -2, 2);
      b(0) = -uniform(rng, -2, 2);
      a(1 + v) = b(1 + v) = 1;
      axes[v] = productOfPlanes(a, b);
    }
    for (Equation& e : s) {
      const double m[3] = {normal(rng), normal(rng), normal(rng)};
      for (int i = 0; i < 10; ++i) e[i] = m[0] * axes[0][i] + m[1] * axes[1][i] + m[2] * axes[2][i];
    }
  }
  return s;
}

// Equations even in (x, y) through three random points, so through their mirror images
// (-x, -y, z) as well: pairs of roots share z.
System evenInXy(Rng& rng) {
  Eigen::Matrix<double, 3, 6> atPoints;  // monomials 1, xy, x², y², z², z at each point
  for (int i = 0; i < 3; ++i) {
    const double x = uniform(rng, -2, 2), y = uniform(rng, -2, 2), z = uniform(rng, -2, 2);
    atPoints.row(i) << 1, x * y, x * x, y * y, z * z, z;
  }
  const Eigen::MatrixXd kernel = atPoints.fullPivLu().kernel();
  System s;
  for (Equation& e : s) {
    Eigen::VectorXd mix(kernel.cols());
    for (Eigen::Index i = 0; i < mix.size(); ++i) mix(i) = normal(rng);
    const Eigen::VectorXd c = kernel * mix;
    e = {c(0), c(1), 0, 0, c(2), c(3), c(4), 0, 0, c(5)};
  }
  return s;
}

// Generic equations through a point, or products of planes, moved far from the origin.
System movedFar(Rng& rng) {
  System s;
  if (uniformInt(rng, 0, 1)) {
    const Eigen::Vector3d p = uniformVector(rng, -3, 3);
    s = generic(rng);
    for (Equation& e : s) {
      e[0] = 0;
      e[0] = -value(e, p);
    }
  } else {
    s = planes(rng);
  }
  const double by = std::pow(10.0, uniformInt(rng, 2, 5));
  for (Equation& e : s) e = moved(e, Eigen::Vector3d(by, -by, by));
  return s;
}

// One equation a combination of the others (a curve of roots, or none), or two equal.
System dependent(Rng& rng) {
  System s = uniformInt(rng, 0, 1) ? generic(rng) : planes(rng);
  const int kind = uniformInt(rng, 0, 3);
  const int target = uniformInt(rng, 0, 2);
  const int a = (target + 1) % 3, b = (target + 2) % 3;
  if (kind == 0) {
    const double p = normal(rng), q = normal(rng);
    for (int i = 0; i < 10; ++i) s[target][i] = p * s[a][i] + q * s[b][i];
  } else if (kind == 1) {
    s[target] = scaled(s[a], normal(rng));
  } else if (kind == 2) {
    s[target] = s[a];
  } else {
    // Exact small integers, so that the combination is exact too.
    for (int e : {a, b})
      for (double& v : s[e]) v = uniformInt(rng, -4, 4);
    for (int i = 0; i < 10; ++i) s[target][i] = 2 * s[a][i] - 3 * s[b][i];
  }
  return s;
}

// Input at the edges of double: subnormals beside 1e300, zeros, rows of zeros, NaN and
// infinity, huge and tiny exponents, negative zero.
System hostile(Rng& rng) {
  const double subnormal = std::numeric_limits<double>::denorm_min();
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  System s = uniformInt(rng, 0, 1) ? generic(rng) : planes(rng);
  const auto at = [&]() -> double& { return s[uniformInt(rng, 0, 2)][uniformInt(rng, 0, 9)]; };
  switch (uniformInt(rng, 0, 11)) {
    case 0:  // a subnormal coefficient and one near 1e300 in the same system
      at() = subnormal * uniformInt(rng, 1, 1 << 20);
      at() = 1e300 * normal(rng);
      break;
    case 1:  // every coefficient zero with probability one half
      for (Equation& e : s)
        for (double& v : e)
          if (uniformInt(rng, 0, 1)) v = 0;
      break;
    case 2:  // one equation all zero
      s[uniformInt(rng, 0, 2)].fill(0);
      break;
    case 3:  // everything zero, or all but the constants
      for (Equation& e : s) e.fill(0);
      if (uniformInt(rng, 0, 1))
        for (Equation& e : s) e[0] = normal(rng);
      break;
    case 4:  // NaN or infinity somewhere
      at() = uniformInt(rng, 0, 2) == 0 ? nan : (uniformInt(rng, 0, 1) ? inf : -inf);
      break;
    case 5:  // every coefficient of its own decade, anywhere in double's range
      for (Equation& e : s)
        for (double& v : e) {
          const double magnitude = std::pow(10.0, uniform(rng, -300, 300));
          v = std::copysign(magnitude, normal(rng));
        }
      break;
    case 6:  // the whole system near overflow or underflow
      for (Equation& e : s)
        e = scaled(e, std::ldexp(1.0, uniformInt(rng, 0, 1) ? uniformInt(rng, 990, 1020)
                                                            : uniformInt(rng, -1070, -1000)));
      break;
    case 7:  // subnormal everywhere
      for (Equation& e : s)
        for (double& v : e) v = subnormal * uniformInt(rng, -1000, 1000);
      break;
    case 8:  // the largest and smallest doubles
      at() = std::numeric_limits<double>::max();
      at() = -std::numeric_limits<double>::max();
      at() = std::numeric_limits<double>::min();
      break;
    case 9:  // negative zeros instead of some coefficients, and exact small integers
      for (Equation& e : s)
        for (double& v : e) v = uniformInt(rng, 0, 2) ? double(uniformInt(rng, -3, 3)) : -0.0;
      break;
    case 10:  // one equation far larger than the others
      s[uniformInt(rng, 0, 2)] = scaled(s[0], 1e200);
      s[uniformInt(rng, 0, 2)] = scaled(s[1], 1e-200);
      break;
    default:  // terms whose products underflow at the roots: tiny quadratic part
      for (Equation& e : s)
        for (int i = 1; i <= 6; ++i) e[i] *= 1e-300;
      break;
  }
  return s;
}

// Exact small integers, often with zeros among them: the systems whose arithmetic can come
// out exactly zero, such as an eigenvector without its entry for 1 (a solution at infinity,
// the three-argument call's NaN column).
System smallIntegers(Rng& rng) {
  const int zeros = uniformInt(rng, 0, 6);  // in sevenths: the share of zero coefficients
  System s;
  for (Equation& e : s)
    for (double& v : e) v = uniformInt(rng, 0, 6) < zeros ? 0.0 : double(uniformInt(rng, -3, 3));
  return s;
}

// Normal coefficients of one random size over 300 decades, each replaced with probability
// one seventh by zero, a subnormal, 1e300 or a number near the reduction's tolerance.
System sprinkled(Rng& rng) {
  static const double kSpecials[] = {0, 1e-10, -1e-10, 4.9e-324, 1e-300, 1e300, -1e-308};
  const double scale = std::pow(10.0, uniform(rng, -150, 150));
  System s;
  for (Equation& e : s)
    for (double& v : e) {
      v = scale * normal(rng);
      if (uniformInt(rng, 0, 6) == 0) v = kSpecials[uniformInt(rng, 0, 6)];
    }
  return s;
}

struct Family {
  const char* name;
  int weight;
  System (*draw)(Rng&);
};

const Family kFamilies[] = {
    {"generic", 14, generic},
    {"products of planes", 12, [](Rng& rng) { return planes(rng); }},
    {"scaled products of planes", 10, scaledPlanes},
    {"far cluster", 8, cluster},
    {"close pair", 8, closePair},
    {"trilateration near origin", 8,
     [](Rng& rng) { return trilateration(rng, Eigen::Vector3d::Zero()); }},
    {"trilateration at map coordinates", 8,
     [](Rng& rng) { return trilateration(rng, Eigen::Vector3d(5e5, 4.5e6, 100)); }},
    {"three-point pose", 7, threePointPose},
    {"without xy", 7, withoutXy},
    {"even in x, y", 3, evenInXy},
    {"moved far", 5, movedFar},
    {"dependent", 4, dependent},
    {"hostile", 6, hostile},
    {"small integers", 5, smallIntegers},
    {"sprinkled specials", 4, sprinkled},
};
constexpr int kFamilyCount = sizeof(kFamilies) / sizeof(kFamilies[0]);

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: %s FILE [N] [SEED]\n", argv[0]);
    return 2;
  }
  const std::string file = argv[1];
  const long long count = argc > 2 ? std::atoll(argv[2]) : 100000;
  const unsigned long long seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20261209;
  if (count < 1) {
    std::fprintf(stderr, "N must be at least 1\n");
    return 2;
  }
  int totalWeight = 0;
  for (const Family& f : kFamilies) totalWeight += f.weight;

  std::vector<double> coefficients;
  coefficients.reserve(static_cast<std::size_t>(count) * 30);
  std::vector<std::uint8_t> families;
  std::vector<long long> perFamily(kFamilyCount, 0);
  for (long long k = 0; k < count; ++k) {
    std::seed_seq seq{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32),
                      static_cast<std::uint32_t>(k), static_cast<std::uint32_t>(k >> 32)};
    Rng rng(seq);
    int pick = uniformInt(rng, 0, totalWeight - 1), family = 0;
    while (pick >= kFamilies[family].weight) pick -= kFamilies[family++].weight;
    const System s = kFamilies[family].draw(rng);
    for (const Equation& e : s) coefficients.insert(coefficients.end(), e.begin(), e.end());
    families.push_back(static_cast<std::uint8_t>(family));
    ++perFamily[family];
  }

  const auto write = [](const std::string& name, const void* data, std::size_t bytes) {
    std::FILE* out = std::fopen(name.c_str(), "wb");
    if (!out || std::fwrite(data, 1, bytes, out) != bytes || std::fclose(out) != 0) {
      std::fprintf(stderr, "cannot write %s\n", name.c_str());
      std::exit(1);
    }
  };
  write(file, coefficients.data(), coefficients.size() * sizeof(double));
  write(file + ".families", families.data(), families.size());
  std::string names;
  for (int f = 0; f < kFamilyCount; ++f)
    names += std::to_string(f) + " " + kFamilies[f].name + "\n";
  write(file + ".families.txt", names.data(), names.size());
  std::printf("%lld systems, seed %llu:", count, seed);
  for (int f = 0; f < kFamilyCount; ++f)
    std::printf("%s %s %lld", f ? "," : "", kFamilies[f].name, perFamily[f]);
  std::printf("\n");
  return 0;
}
