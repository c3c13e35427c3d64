// SPDX-License-Identifier: BSD-3-Clause
// Solves every system of a file from make_systems through every C++ interface of the library
// and writes what came back, raw, to one results file: the points' bytes in the order they
// were returned, the counts, and every field of every report. compare.py holds two such
// files side by side, so that a change inside the library that was meant to keep its outputs
// shows whether it did, bit for bit. Only the public header is used, so the same source
// builds against any tree whose library keeps that interface.
//
//   output_digest SYSTEMS RESULTS
//
// Results file (all numbers in the machine's byte order): the text "QVDIGEST1\n", then one
// section per interface until the end:
//   u32 name length, name, u32 array count, then per array:
//     u32 name length, name, u8 kind ('d' double, 'D' complex double, 'q' int64),
//     u32 rank, u64 extents[rank], the elements' bytes in row-major order.
// Arrays of a section: "count" (one per system), "report" (systems x 6: status, path,
// argument, problem, method, centringRounds), "points" (returned points x 3) for the single
// calls; "batch status", "system", "points", "report" for the batches.
#include <quorvane/solver.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace {

static_assert(sizeof(quorvane::Solution) == 3 * sizeof(double),
              "points are written as the solver's vectors lay them out");
static_assert(sizeof(quorvane::ComplexSolution) == 6 * sizeof(double),
              "points are written as the solver's vectors lay them out");

class ResultsFile {
 public:
  explicit ResultsFile(const char* name) : name_(name), file_(std::fopen(name, "wb")) {
    if (!file_) fail();
    bytes("QVDIGEST1\n", 10);
  }
  ~ResultsFile() {
    if (std::fclose(file_) != 0) fail();
  }

  void section(const std::string& name, std::uint32_t arrays) {
    text(name);
    u32(arrays);
  }
  // An array of `rows` x `columns` elements of `kind` at `data` (rank 1 when columns is 0).
  void array(const std::string& name, char kind, std::uint64_t rows, std::uint64_t columns,
             const void* data, std::size_t elementBytes) {
    text(name);
    bytes(&kind, 1);
    u32(columns ? 2 : 1);
    u64(rows);
    if (columns) u64(columns);
    bytes(data, rows * (columns ? columns : 1) * elementBytes);
    ++arrays_;
  }
  std::uint64_t arraysWritten() const { return arrays_; }

 private:
  void bytes(const void* data, std::size_t n) {
    if (n && std::fwrite(data, 1, n, file_) != n) fail();
  }
  void u32(std::uint32_t v) { bytes(&v, sizeof v); }
  void u64(std::uint64_t v) { bytes(&v, sizeof v); }
  void text(const std::string& s) {
    u32(static_cast<std::uint32_t>(s.size()));
    bytes(s.data(), s.size());
  }
  [[noreturn]] void fail() {
    std::fprintf(stderr, "cannot write %s\n", name_);
    std::exit(1);
  }
  const char* name_;
  std::FILE* file_;
  std::uint64_t arrays_ = 0;
};

constexpr int kReportFields = 6;
using ReportRow = std::array<std::int64_t, kReportFields>;

ReportRow row(const quorvane::SolveReport& r) {
  return {static_cast<std::int64_t>(r.status),   static_cast<std::int64_t>(r.path),
          static_cast<std::int64_t>(r.argument), static_cast<std::int64_t>(r.problem),
          static_cast<std::int64_t>(r.method),   static_cast<std::int64_t>(r.centringRounds)};
}

template <class Point>
constexpr char kindOf() {
  return std::is_same_v<Point, quorvane::Solution> ? 'd' : 'D';
}
template <class Point>
constexpr std::size_t scalarBytes() {
  return sizeof(Point) / 3;
}

// What one call per system gave: the points of all systems one after the other.
template <class Point>
struct PerSystem {
  std::vector<std::int64_t> count;
  std::vector<ReportRow> reports;
  std::vector<Point> points;
};

template <class Point>
void writePerSystem(ResultsFile& out, const std::string& name, const PerSystem<Point>& r,
                    bool withReports) {
  out.section(name, withReports ? 3 : 2);
  out.array("count", 'q', r.count.size(), 0, r.count.data(), sizeof(std::int64_t));
  if (withReports)
    out.array("report", 'q', r.reports.size(), kReportFields, r.reports.data(),
              sizeof(std::int64_t));
  out.array("points", kindOf<Point>(), r.points.size(), 3, r.points.data(), scalarBytes<Point>());
}

// Every call appends to a list that holds the points of the systems before it, so that the
// interfaces' promise to append (not to replace) is exercised too.
template <class Point, class Solve>
PerSystem<Point> eachSystem(const std::vector<double>& c, std::size_t systems, Solve solve) {
  PerSystem<Point> r;
  r.count.reserve(systems);
  r.reports.reserve(systems);
  std::vector<Point> list;
  for (std::size_t k = 0; k < systems; ++k) {
    const double* s = c.data() + 30 * k;
    const std::size_t before = list.size();
    r.reports.push_back(row(solve(s, list)));
    r.count.push_back(static_cast<std::int64_t>(list.size() - before));
  }
  r.points = std::move(list);
  return r;
}

struct Named {
  const char* name;
  quorvane::SolveOptions options;
};

std::vector<Named> optionSets() {
  using quorvane::Method;
  using quorvane::SolveOptions;
  const auto make = [](double tolerance, bool refine, Method method) {
    SolveOptions o;
    o.imaginaryTolerance = tolerance;
    o.refine = refine;
    o.method = method;
    return o;
  };
  return {
      {"default", SolveOptions{}},
      {"refine", make(1e-4, true, Method::standard)},
      {"imag1e-3", make(1e-3, false, Method::standard)},
      {"imag1e-2,refine", make(1e-2, true, Method::standard)},
      {"fast", make(1e-4, false, Method::fast)},
      {"fast,refine", make(1e-4, true, Method::fast)},
      {"fast,imag1e-3", make(1e-3, false, Method::fast)},
  };
}

template <class Batch>
void writeBatch(ResultsFile& out, const std::string& name, quorvane::BatchStatus status,
                const Batch& b) {
  using Point = typename decltype(b.solutions)::value_type;
  std::vector<ReportRow> reports;
  for (const quorvane::SolveReport& r : b.reports) reports.push_back(row(r));
  const std::int64_t code = static_cast<std::int64_t>(status);
  out.section(name, 4);
  out.array("batch status", 'q', 1, 0, &code, sizeof code);
  out.array("system", 'q', b.system.size(), 0, b.system.data(), sizeof(std::int64_t));
  out.array("points", kindOf<Point>(), b.solutions.size(), 3, b.solutions.data(),
            scalarBytes<Point>());
  out.array("report", 'q', reports.size(), kReportFields, reports.data(), sizeof(std::int64_t));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SYSTEMS RESULTS\n", argv[0]);
    return 2;
  }
  std::vector<double> c;
  {
    std::FILE* in = std::fopen(argv[1], "rb");
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", argv[1]);
      return 1;
    }
    double buffer[30];
    while (std::fread(buffer, sizeof(double), 30, in) == 30) c.insert(c.end(), buffer, buffer + 30);
    const bool tail = std::fgetc(in) != EOF;
    std::fclose(in);
    if (tail || c.empty()) {
      std::fprintf(stderr, "%s is not a whole number of 30-double systems\n", argv[1]);
      return 1;
    }
  }
  const std::size_t systems = c.size() / 30;
  ResultsFile out(argv[2]);
  int sections = 0;
  const auto done = [&](const std::string& name) {
    ++sections;
    std::fprintf(stderr, "  %s\n", name.c_str());
  };

  // The three-argument call: Eigen columns, NaN columns for solutions at infinity, no report.
  {
    PerSystem<quorvane::Solution> r;
    quorvane::SolutionList list;
    Eigen::MatrixXd e[3] = {Eigen::MatrixXd(10, 1), Eigen::MatrixXd(10, 1), Eigen::MatrixXd(10, 1)};
    for (std::size_t k = 0; k < systems; ++k) {
      for (int q = 0; q < 3; ++q) std::memcpy(e[q].data(), c.data() + 30 * k + 10 * q, 80);
      const std::size_t before = list.size();
      quorvane::solveThreeQuadrics(e[0], e[1], e[2], list);
      r.count.push_back(static_cast<std::int64_t>(list.size() - before));
    }
    r.points = std::move(list);
    writePerSystem(out, "cpp three-argument", r, false);
    done("cpp three-argument");
  }

  for (const Named& set : optionSets()) {
    const quorvane::SolveOptions o = set.options;
    const std::string suffix = std::string(" {") + set.name + "}";
    writePerSystem(out, "cpp pointer" + suffix,
                   eachSystem<quorvane::Solution>(c, systems,
                                                  [&](const double* s, quorvane::SolutionList& l) {
                                                    return quorvane::solveThreeQuadrics(
                                                        s, s + 10, s + 20, l, o);
                                                  }),
                   true);
    done("cpp pointer" + suffix);
    writePerSystem(out, "cpp array" + suffix,
                   eachSystem<quorvane::Solution>(c, systems,
                                                  [&](const double* s, quorvane::SolutionList& l) {
                                                    std::array<double, 10> a[3];
                                                    for (int q = 0; q < 3; ++q)
                                                      std::memcpy(a[q].data(), s + 10 * q, 80);
                                                    return quorvane::solveThreeQuadrics(a[0], a[1],
                                                                                        a[2], l, o);
                                                  }),
                   true);
    done("cpp array" + suffix);
    // Row vectors here, where the three-argument call had columns: storage order is what
    // the interface reads, whatever the shape.
    writePerSystem(out, "cpp eigen" + suffix,
                   eachSystem<quorvane::Solution>(
                       c, systems,
                       [&](const double* s, quorvane::SolutionList& l) {
                         Eigen::MatrixXd m[3] = {Eigen::MatrixXd(1, 10), Eigen::MatrixXd(1, 10),
                                                 Eigen::MatrixXd(1, 10)};
                         for (int q = 0; q < 3; ++q) std::memcpy(m[q].data(), s + 10 * q, 80);
                         return quorvane::solveThreeQuadrics(m[0], m[1], m[2], l, o);
                       }),
                   true);
    done("cpp eigen" + suffix);
  }

  for (const Named& set : optionSets()) {
    // imaginaryTolerance plays no part for complex points: the sets that differ only there
    // would repeat the same calls.
    if (set.options.imaginaryTolerance != 1e-4) continue;
    const quorvane::SolveOptions o = set.options;
    const std::string name = std::string("cpp complex {") + set.name + "}";
    writePerSystem(out, name,
                   eachSystem<quorvane::ComplexSolution>(
                       c, systems,
                       [&](const double* s, quorvane::ComplexSolutionList& l) {
                         return quorvane::solveThreeQuadricsComplex(s, s + 10, s + 20, l, o);
                       }),
                   true);
    done(name);
  }

  for (const Named& set : optionSets()) {
    if (std::strcmp(set.name, "default") && std::strcmp(set.name, "fast") &&
        std::strcmp(set.name, "fast,refine"))
      continue;
    for (unsigned threads : {1u, 2u}) {
      quorvane::BatchOptions options;
      options.threads = threads;
      options.solve = set.options;
      options.reportEach = true;
      const std::string suffix =
          std::string(" {") + set.name + ", threads " + std::to_string(threads) + "}";
      {
        quorvane::BatchSolutions b;
        // Left over from an earlier call: the batch must replace it, not append to it.
        b.solutions.push_back({1, 2, 3});
        b.system.push_back(7);
        const quorvane::BatchStatus status = quorvane::solveBatch(c.data(), systems, b, options);
        writeBatch(out, "cpp batch" + suffix, status, b);
        done("cpp batch" + suffix);
      }
      {
        quorvane::ComplexBatchSolutions b;
        const quorvane::BatchStatus status =
            quorvane::solveBatchComplex(c.data(), systems, b, options);
        writeBatch(out, "cpp batch complex" + suffix, status, b);
        done("cpp batch complex" + suffix);
      }
    }
  }

  {
    // The short form: default options, no reports.
    quorvane::BatchSolutions b;
    quorvane::solveBatch(c.data(), systems, b, 2u);
    out.section("cpp batch short {threads 2}", 2);
    out.array("system", 'q', b.system.size(), 0, b.system.data(), sizeof(std::int64_t));
    out.array("points", 'd', b.solutions.size(), 3, b.solutions.data(), sizeof(double));
    done("cpp batch short {threads 2}");
  }

  {
    // The coefficient helpers on the systems' numbers: every equation's symmetric matrix, the
    // coefficients of a matrix that is not symmetric (the system's first 16 numbers, column
    // by column), and a sphere with centre (c[7], c[8], c[9]) and radius c[0].
    std::vector<double> matrices, fromMatrices, spheres;
    for (std::size_t k = 0; k < systems; ++k) {
      const double* s = c.data() + 30 * k;
      for (int q = 0; q < 3; ++q) {
        const Eigen::Matrix4d m =
            quorvane::quadricMatrix(Eigen::Map<const quorvane::QuadricCoefficients>(s + 10 * q));
        matrices.insert(matrices.end(), m.data(), m.data() + 16);
      }
      const quorvane::QuadricCoefficients q =
          quorvane::quadricCoefficients(Eigen::Map<const Eigen::Matrix4d>(s));
      fromMatrices.insert(fromMatrices.end(), q.data(), q.data() + 10);
      const quorvane::QuadricCoefficients sphere =
          quorvane::sphereCoefficients(Eigen::Vector3d(s[7], s[8], s[9]), s[0]);
      spheres.insert(spheres.end(), sphere.data(), sphere.data() + 10);
    }
    out.section("cpp coefficient helpers", 3);
    out.array("quadric matrix", 'd', systems, 48, matrices.data(), sizeof(double));
    out.array("quadric coefficients", 'd', systems, 10, fromMatrices.data(), sizeof(double));
    out.array("sphere coefficients", 'd', systems, 10, spheres.data(), sizeof(double));
    done("cpp coefficient helpers");
  }
  std::fprintf(stderr, "%zu systems, %d sections, %llu arrays\n", systems, sections,
               static_cast<unsigned long long>(out.arraysWritten()));
  return 0;
}
