// SPDX-License-Identifier: BSD-3-Clause
// Loads quorvane.mexw64 the way MATLAB does (LoadLibrary, GetProcAddress("mexFunction")), with
// the stand-in libmx.dll and libmex.dll beside this program, and calls it: known solutions,
// state across calls, every bad input, unloading and loading again, and failures inside the
// solver (through the gateway linked to a stand-in solver that fails on request).
// Then quorvane_batch.mexw64 the same way, against quorvane.mexw64's own columns, and with
// name-value options.
//   quorvane_module_host_test C:\path\to\quorvane.mexw64 C:\path\to\quorvane_throwing.mexw64
//                             C:\path\to\quorvane_batch.mexw64
#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "stand_in.h"

namespace {

using Coefficients = std::array<double, 10>;

// (x + y - 1)(x + y - 6), (x - y + z + 1)(x - y + z - 2), (x + 2y - z - 3)(x + 2y - z + 2).
constexpr Coefficients kFirst = {6, 2, 0, 0, 1, 1, 0, -7, -7, 0};
constexpr Coefficients kSecond = {-2, -2, 2, -2, 1, 1, 1, -1, 1, -1};
constexpr Coefficients kThird = {-6, 4, -2, -4, 1, 4, 1, -1, -2, 1};
// Its eight solutions (x, y, z) in the order the eigen-solver finds them, as on Linux.
constexpr double kExpected[8][3] = {{-9, 15, 23}, {4, -3, -5}, {-6, 12, 20}, {1, 0, -2},
                                    {-4, 10, 13}, {-1, 2, 5},  {-4, 5, 8},   {-1, 7, 10}};

// Beside the first two equations, x^2 - y^2 + z^2 + m = 0 cuts the four lines they share in 8
// real points for m = -20, in 2 for m = 5 and in none for m = 20.
Coefficients withConstant(double m) {
  return {m, 0, 0, 0, 1, -1, 1, 0, 0, 0};
}

int passed = 0;
int failed = 0;

void check(bool holds, const std::string& what) {
  if (holds) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAIL %s\n", what.c_str());
  }
}

// Inputs made by the host, freed when the case ends.
struct Arrays {
  std::vector<mxArray*> arrays;
  ~Arrays() {
    for (mxArray* array : arrays) standInDestroyArray(array);
  }
  const mxArray* make(const char* className, mwSize rows, mwSize columns,
                      const std::vector<double>& elements, bool complex = false,
                      bool sparse = false) {
    mxArray* array = standInCreateArray(className, rows, columns, complex, sparse);
    std::copy_n(elements.begin(), std::min<std::size_t>(elements.size(), rows * columns),
                mxGetPr(array));
    arrays.push_back(array);
    return array;
  }
  const mxArray* row(const Coefficients& c) {
    return make("double", 1, c.size(), {c.begin(), c.end()});
  }
  // A char row vector, its character codes held as doubles.
  const mxArray* text(const std::string& t) {
    return make("char", 1, t.size(), {t.begin(), t.end()});
  }
};

// Room for as many outputs as any call here asks for.
struct Call {
  bool raised = false;
  StandInError error = {};
  mxArray* outputs[6] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  long long dataReads = 0;
  ~Call() {
    for (mxArray* output : outputs) standInDestroyArray(output);
  }
};

// As MATLAB calls a MEX function: there is always room for one output, also for nlhs = 0.
void call(MexFunction mexFunction, int nlhs, std::vector<const mxArray*> inputs, Call& result) {
  const long long readsBefore = standInDataReads();
  result.raised = !standInCall(mexFunction, nlhs, result.outputs, static_cast<int>(inputs.size()),
                               inputs.data(), &result.error);
  result.dataReads = standInDataReads() - readsBefore;
}

double equationAt(const Coefficients& c, double x, double y, double z) {
  return c[0] + c[1] * x * y + c[2] * x * z + c[3] * y * z + c[4] * x * x + c[5] * y * y +
         c[6] * z * z + c[7] * x + c[8] * y + c[9] * z;
}

// A real double 3 x `columns` result, each column solving the three equations.
bool isSolutionMatrix(const mxArray* output, mwSize columns,
                      const std::array<Coefficients, 3>& system) {
  if (output == nullptr || !mxIsDouble(output) || mxIsComplex(output) || mxIsSparse(output) ||
      standInRows(output) != 3 || standInColumns(output) != columns)
    return false;
  const double* s = mxGetPr(output);
  for (mwSize k = 0; k < columns; ++k)
    for (const Coefficients& c : system)
      if (!(std::fabs(equationAt(c, s[3 * k], s[3 * k + 1], s[3 * k + 2])) < 1e-8)) return false;
  return true;
}

bool sameMatrix(const mxArray* a, const mxArray* b) {
  return a != nullptr && b != nullptr && standInRows(a) == standInRows(b) &&
         standInColumns(a) == standInColumns(b) &&
         std::memcmp(mxGetPr(a), mxGetPr(b), sizeof(double) * 3 * standInColumns(a)) == 0;
}

void printMatrix(const mxArray* output) {
  const double* s = mxGetPr(output);
  for (mwSize row = 0; row < 3; ++row) {
    std::printf("   ");
    for (mwSize k = 0; k < standInColumns(output); ++k) std::printf(" %24.17g", s[3 * k + row]);
    std::printf("\n");
  }
}

void workedExample(MexFunction mexFunction, const std::string& what) {
  Arrays in;
  Call result;
  call(mexFunction, 1, {in.row(kFirst), in.row(kSecond), in.row(kThird)}, result);
  check(!result.raised && isSolutionMatrix(result.outputs[0], 8, {kFirst, kSecond, kThird}),
        what + ": 3 x 8, each column a solution");
  if (result.outputs[0] == nullptr || standInColumns(result.outputs[0]) != 8) return;
  std::printf("%s:\n", what.c_str());
  printMatrix(result.outputs[0]);
  const double* s = mxGetPr(result.outputs[0]);
  double worst = 0;
  for (int k = 0; k < 8; ++k)
    for (int i = 0; i < 3; ++i) {
      const double difference = std::fabs(s[3 * k + i] - kExpected[k][i]);
      if (!(difference < worst)) worst = difference;  // a NaN sticks
    }
  std::printf("largest difference from the exact solutions: %.3g\n", worst);
  check(worst < 1e-9, what + ": the Linux build's solutions in its order, to 1e-9");
}

// Only the first ten elements in storage order count, whatever the shape.
void shapes(MexFunction mexFunction) {
  Arrays in;
  Call rows;
  call(mexFunction, 1, {in.row(kFirst), in.row(kSecond), in.row(kThird)}, rows);
  auto elements = [](const Coefficients& c) { return std::vector<double>(c.begin(), c.end()); };
  auto longer = [&](const Coefficients& c) {
    std::vector<double> e = elements(c);
    e.insert(e.end(), {NAN, INFINITY, 1e300, -3});
    return e;
  };
  const struct {
    const char* name;
    mwSize rows, columns;
  } kShapes[] = {{"10 x 1", 10, 1}, {"2 x 5", 2, 5}, {"1 x 14", 1, 14}, {"7 x 2", 7, 2}};
  for (const auto& shape : kShapes) {
    auto data = [&](const Coefficients& c) {
      return shape.rows * shape.columns > 10 ? longer(c) : elements(c);
    };
    Call other;
    call(mexFunction, 1,
         {in.make("double", shape.rows, shape.columns, data(kFirst)),
          in.make("double", shape.rows, shape.columns, data(kSecond)),
          in.make("double", shape.rows, shape.columns, data(kThird))},
         other);
    check(!other.raised && sameMatrix(rows.outputs[0], other.outputs[0]),
          std::string("inputs of shape ") + shape.name + " give the 1 x 10 result");
  }
}

// The number of real solutions follows the realness of z; each call returns its own only.
void callsInARow(MexFunction mexFunction) {
  Arrays in;
  Call first;
  call(mexFunction, 1, {in.row(kFirst), in.row(kSecond), in.row(kThird)}, first);
  const struct {
    double m;
    mwSize solutions;
    int nlhs;
  } kCases[] = {{20, 0, 1}, {5, 2, 1}, {-20, 8, 1}, {20, 0, 0}, {5, 2, 0}};
  for (const auto& c : kCases) {
    const Coefficients third = withConstant(c.m);
    Call result;
    call(mexFunction, c.nlhs, {in.row(kFirst), in.row(kSecond), in.row(third)}, result);
    check(!result.raised &&
              isSolutionMatrix(result.outputs[0], c.solutions, {kFirst, kSecond, third}),
          "m = " + std::to_string(c.m) + ", nlhs = " + std::to_string(c.nlhs) + ": 3 x " +
              std::to_string(c.solutions));
  }
  Call again;
  call(mexFunction, 1, {in.row(kFirst), in.row(kSecond), in.row(kThird)}, again);
  check(sameMatrix(first.outputs[0], again.outputs[0]),
        "the worked example after other calls gives the same bits");
}

struct BadArgument {
  const char* className;
  mwSize rows, columns;
  bool complex, sparse;
  const char* identifier;
  const char* description;  ///< of the argument, in its message
  const char* expectation;  ///< what the message says was expected
};

constexpr const char* kRealFullDouble = "a real full double array";
constexpr const char* kTenCoefficients =
    "at least ten coefficients, in the order 1, xy, xz, yz, x^2, y^2, z^2, x, y, z";

constexpr BadArgument kBadArguments[] = {
    {"single", 1, 10, false, false, "quorvane:notDouble", "single with 10 elements",
     kRealFullDouble},
    {"int32", 1, 10, false, false, "quorvane:notDouble", "int32 with 10 elements", kRealFullDouble},
    {"uint8", 1, 10, false, false, "quorvane:notDouble", "uint8 with 10 elements", kRealFullDouble},
    {"logical", 1, 10, false, false, "quorvane:notDouble", "logical with 10 elements",
     kRealFullDouble},
    {"char", 1, 10, false, false, "quorvane:notDouble", "char with 10 elements", kRealFullDouble},
    {"cell", 1, 10, false, false, "quorvane:notDouble", "cell with 10 elements", kRealFullDouble},
    {"logical", 1, 10, false, true, "quorvane:notDouble", "sparse logical with 10 elements",
     kRealFullDouble},
    {"double", 1, 10, false, true, "quorvane:sparse", "sparse double with 10 elements",
     "a full (not sparse) double array"},
    {"double", 1, 10, true, true, "quorvane:sparse", "complex sparse double with 10 elements",
     "a full (not sparse) double array"},
    {"double", 1, 10, true, false, "quorvane:complex", "complex double with 10 elements",
     "a real double array"},
    {"double", 1, 9, false, false, "quorvane:tooFewCoefficients", "double with 9 elements",
     kTenCoefficients},
    {"double", 3, 3, false, false, "quorvane:tooFewCoefficients", "double with 9 elements",
     kTenCoefficients},
    {"double", 1, 1, false, false, "quorvane:tooFewCoefficients", "double with 1 element",
     kTenCoefficients},
    {"double", 0, 0, false, false, "quorvane:tooFewCoefficients", "double with 0 elements",
     kTenCoefficients},
};

// A rejected call raises its identifier and message before reading any input data and sets
// no output; the host goes on, and the next good call gives the worked example's solutions.
void expectRejected(MexFunction mexFunction, int nlhs, const std::vector<const mxArray*>& inputs,
                    const char* identifier, const std::string& message, const std::string& what) {
  Call result;
  call(mexFunction, nlhs, inputs, result);
  check(result.raised && std::strcmp(result.error.identifier, identifier) == 0,
        what + ": " + identifier + " (got " + (result.raised ? result.error.identifier : "none") +
            ")");
  check(message == result.error.message,
        what + ": message \"" + result.error.message + "\", expected \"" + message + "\"");
  check(std::all_of(std::begin(result.outputs), std::end(result.outputs),
                    [](const mxArray* output) { return output == nullptr; }) &&
            result.dataReads == 0,
        what + ": no output set and no input data read");
  Arrays in;
  Call good;
  call(mexFunction, 1, {in.row(kFirst), in.row(kSecond), in.row(kThird)}, good);
  check(!good.raised && isSolutionMatrix(good.outputs[0], 8, {kFirst, kSecond, kThird}),
        what + ": the next call works");
}

void badInput(MexFunction mexFunction) {
  Arrays in;
  const mxArray* c[3] = {in.row(kFirst), in.row(kSecond), in.row(kThird)};
  const std::vector<const mxArray*> kInputLists[] = {{}, {c[0]}, {c[0], c[1]}};
  for (const auto& inputs : kInputLists)
    expectRejected(mexFunction, 1, inputs, "quorvane:inputCount",
                   "expected three coefficient arrays, one per equation, then name-value "
                   "options ('Method', 'ImagTol', 'Refine' or 'Certify'); got " +
                       std::to_string(inputs.size()) + " arguments",
                   std::to_string(inputs.size()) + " inputs");
  expectRejected(mexFunction, 1, {c[0], c[1], c[2], c[2]}, "quorvane:optionName",
                 "argument 4 (double with 10 elements) is not an option name; expected "
                 "'Method', 'ImagTol', 'Refine' or 'Certify' (a char row vector, case ignored)",
                 "a fourth coefficient array");
  expectRejected(mexFunction, 1, {c[0], c[1], c[2], in.text("ImagTol"), in.text("1e-4")},
                 "quorvane:imagTol",
                 "the value of 'ImagTol' (argument 5) is '1e-4'; expected a real finite "
                 "nonnegative double scalar",
                 "'ImagTol' as text");
  for (int nlhs : {3, 4})
    expectRejected(mexFunction, nlhs, {c[0], c[1], c[2]}, "quorvane:outputCount",
                   "expected at most two outputs, the 3 x N matrix of solutions and the struct "
                   "that describes the call; " +
                       std::to_string(nlhs) + " requested",
                   std::to_string(nlhs) + " outputs");

  const char* kNames[3] = {"first", "second", "third"};
  for (const BadArgument& bad : kBadArguments)
    for (int position = 0; position < 3; ++position) {
      std::vector<const mxArray*> inputs(c, c + 3);
      inputs[position] = in.make(bad.className, bad.rows, bad.columns,
                                 {kFirst.begin(), kFirst.end()}, bad.complex, bad.sparse);
      const std::string argument = std::string(kNames[position]) + " coefficient array (argument " +
                                   std::to_string(position + 1) + ")";
      expectRejected(mexFunction, 1, inputs, bad.identifier,
                     argument + " is " + bad.description + "; expected " + bad.expectation,
                     argument + ", " + bad.description);
    }
}

// Errors and good calls alternate; every unwind leaves the stack and the module as they were.
void manyCalls(MexFunction mexFunction) {
  Arrays in;
  const mxArray* good[3] = {in.row(kFirst), in.row(kSecond), in.row(kThird)};
  const mxArray* wrong = in.make("int32", 1, 10, {});
  Call reference;
  call(mexFunction, 1, {good, good + 3}, reference);
  int wrongResults = 0;
  for (int round = 0; round < 500; ++round) {
    Call rejected, accepted;
    call(mexFunction, 1, {good[0], wrong, good[2]}, rejected);
    call(mexFunction, 0, {good, good + 3}, accepted);
    if (!rejected.raised || accepted.raised ||
        !sameMatrix(reference.outputs[0], accepted.outputs[0]))
      ++wrongResults;
  }
  check(wrongResults == 0, "500 rounds of a rejected and a good call: " +
                               std::to_string(wrongResults) + " went wrong");
}

std::string textOf(const mxArray* a) {
  if (a == nullptr || std::strcmp(mxGetClassName(a), "char") != 0) return "(not char)";
  const double* codes = mxGetPr(a);
  return std::string(codes, codes + standInColumns(a));
}

// [S, info] = quorvane(c1, c2, c3, 'Certify', true): S as with one output, and the struct of
// the call with its fields in order; a NaN coefficient is 'bad_input' naming its argument.
void infoOutput(MexFunction mexFunction) {
  Arrays in;
  Call one, both;
  call(mexFunction, 1, {in.row(kFirst), in.row(kSecond), in.row(kThird)}, one);
  call(mexFunction, 2,
       {in.row(kFirst), in.row(kSecond), in.row(kThird), in.text("Certify"),
        in.make("logical", 1, 1, {1})},
       both);
  const mxArray* info = both.outputs[1];
  check(!both.raised && sameMatrix(one.outputs[0], both.outputs[0]),
        "[S, info] with 'Certify': S is the one-output call's");
  check(info != nullptr && std::strcmp(mxGetClassName(info), "struct") == 0 &&
            std::strcmp(standInFieldNames(info), "status,kind,radius,certified,path,argument") == 0,
        std::string("info is a struct with its fields in order (got ") +
            (info ? standInFieldNames(info) : "none") + ")");
  if (info == nullptr) return;
  const mxArray* kind = standInField(info, "kind");
  const mxArray* radius = standInField(info, "radius");
  const mxArray* certified = standInField(info, "certified");
  bool described = textOf(standInField(info, "status")) == "solved" &&
                   textOf(standInField(info, "path")) == "as_given" && kind != nullptr &&
                   standInColumns(kind) == 8 && radius != nullptr && standInColumns(radius) == 8 &&
                   certified != nullptr && std::strcmp(mxGetClassName(certified), "logical") == 0 &&
                   *mxGetLogicals(certified);
  for (int j = 0; described && j < 8; ++j)
    described = mxGetPr(kind)[j] == 0 && mxGetPr(radius)[j] > 0 && mxGetPr(radius)[j] < 1e-6;
  check(described, "info: solved, as_given, eight roots with proved radii, certified");

  Coefficients bad = kSecond;
  bad[4] = NAN;
  Call rejected;
  call(mexFunction, 2, {in.row(kFirst), in.row(bad), in.row(kThird)}, rejected);
  const mxArray* badInfo = rejected.outputs[1];
  check(!rejected.raised && standInColumns(rejected.outputs[0]) == 0 && badInfo != nullptr &&
            textOf(standInField(badInfo, "status")) == "bad_input" &&
            mxGetPr(standInField(badInfo, "argument"))[0] == 2,
        "a NaN in the second array: 3 x 0 and info.status 'bad_input', argument 2");
}

struct Module {
  HMODULE handle = nullptr;
  MexFunction mexFunction = nullptr;
};

Module load(const char* path) {
  Module module;
  module.handle = LoadLibraryA(path);
  if (module.handle != nullptr)
    // By way of void (*)(), the one function type any other converts to without a warning.
    module.mexFunction = reinterpret_cast<MexFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module.handle, "mexFunction")));
  return module;
}

// The gateway linked to the stand-in solver of gateway/tests/throwing_solver.cc, whose first
// coefficient picks the failure: C++ exceptions thrown and caught inside the module, with its
// own runtime, become errors for the host.
void solverFailures(MexFunction mexFunction) {
  auto solve = [&](double failure, Call& result) {
    Arrays in;
    call(mexFunction, 1,
         {in.row({failure, 1, 0, 0, 0, 0, 0, 0, 0, 0}), in.row({0, 2, 0, 0, 0, 0, 0, 0, 0, 0}),
          in.row({0, 3, 0, 0, 0, 0, 0, 0, 0, 0})},
         result);
  };
  const struct {
    double failure;
    const char* identifier;
    const char* message;
  } kFailures[] = {
      {1, "quorvane:outOfMemory", "bad allocation"},
      {2, "quorvane:tooLong", "vector<T> too long"},
      {3, "quorvane:internal", "unexpected failure in the solver: not a solver failure"},
      {4, "quorvane:internal", "unexpected failure in the solver"},
  };
  for (const auto& failure : kFailures) {
    const std::string what = "stand-in solver failure " + std::to_string(int(failure.failure));
    Call failed;
    solve(failure.failure, failed);
    check(failed.raised && std::strcmp(failed.error.identifier, failure.identifier) == 0 &&
              std::strcmp(failed.error.message, failure.message) == 0,
          what + ": " + failure.identifier + ", \"" + failure.message + "\" (got " +
              failed.error.identifier + ", \"" + failed.error.message + "\")");
    check(failed.outputs[0] == nullptr, what + ": no output set");
    Call next;
    solve(0, next);
    const double* s = next.outputs[0] != nullptr ? mxGetPr(next.outputs[0]) : nullptr;
    check(!next.raised && s != nullptr && standInRows(next.outputs[0]) == 3 &&
              standInColumns(next.outputs[0]) == 1 && s[0] == 1 && s[1] == 2 && s[2] == 3,
          what + ": the next call returns its own solution only");
  }
}

// [S, K] = quorvane_batch(C, threads, 'Method', 'standard') on the worked example, a system of
// zeros and the worked example again: S is quorvane's columns twice, bit for bit, K the 1-based
// system numbers; 30 x 3 and 10 x 9 are the same batch, and bad input raises its identifier.
void batchModule(MexFunction batch, MexFunction single) {
  Arrays in;
  Call one;
  call(single, 1, {in.row(kFirst), in.row(kSecond), in.row(kThird)}, one);
  std::vector<double> systems;
  for (const Coefficients* c : {&kFirst, &kSecond, &kThird})
    systems.insert(systems.end(), c->begin(), c->end());
  systems.insert(systems.end(), 30, 0.0);
  systems.insert(systems.end(), systems.begin(), systems.begin() + 30);
  const struct {
    mwSize rows, columns;
    double threads;
  } kLayouts[] = {{30, 3, 1}, {30, 3, 2}, {10, 9, 3}};
  for (const auto& layout : kLayouts) {
    const std::string what = "quorvane_batch " + std::to_string(layout.rows) + " x " +
                             std::to_string(layout.columns) + ", " +
                             std::to_string(int(layout.threads)) + " threads";
    Call result;
    call(batch, 2,
         {in.make("double", layout.rows, layout.columns, systems),
          in.make("double", 1, 1, {layout.threads}), in.text("Method"), in.text("standard")},
         result);
    bool same = !result.raised && one.outputs[0] != nullptr && result.outputs[0] != nullptr &&
                result.outputs[1] != nullptr && standInColumns(result.outputs[0]) == 16 &&
                standInRows(result.outputs[1]) == 1 && standInColumns(result.outputs[1]) == 16;
    if (same) {
      const double* s = mxGetPr(result.outputs[0]);
      const double* k = mxGetPr(result.outputs[1]);
      for (int copy = 0; copy < 2; ++copy)
        same =
            same && std::memcmp(s + 24 * copy, mxGetPr(one.outputs[0]), 24 * sizeof(double)) == 0;
      for (int j = 0; j < 16; ++j) same = same && k[j] == (j < 8 ? 1 : 3);
    }
    check(same, what + ": quorvane's columns for systems 1 and 3, numbered");
  }
  const struct {
    const char* className;
    mwSize rows, columns;
    bool complex, sparse;
    double threads;
    const char* identifier;
  } kBad[] = {{"single", 30, 1, false, false, 1, "quorvane:notDouble"},
              {"double", 30, 1, false, true, 1, "quorvane:sparse"},
              {"double", 30, 1, true, false, 1, "quorvane:complex"},
              {"double", 29, 1, false, false, 1, "quorvane:batchShape"},
              {"double", 10, 4, false, false, 1, "quorvane:batchShape"},
              {"double", 30, 1, false, false, 0, "quorvane:threads"},
              {"double", 30, 1, false, false, 1.5, "quorvane:threads"}};
  for (const auto& bad : kBad) {
    Call result;
    call(batch, 1,
         {in.make(bad.className, bad.rows, bad.columns, {}, bad.complex, bad.sparse),
          in.make("double", 1, 1, {bad.threads})},
         result);
    check(result.raised && std::strcmp(result.error.identifier, bad.identifier) == 0 &&
              result.outputs[0] == nullptr,
          std::string("quorvane_batch rejects with ") + bad.identifier + " (got " +
              (result.raised ? result.error.identifier : "no error") + ")");
  }
  Call none;
  call(batch, 1, {}, none);
  check(none.raised && std::strcmp(none.error.identifier, "quorvane:inputCount") == 0,
        "quorvane_batch without arguments: quorvane:inputCount");
}

// The name-value options reach the module as char arrays: 'Method', 'fast' (any case) finds
// the worked example's eight points in each of its systems, and a bad option raises its
// identifier and says what was expected.
void batchOptions(MexFunction batch) {
  Arrays in;
  std::vector<double> systems;
  for (int copy = 0; copy < 2; ++copy)
    for (const Coefficients* c : {&kFirst, &kSecond, &kThird})
      systems.insert(systems.end(), c->begin(), c->end());
  const mxArray* c = in.make("double", 30, 2, systems);
  Call fast;
  call(batch, 2, {c, in.text("method"), in.text("FAST")}, fast);
  bool found = !fast.raised && fast.outputs[0] != nullptr && fast.outputs[1] != nullptr &&
               isSolutionMatrix(fast.outputs[0], 16, {kFirst, kSecond, kThird});
  if (found) {
    const double* s = mxGetPr(fast.outputs[0]);
    const double* k = mxGetPr(fast.outputs[1]);
    auto atPoint = [&](int j, const double(&point)[3]) {
      return std::fabs(s[3 * j] - point[0]) < 1e-9 && std::fabs(s[3 * j + 1] - point[1]) < 1e-9 &&
             std::fabs(s[3 * j + 2] - point[2]) < 1e-9;
    };
    for (int system = 1; system <= 2; ++system)
      for (const auto& point : kExpected) {
        bool seen = false;
        for (int j = 0; j < 16; ++j) seen = seen || (k[j] == system && atPoint(j, point));
        found = found && seen;
      }
  }
  check(found, "quorvane_batch(C, 'method', 'FAST'): the eight known points of each system");
  // [S, K, R, P, V] with 'Certify': a radius and a kind per point (the eight are roots), a
  // logical certified flag per system.
  Call certified;
  call(batch, 5, {c, in.text("Certify"), in.make("logical", 1, 1, {1})}, certified);
  const auto isRow = [](const mxArray* a, const char* className, mwSize columns) {
    return a != nullptr && std::strcmp(mxGetClassName(a), className) == 0 && standInRows(a) == 1 &&
           standInColumns(a) == columns;
  };
  bool described =
      !certified.raised && isSolutionMatrix(certified.outputs[0], 16, {kFirst, kSecond, kThird}) &&
      isRow(certified.outputs[2], "double", 16) && isRow(certified.outputs[3], "double", 16) &&
      isRow(certified.outputs[4], "logical", 2);
  if (described) {
    const double* kinds = mxGetPr(certified.outputs[3]);
    described = std::all_of(kinds, kinds + 16, [](double kind) { return kind == 0; });
  }
  check(described,
        "quorvane_batch(C, 'Certify', true) with five outputs: 1 x 16 radii and kinds (all "
        "roots), 1 x 2 logical certified");
  // The sixth output: each system's status, Python's codes (0 solved, 3 bad input).
  std::vector<double> withNaN = systems;
  withNaN[35] = NAN;
  Call statuses;
  call(batch, 6, {in.make("double", 30, 2, withNaN)}, statuses);
  check(!statuses.raised && isRow(statuses.outputs[5], "double", 2) &&
            mxGetPr(statuses.outputs[5])[0] == 0 && mxGetPr(statuses.outputs[5])[1] == 3,
        "quorvane_batch with six outputs: statuses [0 3] for a good system and a NaN one");
  const struct {
    std::vector<const mxArray*> inputs;
    const char* identifier;
    const char* message;
  } kBad[] = {
      {{c, in.text("Method"), in.text("quick")},
       "quorvane:method",
       "the value of 'Method' (argument 3) is 'quick'; expected 'standard' or 'fast'"},
      {{c, in.make("double", 1, 1, {2}), in.text("Speed"), in.text("fast")},
       "quorvane:optionName",
       "argument 3 ('Speed') is not an option name; expected 'Method', 'ImagTol', 'Refine' or "
       "'Certify' (a char row vector, case ignored)"},
      // A MATLAB string where the thread count may stand is taken for a name, not a count.
      {{c, in.make("string", 1, 1, {}), in.text("fast")},
       "quorvane:optionName",
       "argument 2 (string with 1 element) is not an option name; expected 'Method', 'ImagTol', "
       "'Refine' or 'Certify' (a char row vector, case ignored)"},
      {{c, in.text("ImagTol")},
       "quorvane:optionValue",
       "option 'ImagTol' (argument 2) has no value; expected name-value pairs after C and the "
       "optional thread count"},
  };
  for (const auto& bad : kBad) {
    Call result;
    call(batch, 1, bad.inputs, result);
    check(result.raised && std::strcmp(result.error.identifier, bad.identifier) == 0 &&
              std::strcmp(result.error.message, bad.message) == 0 && result.outputs[0] == nullptr,
          std::string("quorvane_batch rejects with ") + bad.identifier + ": \"" + bad.message +
              "\" (got " + (result.raised ? result.error.identifier : "no error") + ", \"" +
              result.error.message + "\")");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: %s quorvane.mexw64 quorvane_throwing.mexw64 quorvane_batch.mexw64\n",
                 argv[0]);
    return 2;
  }
  const char* path = argv[1];
  // Unbuffered, so that what was printed survives a crash of the module.
  std::setvbuf(stdout, nullptr, _IONBF, 0);

  Module module = load(path);
  check(module.mexFunction != nullptr,
        std::string("LoadLibrary and GetProcAddress(\"mexFunction\") of ") + path + ", error " +
            std::to_string(GetLastError()));
  if (module.mexFunction == nullptr) {
    std::printf("%d passed, %d failed\n", passed, failed);
    return 1;
  }
  workedExample(module.mexFunction, "worked example");
  shapes(module.mexFunction);
  callsInARow(module.mexFunction);
  badInput(module.mexFunction);
  manyCalls(module.mexFunction);
  infoOutput(module.mexFunction);

  // Unloading after a rejected call, then loading afresh: the module's state is made anew and
  // the calls work as before.
  for (int reload = 1; reload <= 2; ++reload) {
    Arrays in;
    Call rejected;
    call(module.mexFunction, 1, {in.row(kFirst)}, rejected);
    check(FreeLibrary(module.handle) != 0 && GetModuleHandleA("quorvane.mexw64") == nullptr,
          "FreeLibrary unloads the module (" + std::to_string(reload) + ")");
    module = load(path);
    check(module.mexFunction != nullptr, "loaded again (" + std::to_string(reload) + ")");
    if (module.mexFunction == nullptr) break;
    Call result;
    call(module.mexFunction, 1, {in.row(kFirst), in.row(kSecond), in.row(kThird)}, result);
    check(!result.raised && isSolutionMatrix(result.outputs[0], 8, {kFirst, kSecond, kThird}),
          "the worked example after loading again (" + std::to_string(reload) + ")");
  }

  // A second module, with a runtime of its own, loaded beside the first.
  Module throwing = load(argv[2]);
  check(throwing.mexFunction != nullptr, std::string("loaded ") + argv[2]);
  if (throwing.mexFunction != nullptr) {
    solverFailures(throwing.mexFunction);
    check(FreeLibrary(throwing.handle) != 0, "unloaded the failing module");
  }
  Module batch = load(argv[3]);
  check(batch.mexFunction != nullptr, std::string("loaded ") + argv[3]);
  if (batch.mexFunction != nullptr && module.mexFunction != nullptr) {
    batchModule(batch.mexFunction, module.mexFunction);
    batchOptions(batch.mexFunction);
    check(FreeLibrary(batch.handle) != 0, "unloaded the batch module");
  }
  if (module.mexFunction != nullptr) {
    workedExample(module.mexFunction, "worked example after the failing module");
    FreeLibrary(module.handle);
  }
  check(standInLiveArrays() == 0,
        "every array was freed: " + std::to_string(standInLiveArrays()) + " left");

  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
