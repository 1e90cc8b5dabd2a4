#include "plots/application.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>

#include "console/core/frontend.h"

namespace plots {
namespace {

// Qt's diagnostics about its own set-up (fonts, runtime folders) are not the run's messages.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

char kArg0[] = "tavo";
char kArg1[] = "-platform";
char kArg2[] = "offscreen";

QtMessageHandler g_previous = nullptr;

}  // namespace

ChartThread::ChartThread() {
  if (QCoreApplication::instance() != nullptr) return;
  argv_[0] = kArg0;
  argv_[1] = kArg1;
  argv_[2] = kArg2;
  g_previous = qInstallMessageHandler(quiet);
  own_ = std::make_unique<QApplication>(argc_, argv_);
}

ChartThread::~ChartThread() {
  if (own_ == nullptr) return;
  own_.reset();
  qInstallMessageHandler(g_previous);
}

bool ChartThread::run(const std::function<void()>& work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) {
    work();
    return true;
  }
  // The front end's own hand-over waits on locks the thread checkers see, and gives up when the
  // windows close; Qt's blocking call would wait for ever then.
  if (console::GuiThread* gui = console::front_end_gui_thread())
    return gui->run_on_gui_thread(work);
  QMetaObject::invokeMethod(app, work, Qt::BlockingQueuedConnection);
  return true;
}

}  // namespace plots
