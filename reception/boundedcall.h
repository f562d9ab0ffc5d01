#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

// Runs `job` on a thread of its own and waits up to `timeout` for its result,
// so that a call into a store that does not answer (a hung network share)
// cannot hold the caller. When the time runs out nothing is returned; the job
// goes on alone, and `orphan` gets its result on that thread when it ends.
// Throws std::system_error when no thread can be started.
template <typename Result>
std::optional<Result> CallWithin(std::chrono::milliseconds timeout, std::function<Result()> job,
                                 std::function<void(Result&)> orphan = {}) {
  struct State {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<Result> result;
    bool abandoned = false;
  };
  auto state = std::make_shared<State>();
  std::thread([state, job = std::move(job), orphan = std::move(orphan)] {
    Result result = job();
    std::unique_lock lock(state->mutex);
    if (state->abandoned) {
      lock.unlock();
      if (orphan) orphan(result);
      return;
    }
    state->result = std::move(result);
    state->done.notify_all();
  }).detach();
  std::unique_lock lock(state->mutex);
  if (!state->done.wait_for(lock, timeout, [&] { return state->result.has_value(); })) {
    state->abandoned = true;
    return std::nullopt;
  }
  return std::move(state->result);
}
