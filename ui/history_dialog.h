#pragma once
// The history: the log's records, newest first, in a table that an
// operation, a PROM type, a result and a text narrow down. A double-click on a read puts its dump
// back into the buffer while the dump is still there. The dialog also holds
// the setting that keeps the window's operations out of the log.

#include <QDialog>
#include <vector>

#include "record/operation_record.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace tarnik {
class Main_Form;
class Window_Log;
}  // namespace tarnik

namespace tarnik::ui {

class History_Dialog final : public QDialog {
  Q_OBJECT

 public:
  History_Dialog(Main_Form& form, Window_Log& log, QWidget* parent = nullptr);

  // Reads the log again and shows what the filters let through.
  void Refresh();

  [[nodiscard]] QTableWidget* Table() const { return table_; }
  [[nodiscard]] QComboBox* Operation_Filter() const { return operation_filter_; }
  [[nodiscard]] QComboBox* Type_Filter() const { return type_filter_; }
  [[nodiscard]] QComboBox* Result_Filter() const { return result_filter_; }
  [[nodiscard]] QLineEdit* Text_Filter() const { return text_filter_; }
  [[nodiscard]] QLabel* Note() const { return note_; }
  [[nodiscard]] QCheckBox* Log_Setting() const { return log_setting_; }

 private:
  void Show_Filtered();
  [[nodiscard]] bool Passes_Filters(const record::Operation_Record& r) const;
  void Open_Row(int row);

  Main_Form& form_;
  Window_Log& log_;
  std::vector<record::Operation_Record> records_;
  std::vector<std::size_t> shown_;  // the record behind each row
  QTableWidget* table_;
  QComboBox* operation_filter_;
  QComboBox* type_filter_;
  QComboBox* result_filter_;
  QLineEdit* text_filter_;
  QCheckBox* log_setting_;
  QLabel* note_;
};

// Ctrl+H in `window` opens the history, read afresh each time.
void Add_History_Shortcut(QWidget& window, Main_Form& form, Window_Log& log);

}  // namespace tarnik::ui
