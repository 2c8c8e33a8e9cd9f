#pragma once

// Work on the components of a project spread over the machine's cores, with results that do
// not depend on how it was spread.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace kestrix::vbfiles {

// Runs work(0) … work(n - 1), each once, on this thread and up to three more (none when
// `spread` is false), and returns when all have ended. Each call must touch only what belongs
// to its index. When calls throw, the exception of the lowest index is thrown again at the
// end: the one a loop in order would have stopped at. Memory that outlives the call is best
// allocated on this thread: the allocator keeps what another thread allocated apart, and its
// holes, once freed, serve that thread only.
template <typename Work>
void ForEachIndex(size_t n, Work work, bool spread = true) {
  constexpr size_t kMostThreads = 4;
  const size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const size_t threads = spread ? std::min({n, kMostThreads, cores}) : 1;
  std::vector<std::exception_ptr> errors(n);
  std::atomic<size_t> next{0};
  auto run = [&] {
    for (size_t k; (k = next.fetch_add(1)) < n;) {
      try {
        work(k);
      } catch (...) {
        errors[k] = std::current_exception();
      }
    }
  };
  std::vector<std::thread> helpers;
  try {
    for (size_t t = 1; t < threads; ++t)
      helpers.emplace_back(run);
  } catch (const std::system_error&) {
    // No thread to be had: the ones there are do the work.
  }
  run();
  for (auto& helper : helpers)
    helper.join();
  for (const auto& error : errors) {
    if (error) std::rethrow_exception(error);
  }
}

}  // namespace kestrix::vbfiles
