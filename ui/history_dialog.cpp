#include "ui/history_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/main_form.h"
#include "app/window_log.h"

namespace tarnik::ui {

namespace {

const char* const Column_Titles[] = {"Time", "Operation", "Type", "Result", "File", "Part SHA-1",
                                     "Known Image"};

QString Text(const std::string& text) { return QString::fromStdString(text); }

std::vector<std::string> Cells_Of(const record::Operation_Record& r) {
  std::string result = record::Result_Name(r.result);
  if (!r.fault.empty()) result += ": " + r.fault;
  if (r.part_number) result += " (part " + std::to_string(*r.part_number) + ")";
  return {r.time, r.operation, r.type, result, r.file ? r.file->path : std::string(),
          r.part ? r.part->sha1 : std::string(), r.known_image};
}

}  // namespace

History_Dialog::History_Dialog(Main_Form& form, Window_Log& log, QWidget* parent)
    : QDialog(parent),
      form_(form),
      log_(log),
      table_(new QTableWidget(this)),
      operation_filter_(new QComboBox(this)),
      type_filter_(new QComboBox(this)),
      result_filter_(new QComboBox(this)),
      text_filter_(new QLineEdit(this)),
      log_setting_(new QCheckBox("Log Operations", this)),
      note_(new QLabel(this)) {
  setWindowTitle("History");
  operation_filter_->addItems({"All Operations", "read", "blank", "verify", "compare", "program",
                               "load", "save"});
  type_filter_->addItem("All Types");
  result_filter_->addItems({"All Results", "passed", "failed", "stopped", "refused"});
  text_filter_->setPlaceholderText("Text");
  log_setting_->setChecked(form_.Log_Operations);
  log_setting_->setEnabled(log_.Enabled());
  auto* filters = new QHBoxLayout;
  filters->addWidget(operation_filter_);
  filters->addWidget(type_filter_);
  filters->addWidget(result_filter_);
  filters->addWidget(text_filter_, 1);
  filters->addWidget(log_setting_);
  table_->setColumnCount(static_cast<int>(std::size(Column_Titles)));
  QStringList titles;
  for (const char* title : Column_Titles) titles << title;
  table_->setHorizontalHeaderLabels(titles);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(table_, 1);
  layout->addWidget(note_);
  resize(900, 420);
  connect(operation_filter_, &QComboBox::currentIndexChanged, this, [this] { Show_Filtered(); });
  connect(type_filter_, &QComboBox::currentIndexChanged, this, [this] { Show_Filtered(); });
  connect(result_filter_, &QComboBox::currentIndexChanged, this, [this] { Show_Filtered(); });
  connect(text_filter_, &QLineEdit::textChanged, this, [this] { Show_Filtered(); });
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { Open_Row(row); });
  connect(log_setting_, &QCheckBox::toggled, this, [this](bool on) { form_.Log_Operations = on; });
  Refresh();
}

void History_Dialog::Refresh() {
  records_ = log_.History();
  const QString type = type_filter_->currentText();
  QSignalBlocker quiet(type_filter_);
  type_filter_->clear();
  type_filter_->addItem("All Types");
  QStringList types;
  for (const record::Operation_Record& r : records_)
    if (!r.type.empty() && !types.contains(Text(r.type))) types << Text(r.type);
  types.sort();
  type_filter_->addItems(types);
  type_filter_->setCurrentIndex(std::max(0, type_filter_->findText(type)));
  Show_Filtered();
}

bool History_Dialog::Passes_Filters(const record::Operation_Record& r) const {
  if (operation_filter_->currentIndex() > 0 && Text(r.operation) != operation_filter_->currentText())
    return false;
  if (type_filter_->currentIndex() > 0 && Text(r.type) != type_filter_->currentText()) return false;
  if (result_filter_->currentIndex() > 0 &&
      Text(record::Result_Name(r.result)) != result_filter_->currentText())
    return false;
  const QString text = text_filter_->text().trimmed();
  if (text.isEmpty()) return true;
  for (const std::string& cell : Cells_Of(r))
    if (Text(cell).contains(text, Qt::CaseInsensitive)) return true;
  return false;
}

void History_Dialog::Show_Filtered() {
  shown_.clear();
  for (std::size_t i = 0; i < records_.size(); ++i)
    if (Passes_Filters(records_[i])) shown_.push_back(i);
  table_->setRowCount(static_cast<int>(shown_.size()));
  for (std::size_t row = 0; row < shown_.size(); ++row) {
    const std::vector<std::string> cells = Cells_Of(records_[shown_[row]]);
    for (std::size_t column = 0; column < cells.size(); ++column)
      table_->setItem(static_cast<int>(row), static_cast<int>(column),
                      new QTableWidgetItem(Text(cells[column])));
  }
  table_->resizeColumnsToContents();
  note_->setText(QString("%1 of %2 records; a double-click on a read loads its dump into the buffer")
                     .arg(shown_.size())
                     .arg(records_.size()));
}

void History_Dialog::Open_Row(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= shown_.size()) return;
  const record::Operation_Record& r = records_[shown_[static_cast<std::size_t>(row)]];
  const std::optional<std::string> problem = log_.Load_Dump(r);
  note_->setText(problem ? Text(*problem)
                         : Text("The buffer holds the part read at " + r.time));
}

void Add_History_Shortcut(QWidget& window, Main_Form& form, Window_Log& log) {
  auto* dialog = new History_Dialog(form, log, &window);
  auto* shortcut = new QShortcut(QKeySequence("Ctrl+H"), &window);
  QObject::connect(shortcut, &QShortcut::activated, dialog, [dialog] {
    dialog->Refresh();
    dialog->show();
    dialog->raise();
  });
}

}  // namespace tarnik::ui
