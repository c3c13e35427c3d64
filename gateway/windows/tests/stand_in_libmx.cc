// SPDX-License-Identifier: BSD-3-Clause
// A stand-in for MATLAB's libmx.dll: the calls of libmx.def over a minimal array record.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "stand_in.h"

struct mxArray_tag {
  std::string className;
  mwSize rows;
  mwSize columns;
  bool complex;
  bool sparse;
  std::vector<double> elements;
  std::unique_ptr<bool[]> logicals;  ///< mxGetLogicals' elements, apart from the doubles
  // A struct's fields (one element only), which it owns.
  std::vector<std::string> fieldNames;
  std::vector<mxArray*> fields;
  std::string joinedNames;
};

namespace {
long long liveArrays = 0;
long long dataReads = 0;
}  // namespace

extern "C" {

mxArray* standInCreateArray(const char* className, mwSize rows, mwSize columns, bool complex,
                            bool sparse) {
  ++liveArrays;
  return new mxArray{className,
                     rows,
                     columns,
                     complex,
                     sparse,
                     std::vector<double>(rows * columns, 0.0),
                     std::make_unique<bool[]>(rows * columns)};
}

void standInDestroyArray(mxArray* array) {
  if (array == nullptr) return;
  --liveArrays;
  for (mxArray* field : array->fields) standInDestroyArray(field);
  delete array;
}

const mxArray* standInField(const mxArray* array, const char* name) {
  const auto& names = array->fieldNames;
  const auto at = std::find(names.begin(), names.end(), name);
  return at == names.end() ? nullptr : array->fields[at - names.begin()];
}

const char* standInFieldNames(const mxArray* array) {
  return array->joinedNames.c_str();
}

mwSize standInRows(const mxArray* array) {
  return array->rows;
}

mwSize standInColumns(const mxArray* array) {
  return array->columns;
}

long long standInLiveArrays() {
  return liveArrays;
}

long long standInDataReads() {
  return dataReads;
}

mxArray* mxCreateDoubleMatrix(mwSize rows, mwSize columns, mxComplexity complexity) {
  return standInCreateArray("double", rows, columns, complexity == mxCOMPLEX, false);
}

mxArray* mxCreateLogicalMatrix(mwSize rows, mwSize columns) {
  return standInCreateArray("logical", rows, columns, false, false);
}

mxArray* mxCreateStructMatrix(mwSize rows, mwSize columns, int fields, const char** names) {
  mxArray* array = standInCreateArray("struct", rows, columns, false, false);
  for (int i = 0; i < fields; ++i) {
    array->fieldNames.emplace_back(names[i]);
    array->joinedNames += (i > 0 ? "," : "") + array->fieldNames.back();
  }
  array->fields.assign(array->fieldNames.size(), nullptr);
  return array;
}

// Only element 0 is kept: the module makes 1 x 1 structs. As in MATLAB, a value replaced
// (or set where there is no such field) is not freed, so the count of live arrays shows it.
void mxSetField(mxArray* array, mwIndex index, const char* name, mxArray* value) {
  const auto& names = array->fieldNames;
  const auto at = std::find(names.begin(), names.end(), name);
  if (index == 0 && at != names.end()) array->fields[at - names.begin()] = value;
}

mxArray* mxCreateString(const char* text) {
  const std::string t(text);
  mxArray* array = standInCreateArray("char", 1, t.size(), false, false);
  std::copy(t.begin(), t.end(), array->elements.begin());
  return array;
}

mxLogical* mxGetLogicals(const mxArray* array) {
  return array->logicals.get();
}

double* mxGetPr(const mxArray* array) {
  ++dataReads;
  return const_cast<double*>(array->elements.data());
}

bool mxIsDouble(const mxArray* array) {
  return array->className == "double";
}

bool mxIsComplex(const mxArray* array) {
  return array->complex;
}

bool mxIsSparse(const mxArray* array) {
  return array->sparse;
}

std::size_t mxGetNumberOfElements(const mxArray* array) {
  return array->rows * array->columns;
}

std::size_t mxGetM(const mxArray* array) {
  return array->rows;
}

const char* mxGetClassName(const mxArray* array) {
  return array->className.c_str();
}

bool mxIsChar(const mxArray* array) {
  return array->className == "char";
}

bool mxIsLogical(const mxArray* array) {
  return array->className == "logical";
}

// As MATLAB's, the first element converted to double, whatever the class.
double mxGetScalar(const mxArray* array) {
  return array->elements.empty() ? 0.0 : array->elements[0];
}

// A char array's elements hold character codes; as MATLAB's, a text that does not fit is cut
// and reported with 1.
int mxGetString(const mxArray* array, char* text, mwSize size) {
  if (size == 0) return 1;
  const std::size_t length = std::min<std::size_t>(array->elements.size(), size - 1);
  for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>(array->elements[i]);
  text[length] = '\0';
  return mxIsChar(array) && length == array->elements.size() ? 0 : 1;
}

}  // extern "C"
