// SPDX-License-Identifier: BSD-3-Clause
// quorvane._core: the solver for Python, numpy arrays in and out.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <quorvane/solver.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace py = pybind11;

namespace quorvane {
namespace {

constexpr py::ssize_t kCoefficients = 10;
constexpr py::ssize_t kEquations = 3;

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

// What numpy makes of `value`, as a row-major float64 array: one that is already that comes
// back as it is, anything else is converted, so strides and dtypes are never misread.
Float64Array float64Array(const py::object& value, const std::string& name) {
  if (value.is_none()) throw py::type_error(name + " is None, not an array of real numbers");
  const py::array array = asArray(value, name);
  const char kind = array.dtype().kind();
  if (kRealKinds.find(kind) != std::string_view::npos) return Float64Array(array);
  if (kind == 'O') {
    // Python objects go through float(); what it refuses is not a real number.
    try {
      return Float64Array(array);
    } catch (py::error_already_set& e) {
      if (!e.matches(PyExc_TypeError) && !e.matches(PyExc_ValueError)) throw;
      throw py::type_error(name + " holds a value that is not a real number: " +
                           py::str(e.value()).cast<std::string>());
    }
  }
  throw py::type_error(name + " has dtype " + py::str(array.dtype()).cast<std::string>() +
                       ", which is not a real number type");
}

py::array_t<double> pointRows(const SolutionList& solutions) {
  py::array_t<double> points({static_cast<py::ssize_t>(solutions.size()), py::ssize_t{3}});
  auto rows = points.mutable_unchecked<2>();
  for (py::ssize_t i = 0; i < rows.shape(0); ++i) {
    rows(i, 0) = solutions[i].x;
    rows(i, 1) = solutions[i].y;
    rows(i, 2) = solutions[i].z;
  }
  return points;
}

py::array_t<double> solve(const py::object& c1, const py::object& c2, const py::object& c3) {
  const std::array<const py::object*, kEquations> arguments = {&c1, &c2, &c3};
  std::array<Eigen::MatrixXd, kEquations> equations;
  for (std::size_t e = 0; e < equations.size(); ++e) {
    const std::string name = "c" + std::to_string(e + 1);
    const Float64Array coefficients = float64Array(*arguments[e], name);
    if (coefficients.size() < kCoefficients)
      throw py::value_error(name + " has " + std::to_string(coefficients.size()) +
                            " values; an equation needs ten (1, xy, xz, yz, x², y², z², x, y, z)");
    equations[e] = Eigen::Map<const Eigen::MatrixXd>(coefficients.data(), kCoefficients, 1);
  }
  SolutionList solutions;
  {
    py::gil_scoped_release released;
    solveThreeQuadrics(equations[0], equations[1], equations[2], solutions);
  }
  return pointRows(solutions);
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

py::tuple solveBatchOfSystems(const py::object& coefficients, const py::object& threads) {
  const Float64Array systems = float64Array(coefficients, "coefficients");
  if (systems.ndim() != 3 || systems.shape(1) != kEquations || systems.shape(2) != kCoefficients)
    throw py::value_error("coefficients must have shape (n, 3, 10), not " + shapeText(systems));
  const py::ssize_t count = systems.shape(0);
  const unsigned workers = workerCount(threads, count);

  // A private copy: with the GIL released another Python thread may write to, or resize,
  // the caller's array while the workers read.
  const std::vector<double> laidOut(systems.data(), systems.data() + systems.size());
  BatchSolutions out;
  {
    py::gil_scoped_release released;
    solveBatch(laidOut.data(), static_cast<std::size_t>(count), out, workers);
  }
  py::array_t<std::int64_t> system(static_cast<py::ssize_t>(out.system.size()), out.system.data());
  return py::make_tuple(pointRows(out.solutions), system);
}

constexpr const char* kSolveDoc = R"(solve(c1, c2, c3) -> numpy.ndarray, float64 of shape (N, 3)

Every real solution of three quadratic equations in x, y, z.

Each argument holds the coefficients of one equation

    c[0] + c[1] xy + c[2] xz + c[3] yz + c[4] x² + c[5] y² + c[6] z²
         + c[7] x + c[8] y + c[9] z = 0,

that is in the order 1, xy, xz, yz, x², y², z², x, y, z. Anything numpy turns into ten or
more real numbers will do: a list, a tuple, an array of any shape, strides and integer or
floating dtype. Its first ten values in row-major (C) order are used, further ones ignored.

Returns a float64 array of shape (N, 3), one row (x, y, z) per real solution, N from 0 to 8,
in the solver's order (not sorted). A candidate counts as real when the imaginary part of its
z is below 1e-4 in magnitude; its real parts are returned. A row of NaN stands for a
solution the method could not place (its eigenvector has no entry for 1). Degenerate systems,
and NaN or infinite coefficients, give no rows.

Raises ValueError when an argument has fewer than ten values or is ragged, and TypeError when
it holds something that is not a real number (complex, text, dates, None).

The GIL is released while the system is solved.

Example, (x + y - 1)(x + y - 6) = 0, (x - y + z + 1)(x - y + z - 2) = 0,
(x + 2y - z - 3)(x + 2y - z + 2) = 0, with eight real solutions:

>>> import quorvane
>>> points = quorvane.solve([6, 2, 0, 0, 1, 1, 0, -7, -7, 0],
...                         [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1],
...                         [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1])
>>> points.shape
(8, 3)
>>> points[0].round(9).tolist()
[-9.0, 15.0, 23.0]
)";

constexpr const char* kSolveBatchDoc =
    R"(solve_batch(coefficients, threads=None) -> (points, system)

Every real solution of many systems, on several threads.

`coefficients` has shape (n, 3, 10): system k, equation e is coefficients[k, e], ten
coefficients in the order of solve (1, xy, xz, yz, x², y², z², x, y, z). Any dtype and
strides that solve accepts will do; n may be zero.

Returns (points, system): points a float64 array of shape (M, 3), one row (x, y, z) per
real solution, and system an int64 array of shape (M,) giving the index of the system each
row solves. Rows come in system order and, within a system, in the order solve gives; a
system without real solutions has no rows. Each row equals, bit for bit, what solve returns
for that system alone, whatever the thread count.

`threads` is the number of worker threads, each solving a contiguous run of systems; None
uses every core. The GIL is released while the systems are solved.

Raises ValueError for a shape other than (n, 3, 10) or threads below 1, and TypeError for
values that are not real numbers or a threads that is not an integer.

Example, the system of solve twice and one without solutions:

>>> import numpy as np, quorvane
>>> system = [[6, 2, 0, 0, 1, 1, 0, -7, -7, 0],
...           [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1],
...           [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1]]
>>> points, index = quorvane.solve_batch([system, np.zeros((3, 10)), system])
>>> points.shape, np.bincount(index).tolist()
((16, 3), [8, 0, 8])
)";

}  // namespace
}  // namespace quorvane

PYBIND11_MODULE(_core, module) {
  // The first line of each docstring is its signature, in Python's terms rather than C++'s.
  py::options options;
  options.disable_function_signatures();
  module.doc() = "The compiled solver; use it through the quorvane package.";
  module.def("solve", &quorvane::solve, py::arg("c1"), py::arg("c2"), py::arg("c3"),
             quorvane::kSolveDoc);
  module.def("solve_batch", &quorvane::solveBatchOfSystems, py::arg("coefficients"),
             py::arg("threads") = py::none(), quorvane::kSolveBatchDoc);
}
