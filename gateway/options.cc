// SPDX-License-Identifier: BSD-3-Clause
#include "options.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <limits>

namespace quorvane {

bool isRealDoubleScalar(const mxArray* a) {
  return mxIsDouble(a) && !mxIsSparse(a) && !mxIsComplex(a) && mxGetNumberOfElements(a) == 1;
}

bool isText(const mxArray* a) {
  return mxIsChar(a) || std::strcmp(mxGetClassName(a), "string") == 0;
}

namespace {

// Longer than any option name or value, so that a text cut to fit matches none.
constexpr std::size_t kTextSize = 24;

// A char row vector's text, or false when `a` is none or does not fit.
bool readText(const mxArray* a, char (&text)[kTextSize]) {
  return mxIsChar(a) && mxGetM(a) == 1 && mxGetString(a, text, kTextSize) == 0;
}

bool sameIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) !=
        std::tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

// An argument as its error message shows it: its text, its value, or its class and size.
struct Shown {
  char text[64];
};

Shown shown(const mxArray* a) {
  Shown s{};
  char text[kTextSize];
  const auto elements = static_cast<unsigned long long>(mxGetNumberOfElements(a));
  if (readText(a, text))
    std::snprintf(s.text, sizeof s.text, "'%s'", text);
  else if (isRealDoubleScalar(a))
    std::snprintf(s.text, sizeof s.text, "%g", *mxGetPr(a));
  else
    std::snprintf(s.text, sizeof s.text, "%s%s%s with %llu element%s",
                  mxIsComplex(a) ? "complex " : "", mxIsSparse(a) ? "sparse " : "",
                  mxGetClassName(a), elements, elements == 1 ? "" : "s");
  return s;
}

struct NamedMethod {
  const char* name;
  Method method;
};
constexpr NamedMethod kMethods[] = {{"standard", Method::standard}, {"fast", Method::fast}};

// A logical scalar, or the double 1 or 0.
bool readFlag(const mxArray* value, bool& flag) {
  if (!(mxIsLogical(value) && mxGetNumberOfElements(value) == 1) && !isRealDoubleScalar(value))
    return false;
  const double number = mxGetScalar(value);
  if (number != 0 && number != 1) return false;
  flag = number == 1;
  return true;
}

struct Option {
  const char* name;  ///< as the help text spells it; matched ignoring case
  const char* identifier;
  const char* expectation;
  bool (*read)(const mxArray* value, SolveOptions& options);  ///< false on a bad value
};

constexpr Option kOptions[] = {
    {"Method", "quorvane:method", "'standard' or 'fast'",
     [](const mxArray* value, SolveOptions& options) -> bool {
       char text[kTextSize];
       if (!readText(value, text)) return false;
       for (const NamedMethod& named : kMethods)
         if (sameIgnoringCase(text, named.name)) {
           options.method = named.method;
           return true;
         }
       return false;
     }},
    {"ImagTol", "quorvane:imagTol", "a real finite nonnegative double scalar",
     [](const mxArray* value, SolveOptions& options) -> bool {
       if (!isRealDoubleScalar(value)) return false;
       const double tolerance = *mxGetPr(value);
       if (!(tolerance >= 0 && tolerance <= std::numeric_limits<double>::max())) return false;
       options.imaginaryTolerance = tolerance;
       return true;
     }},
    {"Refine", "quorvane:refine", "true or false (a logical scalar, or 1 or 0)",
     [](const mxArray* value, SolveOptions& options) -> bool {
       return readFlag(value, options.refine);
     }},
    {"Certify", "quorvane:certify", "true or false (a logical scalar, or 1 or 0)",
     [](const mxArray* value, SolveOptions& options) -> bool {
       return readFlag(value, options.certify);
     }},
};

}  // namespace

CallError readOptions(int first, int nrhs, const mxArray* prhs[], const char* before,
                      SolveOptions& options) {
  for (int index = first; index < nrhs; index += 2) {
    char name[kTextSize];
    const Option* option = nullptr;
    if (readText(prhs[index], name))
      for (const Option& candidate : kOptions)
        if (sameIgnoringCase(name, candidate.name)) option = &candidate;
    if (option == nullptr)
      return callError("quorvane:optionName",
                       "argument %d (%s) is not an option name; expected %s (a char row vector, "
                       "case ignored)",
                       index + 1, shown(prhs[index]).text, kOptionNames);
    if (index + 1 == nrhs)
      return callError("quorvane:optionValue",
                       "option '%s' (argument %d) has no value; expected name-value pairs after %s",
                       option->name, index + 1, before);
    if (!option->read(prhs[index + 1], options))
      return callError(option->identifier, "the value of '%s' (argument %d) is %s; expected %s",
                       option->name, index + 2, shown(prhs[index + 1]).text, option->expectation);
  }
  return noError();
}

}  // namespace quorvane
