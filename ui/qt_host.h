#pragma once
// The host of the window: Qt's event loop, QTimer, QMessageBox, QFileDialog.

#include <QObject>
#include <QTimer>

#include "window/clock.h"
#include "window/host.h"

class QWidget;

namespace tarnik::ui {

class Qt_Host final : public QObject, public Host {
  Q_OBJECT

 public:
  Qt_Host();

  void Set_Dialog_Parent(QWidget* parent) { dialog_parent_ = parent; }

  void Process_Messages() override;
  void Wait_Briefly() override;
  Box_Answer Message_Box(const Message_Box_Request& request) override;
  std::optional<std::string> Open_Dialog(const File_Dialog_Request& request) override;
  std::optional<std::string> Save_Dialog(const File_Dialog_Request& request) override;
  std::optional<std::size_t> Choose(const Choice_Request& request) override;
  void Set_Timer1_Handler(std::function<void()> on_tick) override { on_tick_ = std::move(on_tick); }
  void Start_Timer1(int period_ms) override;
  void Stop_Timer1() override { timer1_.stop(); }
  [[nodiscard]] bool Timer1_Running() const override { return timer1_.isActive(); }
  Clock& Time() override { return clock_; }
  [[nodiscard]] std::string Current_Directory() const override;
  // Queued on Qt's event loop, which runs it on the window's thread.
  void Post(std::function<void()> call) override;

 private:
  QTimer timer1_;
  std::function<void()> on_tick_;
  Real_Clock clock_;
  QWidget* dialog_parent_ = nullptr;
};

// "Bin|*.Bin|Hex|*.Hex" as Qt writes it, each pattern matching its extension
// in any letter case: "Bin (*.[Bb][Ii][Nn]);;Hex (*.[Hh][Ee][Xx])".
[[nodiscard]] QString Qt_Filter(const std::string& filter);
// The entry of the Qt filter that the 1-based index picks.
[[nodiscard]] QString Qt_Filter_Entry(const std::string& filter, int index);

}  // namespace tarnik::ui
