#include "ui/close_on_signal.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <array>
#include <csignal>

namespace tarnik::ui {

namespace {

// A signal handler may only write to a descriptor; the window's event loop
// reads the other end and does the closing.
int signal_pipe[2] = {-1, -1};
constexpr std::array<int, 3> Closing_Signals = {SIGTERM, SIGHUP, SIGINT};

void On_Signal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(signal_pipe[0], &byte, 1);
}

void Set_Handler(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal_number : Closing_Signals) sigaction(signal_number, &action, nullptr);
}

}  // namespace

Close_On_Signal::Close_On_Signal(QWidget& window) : window_(window) {
  closing_.setInterval(50);
  connect(&closing_, &QTimer::timeout, this, &Close_On_Signal::Close_Step);
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signal_pipe) != 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(signal_pipe[1], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &Close_On_Signal::Signalled);
  Set_Handler(On_Signal);
}

Close_On_Signal::~Close_On_Signal() {
  if (!notifier_) return;
  Set_Handler(SIG_DFL);
  notifier_.reset();
  close(signal_pipe[0]);
  close(signal_pipe[1]);
}

void Close_On_Signal::Signalled() {
  char byte = 0;
  [[maybe_unused]] const ssize_t got = read(signal_pipe[1], &byte, 1);
  Close_Step();
  // A command in progress may open further boxes before the close is taken.
  if (window_.isVisible() && !closing_.isActive()) closing_.start();
}

void Close_On_Signal::Close_Step() {
  if (!window_.isVisible()) {
    closing_.stop();
    return;
  }
  if (QWidget* modal = QApplication::activeModalWidget()) {
    modal->close();
    return;
  }
  window_.close();
}

}  // namespace tarnik::ui
