#pragma once
// A session that ends, or a kill, sends SIGTERM (SIGHUP when the terminal
// goes, SIGINT for Ctrl-C): the window is then closed as if the user had
// closed it, so that the programmer is idled and the settings are saved. A
// message box or dialog open at that moment is closed first, as its close
// button would (a question is answered No), and so is each one that follows
// until the window has gone.

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace tarnik::ui {

class Close_On_Signal : public QObject {
  Q_OBJECT

 public:
  // Watches the signals until destroyed; one instance per process.
  explicit Close_On_Signal(QWidget& window);
  ~Close_On_Signal() override;
  Close_On_Signal(const Close_On_Signal&) = delete;
  Close_On_Signal& operator=(const Close_On_Signal&) = delete;

 private:
  void Signalled();
  void Close_Step();

  QWidget& window_;
  std::unique_ptr<QSocketNotifier> notifier_;
  QTimer closing_;
};

}  // namespace tarnik::ui
