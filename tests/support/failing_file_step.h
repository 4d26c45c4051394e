// Plays a failing disk for the atomic file writer: while alive, one of its
// system calls fails with the given errno.
#pragma once

#include <cerrno>

#include "posix_atomic_file.h"

namespace tumbleview::test {

enum class FileStep { Create, Write, Sync, Rename };

class FailingFileStep {
 public:
  explicit FailingFileStep(FileStep step, int error = ENOSPC) {
    s_error = error;
    AtomicFileCalls& calls = atomicFileCalls();
    if (step == FileStep::Create) calls.openFile = [](const char*, int, mode_t) { return fail<int>(); };
    if (step == FileStep::Write) calls.writeFile = [](int, const void*, std::size_t) { return fail<ssize_t>(); };
    if (step == FileStep::Sync) calls.syncFile = [](int) { return fail<int>(); };
    if (step == FileStep::Rename) calls.renameFile = [](const char*, const char*) { return fail<int>(); };
  }
  ~FailingFileStep() { atomicFileCalls() = realAtomicFileCalls(); }
  FailingFileStep(const FailingFileStep&) = delete;
  FailingFileStep& operator=(const FailingFileStep&) = delete;

 private:
  template <class Result>
  static Result fail() {
    errno = s_error;
    return -1;
  }
  static inline int s_error = ENOSPC;
};

}  // namespace tumbleview::test
