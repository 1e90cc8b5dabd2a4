#include "analysis/state.h"

#include <new>

#include "recio/allocation.h"

namespace analysis {

template <class T>
recio::Status Table<T>::allocate(std::int64_t n1, std::int64_t n2, std::int64_t n3) {
  void* block = data_;
  recio::Status s = recio::allocate_zeroed(block, {n1, n2, n3}, sizeof(T));
  if (s != recio::kOk) return s;
  data_ = static_cast<T*>(block);
  n1_ = std::max<std::int64_t>(n1, 0);
  n2_ = std::max<std::int64_t>(n2, 0);
  return recio::kOk;
}

template class Table<std::int32_t>;
template class Table<double>;
template class Table<Text<60>>;
template class Table<Text<80>>;
template class Table<model::Interval>;

namespace {
State* g_state = new State;  // lives until the process ends
}

State& state() {
  return *g_state;
}

void reset_state() {
  // In place, so that references to the state stay valid.
  g_state->~State();
  new (g_state) State;
}

}  // namespace analysis
