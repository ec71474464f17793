#pragma once
// Inside the exact library only: running a routine in a child process (see exact_work.h).

#include <functional>
#include <string>
#include <utility>

#include "exact/exact_wire.h"
#include "exact/exact_work.h"

namespace kelvaro::exact {

// Runs body in a child process and returns the bytes it wrote. Progress the child reports
// reaches work.progress; a cancel kills the child and throws CommandCancelled; a CalcError in
// the child is thrown again here; a child that dies (out of memory) throws CalcError.
std::string runInChild(const Work& work, const std::function<void(ByteWriter&, const Work&)>& body);

// Whether work of about `cost` limb operations runs in a child under work's isolation.
bool runsInChild(const Work& work, double cost);

// compute(work) in-process or in a child process, whichever runsInChild chooses.
template <class R, class F>
R runExact(const Work& work, double cost, F&& compute) {
  if (!runsInChild(work, cost)) return compute(work);
  const std::string bytes =
      runInChild(work, [&](ByteWriter& w, const Work& inner) { put(w, compute(inner)); });
  ByteReader reader(bytes);
  R result;
  get(reader, result);
  return result;
}

}  // namespace kelvaro::exact
