// SPDX-License-Identifier: BSD-3-Clause
// quorvane._core: the solver for Python, numpy arrays in and out. The package's functions in
// quorvane/__init__.py check the keyword options and call these with every argument given.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <quorvane/solver.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace py = pybind11;

namespace quorvane {
namespace {

constexpr py::ssize_t kCoefficients = 10;
constexpr py::ssize_t kEquations = 3;
constexpr py::ssize_t kMaxSolutions = 8;

// Points are handed to numpy as they lie in the solver's vectors, three numbers per point.
static_assert(sizeof(Solution) == 3 * sizeof(double));
static_assert(sizeof(ComplexSolution) == 3 * sizeof(std::complex<double>));

/// Row-major float64, so that its data can be read as laid out.
using Float64Array = py::array_t<double, py::array::c_style | py::array::forcecast>;

// numpy dtype kinds that become float64 keeping their meaning: booleans, integers, floats.
// Complex numbers would lose their imaginary part; text, dates and raw bytes are no numbers.
constexpr std::string_view kRealKinds = "biuf";

std::string shapeText(const py::array& array) {
  std::string text = "(";
  for (py::ssize_t d = 0; d < array.ndim(); ++d)
    text += (d ? ", " : "") + std::to_string(array.shape(d));
  return text + (array.ndim() == 1 ? ",)" : ")");
}

// numpy's error for ragged nested sequences, which names no argument, with the name.
py::array asArray(const py::object& value, const std::string& name) {
  try {
    return py::array(value);
  } catch (py::error_already_set& e) {
    if (!e.matches(PyExc_ValueError)) throw;
    throw py::value_error(name + ": " + py::str(e.value()).cast<std::string>());
  }
}

// numpy.ma.MaskedArray, looked up once as the module is imported (a lookup in every call cost
// a fifth of a small system's time) and held as long as the process runs.
py::handle maskedArrayType;

// A masked array's mask says which values to leave out, which a solver of ten coefficients an
// equation cannot honour; numpy would drop the mask and hand over the values beneath it.
void refuseMaskedArray(const py::object& value, const std::string& name) {
  if (!py::isinstance(value, maskedArrayType)) return;
  throw py::type_error(name + " is a masked array, which is not supported (its mask would be " +
                       "ignored): pass " + name + ".filled(value) or " + name + ".data explicitly");
}

// The Python objects an object array may hold as coefficients: numbers.Real (int, bool, float,
// Fraction, numpy's integer and float scalars), Decimal and numpy's bool. numpy's own cast to
// float64 is no test: it turns None into NaN, reads text ("1.5") and keeps the real part of
// numpy's complex scalars.
void refuseObjectsThatAreNotReal(const py::array& array, const std::string& name) {
  const py::object realTypes = py::make_tuple(py::module_::import("numbers").attr("Real"),
                                              py::module_::import("decimal").attr("Decimal"),
                                              py::module_::import("numpy").attr("bool_"));
  // Contiguous (a copy where the array is not), so that its objects lie in a row.
  const py::array items = array.attr("ravel")();
  const auto* const objects = static_cast<PyObject* const*>(items.data());
  for (py::ssize_t k = 0; k < items.size(); ++k) {
    const py::handle item(objects[k]);
    if (PyFloat_Check(item.ptr()) || PyLong_Check(item.ptr())) continue;
    if (py::isinstance(item, realTypes)) continue;
    // Without the value's position: quorvane.dask raises for a chunk what the whole array
    // raises.
    py::str shown = py::repr(item);
    // Cut in characters, not bytes, so the message stays valid text.
    if (py::len(shown) > 40) shown = py::str("{}...").format(shown[py::slice(0, 37, 1)]);
    std::string text = name + " holds " + shown.cast<std::string>();
    if (!item.is_none())
      text += " of type " + py::type::handle_of(item).attr("__name__").cast<std::string>();
    throw py::type_error(text + ", which is not a real number");
  }
}

// What numpy makes of `value`, as a row-major float64 array: one that is already that comes
// back as it is (the same memory, not a copy), anything else is converted, so strides and
// dtypes are never misread.
Float64Array float64Array(const py::object& value, const std::string& name) {
  if (value.is_none()) throw py::type_error(name + " is None, not an array of real numbers");
  refuseMaskedArray(value, name);
  const py::array array = asArray(value, name);
  const char kind = array.dtype().kind();
  if (kRealKinds.find(kind) != std::string_view::npos) return Float64Array(array);
  if (kind == 'O') {
    refuseObjectsThatAreNotReal(array, name);
    // float() may still refuse one of them (Decimal's signalling NaN), and an integer beyond
    // the double range (10**400) overflows.
    try {
      return Float64Array(array);
    } catch (py::error_already_set& e) {
      if (e.matches(PyExc_OverflowError))
        throw py::value_error(name + " holds an integer beyond the double range, which no " +
                              "float64 can hold: " + py::str(e.value()).cast<std::string>());
      if (!e.matches(PyExc_TypeError) && !e.matches(PyExc_ValueError)) throw;
      throw py::type_error(name + " holds a value that is not a real number: " +
                           py::str(e.value()).cast<std::string>());
    }
  }
  throw py::type_error(name + " has dtype " + py::str(array.dtype()).cast<std::string>() +
                       ", which is not a real number type");
}

template <class Point>
using Scalar = std::conditional_t<std::is_same_v<Point, Solution>, double, std::complex<double>>;

// (N, 3) points that own the solver's vector: no copy of the solutions.
template <class Point>
py::array pointRows(std::vector<Point>&& points) {
  auto* owned = new std::vector<Point>(std::move(points));
  const py::capsule owner(owned, [](void* p) { delete static_cast<std::vector<Point>*>(p); });
  using T = Scalar<Point>;
  return py::array_t<T>(
      {static_cast<py::ssize_t>(owned->size()), py::ssize_t{3}},
      {static_cast<py::ssize_t>(sizeof(Point)), static_cast<py::ssize_t>(sizeof(T))},
      reinterpret_cast<const T*>(owned->data()), owner);
}

SolveOptions solveOptions(double imaginaryTolerance, bool refine, bool fast, bool certify) {
  SolveOptions options;
  options.imaginaryTolerance = imaginaryTolerance;
  options.refine = refine;
  options.method = fast ? Method::fast : Method::standard;
  options.certify = certify;
  return options;
}

// The package's status codes are the library's SolveStatus values, Status.NO_REAL_SOLUTION
// among them.
static_assert(static_cast<int>(SolveStatus::noRealSolution) == 5);

// The package names a rejected argument and its problem by the library's codes (_ARGUMENTS
// and _PROBLEMS), the options and their bad value among them.
static_assert(kOptionsArgument == 3 && static_cast<int>(InputProblem::badOption) == 3);

std::int8_t statusCode(const SolveReport& report) {
  return static_cast<std::int8_t>(report.status);
}

// The package's PointKind codes are the library's.
static_assert(static_cast<int>(PointKind::root) == 0 &&
              static_cast<int>(PointKind::nearDouble) == 1 &&
              static_cast<int>(PointKind::approximate) == 2);

// Marks a padded row that holds no point, in the padded form's kind array.
constexpr std::int8_t kNoPoint = -1;

// What the report says of the `j`-th point the call returned for a system: its kind code and
// its proved radius (NaN where not proved). A system has at most eight points; the bound keeps
// a faulty count from reading past the report.
std::int8_t kindCode(const SolveReport& report, std::size_t j) {
  return j < static_cast<std::size_t>(kMostSolutions) ? static_cast<std::int8_t>(report.kind[j])
                                                      : kNoPoint;
}

double radiusOf(const SolveReport& report, std::size_t j) {
  return j < static_cast<std::size_t>(kMostSolutions) ? report.radius[j] : kNotProved;
}

std::array<double, kCoefficients> equationArgument(const py::object& value,
                                                   const std::string& name) {
  const Float64Array coefficients = float64Array(value, name);
  if (coefficients.size() != kCoefficients)
    throw py::value_error(name + " has " + std::to_string(coefficients.size()) +
                          " values of shape " + shapeText(coefficients) +
                          "; an equation has exactly ten (1, xy, xz, yz, x², y², z², x, y, z)");
  std::array<double, kCoefficients> equation;
  std::copy_n(coefficients.data(), kCoefficients, equation.begin());
  return equation;
}

// (radius, kind) of a system's `count` points, as (count,) float64 and int8 arrays.
std::pair<py::array_t<double>, py::array_t<std::int8_t>> pointReports(const SolveReport& report,
                                                                      py::ssize_t count) {
  py::array_t<double> radius(count);
  py::array_t<std::int8_t> kind(count);
  double* const radii = radius.mutable_data();
  std::int8_t* const kinds = kind.mutable_data();
  for (py::ssize_t j = 0; j < count; ++j) {
    radii[j] = radiusOf(report, static_cast<std::size_t>(j));
    kinds[j] = kindCode(report, static_cast<std::size_t>(j));
  }
  return {radius, kind};
}

// (points, status, path, argument, problem, certified, radius, kind) of one system.
py::tuple solve(const py::object& c1, const py::object& c2, const py::object& c3,
                double imaginaryTolerance, bool complexRequest, bool refine, bool fast,
                bool certify) {
  const std::array<std::array<double, kCoefficients>, kEquations> equations = {
      equationArgument(c1, "c1"), equationArgument(c2, "c2"), equationArgument(c3, "c3")};
  const SolveOptions options = solveOptions(imaginaryTolerance, refine, fast, certify);
  SolveReport report;
  py::array points;
  if (complexRequest) {
    ComplexSolutionList solutions;
    {
      py::gil_scoped_release released;
      report = solveThreeQuadricsComplex(equations[0].data(), equations[1].data(),
                                         equations[2].data(), solutions, options);
    }
    points = pointRows(std::move(solutions));
  } else {
    SolutionList solutions;
    {
      py::gil_scoped_release released;
      report = solveThreeQuadrics(equations[0], equations[1], equations[2], solutions, options);
    }
    points = pointRows(std::move(solutions));
  }
  auto [radius, kind] = pointReports(report, points.shape(0));
  return py::make_tuple(points, statusCode(report), static_cast<int>(report.path), report.argument,
                        static_cast<int>(report.problem), report.certified, radius, kind);
}

// threads=None means every core; otherwise an integer (not a float: no silent truncation)
// of at least one. Counts beyond the number of systems are clamped by solveBatch anyway.
unsigned workerCount(const py::object& threads, py::ssize_t systems) {
  if (threads.is_none()) return std::max(1u, std::thread::hardware_concurrency());
  const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(threads.ptr()));
  if (!index) throw py::error_already_set();
  int overflow = 0;
  const long long requested = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
  if (overflow < 0 || (overflow == 0 && requested < 1))
    throw py::value_error("threads must be at least 1, or None for every core");
  const long long usable = std::clamp<long long>(systems, 1, UINT_MAX);
  return static_cast<unsigned>(overflow > 0 ? usable : std::min(requested, usable));
}

// Polled by the batch on this thread between its chunks. Ctrl-C only sets a flag in the
// interpreter; its KeyboardInterrupt is raised by PyErr_CheckSignals, which needs the GIL,
// so the GIL is taken back briefly, at most every 20 ms, to keep the stop within 0.2 s.
struct SignalPoll {
  std::chrono::steady_clock::time_point next = std::chrono::steady_clock::now();
  bool operator()() {
    const auto now = std::chrono::steady_clock::now();
    if (now < next) return false;
    next = now + std::chrono::milliseconds(20);
    py::gil_scoped_acquire held;
    return PyErr_CheckSignals() != 0;
  }
};

template <class Point>
py::array paddedPoints(const BasicBatchSolutions<Point>& out, std::vector<py::ssize_t> shape,
                       py::array_t<std::int64_t>& count) {
  using T = Scalar<Point>;
  py::ssize_t systems = 1;
  for (py::ssize_t extent : shape) systems *= extent;
  count = py::array_t<std::int64_t>(shape);
  std::fill_n(count.mutable_data(), systems, 0);
  shape.push_back(kMaxSolutions);
  shape.push_back(3);
  py::array_t<T> points(shape);
  T* const filled = points.mutable_data();
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  // Complex fill is NaN in both parts, so that isnan finds it through .real or .imag.
  if constexpr (std::is_same_v<T, double>)
    std::fill_n(filled, systems * kMaxSolutions * 3, nan);
  else
    std::fill_n(filled, systems * kMaxSolutions * 3, T(nan, nan));
  std::int64_t* const counts = count.mutable_data();
  for (std::size_t i = 0; i < out.solutions.size(); ++i) {
    const std::int64_t k = out.system[i];
    T* const row = filled + (k * kMaxSolutions + counts[k]++) * 3;
    const Point& p = out.solutions[i];
    row[0] = p.x;
    row[1] = p.y;
    row[2] = p.z;
  }
  return points;
}

// The per-system and per-row outputs of full_output: status and certified over the leading
// axes, radius and kind per returned row (padded: per slot, with NaN and kNoPoint where no
// point is).
struct BatchReports {
  py::array_t<std::int8_t> status;
  py::array_t<bool> certified;
  py::array_t<double> radius;
  py::array_t<std::int8_t> kind;
};

template <class Point>
BatchReports batchReports(const BasicBatchSolutions<Point>& out,
                          const std::vector<py::ssize_t>& leading, bool padded) {
  BatchReports reports{py::array_t<std::int8_t>(leading), py::array_t<bool>(leading), {}, {}};
  std::int8_t* const codes = reports.status.mutable_data();
  bool* const proved = reports.certified.mutable_data();
  for (std::size_t k = 0; k < out.reports.size(); ++k) {
    codes[k] = statusCode(out.reports[k]);
    proved[k] = out.reports[k].certified;
  }
  std::vector<py::ssize_t> rowShape = leading;
  if (padded)
    rowShape.push_back(kMaxSolutions);
  else
    rowShape.assign(1, static_cast<py::ssize_t>(out.solutions.size()));
  reports.radius = py::array_t<double>(rowShape);
  reports.kind = py::array_t<std::int8_t>(rowShape);
  double* const radii = reports.radius.mutable_data();
  std::int8_t* const kinds = reports.kind.mutable_data();
  if (padded) {
    std::fill_n(radii, reports.radius.size(), kNotProved);
    std::fill_n(kinds, reports.kind.size(), kNoPoint);
  }
  // Rows come system by system; j counts a system's rows, as its report numbers its points.
  std::size_t j = 0;
  for (std::size_t i = 0; i < out.system.size(); ++i) {
    if (i > 0 && out.system[i] != out.system[i - 1]) j = 0;
    const std::int64_t k = out.system[i];
    const std::size_t slot = padded ? static_cast<std::size_t>(k) * kMaxSolutions + j : i;
    radii[slot] = radiusOf(out.reports[k], j);
    kinds[slot] = kindCode(out.reports[k], j);
    ++j;
  }
  return reports;
}

template <class Point>
py::tuple batchResult(BasicBatchSolutions<Point>& out, const std::vector<py::ssize_t>& leading,
                      bool padded, bool fullOutput) {
  py::list result;
  BatchReports reports;
  // Before the flat form moves the solutions and their system numbers into the result.
  if (fullOutput) reports = batchReports(out, leading, padded);
  if (padded) {
    py::array_t<std::int64_t> count;
    result.append(paddedPoints(out, leading, count));
    result.append(count);
  } else {
    auto* system = new std::vector<std::int64_t>(std::move(out.system));
    const py::capsule owner(system,
                            [](void* p) { delete static_cast<std::vector<std::int64_t>*>(p); });
    result.append(pointRows(std::move(out.solutions)));
    result.append(
        py::array_t<std::int64_t>(static_cast<py::ssize_t>(system->size()), system->data(), owner));
  }
  if (fullOutput) {
    result.append(reports.status);
    result.append(reports.certified);
    result.append(reports.radius);
    result.append(reports.kind);
  }
  return py::tuple(result);
}

py::tuple solveBatchOfSystems(const py::object& coefficients, const py::object& threads,
                              double imaginaryTolerance, bool complexRequest, bool refine,
                              bool fast, bool certify, bool padded, bool fullOutput) {
  const Float64Array systems = float64Array(coefficients, "coefficients");
  const py::ssize_t axes = systems.ndim();
  if (axes < 2 || systems.shape(axes - 2) != kEquations || systems.shape(axes - 1) != kCoefficients)
    throw py::value_error("coefficients must have shape (..., 3, 10), not " + shapeText(systems));
  const std::vector<py::ssize_t> leading(systems.shape(), systems.shape() + axes - 2);
  const py::ssize_t count = systems.size() / (kEquations * kCoefficients);

  BatchOptions options;
  options.threads = workerCount(threads, count);
  options.solve = solveOptions(imaginaryTolerance, refine, fast, certify);
  options.interrupted = SignalPoll{};
  options.reportEach = fullOutput;
  // The workers read the caller's array in place, with the GIL released: the documentation
  // asks that it not change meanwhile, as numpy's own functions do.
  const double* const data = systems.data();
  const auto run = [&](auto& out) {
    BatchStatus status;
    {
      py::gil_scoped_release released;
      if constexpr (std::is_same_v<decltype(out), ComplexBatchSolutions&>)
        status = solveBatchComplex(data, count, out, options);
      else
        status = solveBatch(data, count, out, options);
    }
    if (status == BatchStatus::cancelled) {
      // Only the signal poll cancels here, and it leaves its KeyboardInterrupt set.
      if (!PyErr_Occurred()) PyErr_SetNone(PyExc_KeyboardInterrupt);
      throw py::error_already_set();
    }
    return batchResult(out, leading, padded, fullOutput);
  };
  if (complexRequest) {
    ComplexBatchSolutions out;
    return run(out);
  }
  BatchSolutions out;
  return run(out);
}

// The largest number of positions trilaterate gives for one receiver.
constexpr py::ssize_t kMostPositions = 2;

// Trilaterations of a stack of receivers: anchors (..., N, 3) and ranges (..., N), each stacked
// receiver trilaterated on its own with the GIL released, Ctrl-C polled between receivers.
// Returns (positions (..., 2, 3) NaN-padded, count (...), residual (..., 2) NaN-padded, kind
// (..., 2) padded with -1, status (...)).
py::tuple trilaterateStack(const py::object& anchorsIn, const py::object& rangesIn,
                           double rangeTolerance) {
  const Float64Array anchors = float64Array(anchorsIn, "anchors");
  const Float64Array ranges = float64Array(rangesIn, "ranges");
  const py::ssize_t axes = anchors.ndim();
  if (axes < 2 || anchors.shape(axes - 1) != 3)
    throw py::value_error("anchors must have shape (..., N, 3), one anchor a row, not " +
                          shapeText(anchors));
  const std::vector<py::ssize_t> leading(anchors.shape(), anchors.shape() + axes - 2);
  const py::ssize_t count = anchors.shape(axes - 2);
  std::vector<py::ssize_t> rangeShape = leading;
  rangeShape.push_back(count);
  if (ranges.ndim() != axes - 1 ||
      !std::equal(rangeShape.begin(), rangeShape.end(), ranges.shape()))
    throw py::value_error("ranges must have shape " + shapeText(py::array_t<double>(rangeShape)) +
                          ", one range per anchor, not " + shapeText(ranges));
  if (count > INT_MAX) throw py::value_error("anchors: too many anchors for one receiver");
  py::ssize_t receivers = 1;
  for (py::ssize_t extent : leading) receivers *= extent;

  std::vector<py::ssize_t> positionShape = leading, slotShape = leading;
  positionShape.push_back(kMostPositions);
  positionShape.push_back(3);
  slotShape.push_back(kMostPositions);
  py::array_t<double> positions(positionShape), residual(slotShape);
  py::array_t<std::int64_t> found(leading);
  py::array_t<std::int8_t> kind(slotShape), status(leading);
  double* const p = positions.mutable_data();
  double* const r = residual.mutable_data();
  std::int64_t* const n = found.mutable_data();
  std::int8_t* const k = kind.mutable_data();
  std::int8_t* const s = status.mutable_data();
  TrilaterationOptions options;
  options.rangeTolerance = rangeTolerance;
  const double* const a = anchors.data();
  const double* const d = ranges.data();
  SignalPoll interrupted;
  bool cancelled = false;
  {
    py::gil_scoped_release released;
    for (py::ssize_t i = 0; i < receivers && !cancelled; ++i) {
      const Trilateration t =
          trilaterate(a + 3 * count * i, d + count * i, static_cast<int>(count), options);
      n[i] = t.positions;
      s[i] = static_cast<std::int8_t>(t.status);
      for (py::ssize_t j = 0; j < kMostPositions; ++j) {
        const bool held = j < t.positions;
        for (int c = 0; c < 3; ++c)
          p[(i * kMostPositions + j) * 3 + c] =
              held ? t.position[j](c) : std::numeric_limits<double>::quiet_NaN();
        r[i * kMostPositions + j] = held ? t.residual[j] : std::numeric_limits<double>::quiet_NaN();
        k[i * kMostPositions + j] = held ? static_cast<std::int8_t>(t.kind[j]) : kNoPoint;
      }
      cancelled = interrupted();
    }
  }
  if (cancelled) {
    if (!PyErr_Occurred()) PyErr_SetNone(PyExc_KeyboardInterrupt);
    throw py::error_already_set();
  }
  return py::make_tuple(positions, found, residual, kind, status);
}

// Each point's relative residual in each equation: coefficients (3, 10), points (M, 3), real
// or complex; (M, 3) float64 out.
py::array_t<double> residualsOfPoints(const py::object& coefficientsIn,
                                      const py::object& pointsIn) {
  const Float64Array coefficients = float64Array(coefficientsIn, "coefficients");
  if (coefficients.ndim() != 2 || coefficients.shape(0) != kEquations ||
      coefficients.shape(1) != kCoefficients)
    throw py::value_error("coefficients must have shape (3, 10), one equation a row, not " +
                          shapeText(coefficients));
  const double* c = coefficients.data();
  const auto out = [](const Eigen::Matrix3Xd& r) {
    py::array_t<double> rows({static_cast<py::ssize_t>(r.cols()), py::ssize_t{3}});
    std::copy_n(r.data(), r.size(), rows.mutable_data());
    return rows;
  };
  const py::array given = pointsIn.is_none() ? py::array() : asArray(pointsIn, "points");
  if (!pointsIn.is_none() && given.dtype().kind() == 'c') {
    refuseMaskedArray(pointsIn, "points");
    const py::array_t<std::complex<double>, py::array::c_style | py::array::forcecast> points(
        given);
    if (points.ndim() != 2 || points.shape(1) != 3)
      throw py::value_error("points must have shape (M, 3), one point a row, not " +
                            shapeText(points));
    ComplexSolutionList list(static_cast<std::size_t>(points.shape(0)));
    std::copy_n(points.data(), points.size(), reinterpret_cast<std::complex<double>*>(list.data()));
    return out(residuals(c, c + kCoefficients, c + 2 * kCoefficients, list));
  }
  const Float64Array points = float64Array(pointsIn, "points");
  if (points.ndim() != 2 || points.shape(1) != 3)
    throw py::value_error("points must have shape (M, 3), one point a row, not " +
                          shapeText(points));
  SolutionList list(static_cast<std::size_t>(points.shape(0)));
  std::copy_n(points.data(), points.size(), reinterpret_cast<double*>(list.data()));
  return out(residuals(c, c + kCoefficients, c + 2 * kCoefficients, list));
}

// Three points or bearings, (3, 3) with one a row, as the columns of a 3 x 3 matrix: numpy's
// row-major rows are Eigen's column-major columns, value for value. Bearings must be finite and
// nonzero (a direction each), points finite: the library would give NaN or badInput for them,
// which here is an error naming the argument.
Eigen::Matrix3d threePointRows(const py::object& value, const std::string& name, bool bearings) {
  const Float64Array rows = float64Array(value, name);
  if (rows.ndim() != 2 || rows.shape(0) != 3 || rows.shape(1) != 3)
    throw py::value_error(name + " must have shape (3, 3), one " +
                          (bearings ? "bearing" : "point") + " a row, not " + shapeText(rows));
  Eigen::Matrix3d columns;
  std::copy_n(rows.data(), 9, columns.data());
  if (!columns.allFinite()) throw py::value_error(name + " must be finite");
  if (bearings && !(columns.cwiseAbs().colwise().maxCoeff().minCoeff() > 0))
    throw py::value_error(name + " must be nonzero, a direction in every row");
  return columns;
}

py::array_t<double> matrixRows(const Eigen::Matrix3d& m) {
  py::array_t<double> rows({py::ssize_t{3}, py::ssize_t{3}});
  auto r = rows.mutable_unchecked<2>();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r(i, j) = m(i, j);
  return rows;
}

py::array_t<double> vectorArray(const Eigen::Vector3d& v) {
  py::array_t<double> values(3);
  std::copy_n(v.data(), 3, values.mutable_data());
  return values;
}

// The depths' equations of three bearings and points, (3, 10) float64, one equation a row.
py::array_t<double> poseEquationRows(const py::object& bearingsIn, const py::object& pointsIn) {
  const Eigen::Matrix3d bearings = threePointRows(bearingsIn, "bearings", true);
  const Eigen::Matrix3d worldPoints = threePointRows(pointsIn, "world_points", false);
  const std::array<std::array<double, kCoefficients>, kEquations> equations =
      poseEquations(bearings, worldPoints);
  py::array_t<double> rows({kEquations, kCoefficients});
  std::copy_n(equations[0].data(), kEquations * kCoefficients, rows.mutable_data());
  return rows;
}

// (rotation (3, 3), translation (3,)) of the pose that puts the points at the depths.
py::tuple poseOfDepths(const py::object& bearingsIn, const py::object& pointsIn,
                       const py::object& depthsIn) {
  const Eigen::Matrix3d bearings = threePointRows(bearingsIn, "bearings", true);
  const Eigen::Matrix3d worldPoints = threePointRows(pointsIn, "world_points", false);
  const Float64Array depths = float64Array(depthsIn, "depths");
  if (depths.ndim() != 1 || depths.shape(0) != 3)
    throw py::value_error("depths must have shape (3,), one depth a point, not " +
                          shapeText(depths));
  const Eigen::Vector3d d(depths.data()[0], depths.data()[1], depths.data()[2]);
  if (!d.allFinite()) throw py::value_error("depths must be finite");
  const Pose pose = poseFromDepths(bearings, worldPoints, d);
  return py::make_tuple(matrixRows(pose.rotation), vectorArray(pose.translation));
}

// (rotations (K, 3, 3), translations (K, 3), depths (K, 3), status) of the camera's poses
// from three bearings and points; the options were checked by the package, the bearings and
// points here, so no status is badInput.
py::tuple posesOfThreePoints(const py::object& bearingsIn, const py::object& pointsIn,
                             double imaginaryTolerance, bool refine, bool fast) {
  const Eigen::Matrix3d bearings = threePointRows(bearingsIn, "bearings", true);
  const Eigen::Matrix3d worldPoints = threePointRows(pointsIn, "world_points", false);
  const SolveOptions options = solveOptions(imaginaryTolerance, refine, fast, false);
  ThreePointPoses poses;
  {
    py::gil_scoped_release released;
    poses = threePointPoses(bearings, worldPoints, options);
  }
  const py::ssize_t count = poses.count;
  py::array_t<double> rotations({count, py::ssize_t{3}, py::ssize_t{3}});
  py::array_t<double> translations({count, py::ssize_t{3}}), depths({count, py::ssize_t{3}});
  auto r = rotations.mutable_unchecked<3>();
  auto t = translations.mutable_unchecked<2>();
  auto d = depths.mutable_unchecked<2>();
  for (py::ssize_t k = 0; k < count; ++k)
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) r(k, i, j) = poses.pose[k].rotation(i, j);
      t(k, i) = poses.pose[k].translation(i);
      d(k, i) = poses.depths[k](i);
    }
  return py::make_tuple(rotations, translations, depths, static_cast<int>(poses.status));
}

}  // namespace
}  // namespace quorvane

PYBIND11_MODULE(_core, module) {
  module.doc() = "The compiled solver; use it through the quorvane package.";
  quorvane::maskedArrayType =
      py::object(py::module_::import("numpy.ma").attr("MaskedArray")).release();
  module.def("solve", &quorvane::solve, py::arg("c1"), py::arg("c2"), py::arg("c3"),
             py::arg("imag_tol"), py::arg("complex"), py::arg("refine"), py::arg("fast"),
             py::arg("certify"));
  module.def("solve_batch", &quorvane::solveBatchOfSystems, py::arg("coefficients"),
             py::arg("threads"), py::arg("imag_tol"), py::arg("complex"), py::arg("refine"),
             py::arg("fast"), py::arg("certify"), py::arg("padded"), py::arg("full_output"));
  module.def("trilaterate", &quorvane::trilaterateStack, py::arg("anchors"), py::arg("ranges"),
             py::arg("range_tol"));
  module.def("residuals", &quorvane::residualsOfPoints, py::arg("coefficients"), py::arg("points"));
  module.def("pose_equations", &quorvane::poseEquationRows, py::arg("bearings"),
             py::arg("world_points"));
  module.def("pose_from_depths", &quorvane::poseOfDepths, py::arg("bearings"),
             py::arg("world_points"), py::arg("depths"));
  module.def("three_point_poses", &quorvane::posesOfThreePoints, py::arg("bearings"),
             py::arg("world_points"), py::arg("imag_tol"), py::arg("refine"), py::arg("fast"));
}
