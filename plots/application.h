// The QApplication the charts' fonts need. The charts themselves are drawn on any thread
// (charts.h); run() hands other work to the QApplication's thread.
#pragma once

#include <functional>
#include <memory>

class QApplication;

namespace plots {

class ChartThread {
 public:
  // When the process has no QApplication (the terminal front end), makes one on the calling
  // thread, on the offscreen platform so that no display is needed, for the life of this
  // object; Qt's own diagnostics are kept off standard error meanwhile.
  ChartThread();
  ~ChartThread();
  ChartThread(const ChartThread&) = delete;
  ChartThread& operator=(const ChartThread&) = delete;

  // Runs `work` on the QApplication's thread and returns when it is done. When that is another
  // thread (the desktop front end, whose program thread calls this), it blocks until the
  // other thread's event loop has run `work`, through the installed console front end's
  // GuiThread when it has one. False when the front end's windows closed
  // first and `work` did not run: the process is ending.
  [[nodiscard]] bool run(const std::function<void()>& work);

 private:
  int argc_ = 3;
  char* argv_[4] = {};
  std::unique_ptr<QApplication> own_;
};

}  // namespace plots
