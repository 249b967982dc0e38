#include "ui/main_window.h"

#include "ui/bit_map_view.h"
#include "ui/hex_view.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

namespace tarnik::ui {

namespace {

QColor Qt_Colour(Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }

QString Css_Colour(Rgb colour) { return Qt_Colour(colour).name(); }

// The message list grows with the findings of a check: it wraps a line
// longer than its width and shows a scroll bar once its lines do not fit, so
// that every line can be read.
bool Is_Message_List(const Control& control) { return control.name == "Memo1"; }

// The message list breaks its lines at spaces only: a hyphen inside a word
// ("mame-listxml") is shown as one that does not break, so that a name such
// as a catalogue's file name moves whole to the next line. The upper-case
// columns of a difference line ("EXPECTED-FF") are left as they are.
QString Pane_Line(const Control& control, const std::string& line) {
  QString text = QString::fromStdString(line);
  if (!Is_Message_List(control)) return text;
  for (qsizetype at = 1; at + 1 < text.size(); ++at)
    if (text[at] == '-' && text[at - 1].isLetter() && text[at + 1].isLower())
      text[at] = QChar(0x2011);
  return text;
}

QString Joined_Lines(const Control& control) {
  QStringList lines;
  for (const std::string& line : control.lines) lines << Pane_Line(control, line);
  return lines.join('\n');
}

Qt::ScrollBarPolicy Vertical_Policy(const Control& control) {
  if (control.vertical_scroll) return Qt::ScrollBarAlwaysOn;
  return Is_Message_List(control) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
}

QPlainTextEdit* Make_Text_Pane(const Control& control, QWidget* parent) {
  auto* pane = new QPlainTextEdit(parent);
  pane->setLineWrapMode(Is_Message_List(control) ? QPlainTextEdit::WidgetWidth
                                                 : QPlainTextEdit::NoWrap);
  pane->setReadOnly(control.read_only);
  // The panes are written by the program only: an undo history would keep
  // every line ever shown.
  pane->setUndoRedoEnabled(false);
  pane->setVerticalScrollBarPolicy(Vertical_Policy(control));
  pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return pane;
}

int Lines_Shown(const QPlainTextEdit* pane) {
  const QTextDocument* document = pane->document();
  return document->isEmpty() ? 0 : document->blockCount();
}

// Brings line `index` into view, whole even when it wraps; the caret goes to
// its start. The pane follows the line added last: the newest finding,
// summary or fault is where the eye lands. The first and the last line are
// the ends of the scroll bar's range, which costs no layout to find.
void Follow_Line(QPlainTextEdit* pane, int index) {
  QScrollBar* bar = pane->verticalScrollBar();
  const int last = pane->document()->blockCount() - 1;
  if (index == 0 || index == last) {
    bar->setValue(index == 0 ? bar->minimum() : bar->maximum());
    return;
  }
  QTextCursor cursor(pane->document()->findBlockByNumber(index));
  cursor.movePosition(QTextCursor::EndOfBlock);
  pane->setTextCursor(cursor);
  pane->ensureCursorVisible();
  cursor.movePosition(QTextCursor::StartOfBlock);
  pane->setTextCursor(cursor);
  pane->ensureCursorVisible();
}

// Adds the one line the model added, so that a list of n lines costs n
// additions rather than n settings of the whole text. A pane out of step
// with the model takes the whole list again.
void Add_Line(QPlainTextEdit* pane, const Control& control, std::size_t index) {
  const int shown = Lines_Shown(pane);
  const QString text = Pane_Line(control, control.lines[index]);
  if (shown == 0 || static_cast<std::size_t>(shown) + 1 != control.lines.size()) {
    pane->setPlainText(Joined_Lines(control));
  } else if (static_cast<int>(index) == shown) {
    QTextCursor cursor(pane->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock();
    cursor.insertText(text);
  } else {
    QTextCursor cursor(pane->document()->findBlockByNumber(static_cast<int>(index)));
    cursor.insertText(text);
    cursor.insertBlock();
  }
  Follow_Line(pane, static_cast<int>(index));
}

}  // namespace

QFont Stand_In_Font(const Font_Spec& font) {
  QFont qfont;
  if (font.family == "Fixedsys" || font.family == "Courier New") {
    qfont.setFamilies({"DejaVu Sans Mono", "Liberation Mono", "Monospace"});
    qfont.setStyleHint(QFont::Monospace);
    qfont.setFixedPitch(true);
  } else {
    qfont.setFamilies({"DejaVu Sans", "Liberation Sans", "Sans Serif"});
    qfont.setStyleHint(QFont::SansSerif);
  }
  // The old fonts' pixel heights include their internal leading; the stand-ins
  // are a little smaller for the same cell.
  qfont.setPixelSize(std::max(8, font.pixel_height - 2));
  qfont.setBold(font.bold);
  return qfont;
}

Main_Window::Main_Window(Main_Form& form) : form_(form) {
  Build();
  list_frame_.setSingleShot(true);
  list_frame_.setInterval(List_Frame_Ms);
  connect(&list_frame_, &QTimer::timeout, this, &Main_Window::Paint_Held_Panes);
  form_.window.Subscribe(
      [this](const Control& control, Change change, std::size_t line) { Mirror(control, change, line); });
  bit_map_ = new Bit_Map_View(this);
  form_.diagnosis.Subscribe([this] { Update_Bit_Map(); });
}

void Main_Window::Update_Bit_Map() {
  const QWidget* editor = Widget("Edit_1");
  const std::optional<diagnose::Bit_Map_Input> picture = form_.diagnosis.Picture();
  if (editor == nullptr || !picture || !form_.window.Get("Edit_1").visible) {
    bit_map_->hide();
    return;
  }
  bit_map_->Show_Picture(diagnose::Draw_Bit_Map(*picture));
  const int left = editor->geometry().right() + 6;
  const int width = std::min(bit_map_->Wanted_Width(), Bit_Map_Most_Width);
  bit_map_->setGeometry(left, editor->y(), width, editor->height());
  // The window widens to take the picture beside the editor.
  if (this->width() < left + width + 6) resize(left + width + 6, height());
  bit_map_->show();
  bit_map_->raise();
}

QWidget* Main_Window::Widget(const std::string& control_name) const {
  const auto found = widgets_.find(control_name);
  return found == widgets_.end() ? nullptr : found->second;
}

void Main_Window::Build() {
  const Control& window = form_.window.Get("MainForm");
  setWindowTitle(QString::fromStdString(window.caption));
  resize(window.bounds.width, window.bounds.height);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt_Colour(*window.colour));
  setPalette(palette);
  setFont(Stand_In_Font(window.font));
  widgets_["MainForm"] = this;
  for (const Control& control : form_.window.Controls()) {
    if (control.kind == Control_Kind::Form) continue;
    QWidget* parent = Widget(control.parent);
    QWidget* widget = Make_Widget(control, parent != nullptr ? parent : this);
    widget->setObjectName(QString::fromStdString(control.name));
    widgets_[control.name] = widget;
    Apply_All(control, widget);
    Connect_Events(control, widget);
  }
}

QWidget* Main_Window::Make_Widget(const Control& control, QWidget* parent) {
  const auto editor_event = [this, name = control.name](Event_Kind kind, int value) {
    form_.Event(name, kind, value);
  };
  if (control.name == "Edit_1") {
    auto* view = new Hex_View(form_.editor, editor_event, parent);
    view->Show_Marks(form_.devices.operations.Marks());
    return view;
  }
  if (control.name == "Chg_Edit_Add") return new Address_Box(form_.editor, editor_event, parent);
  switch (control.kind) {
    case Control_Kind::Panel: {
      auto* panel = new QFrame(parent);
      panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
      panel->setLineWidth(2);
      return panel;
    }
    case Control_Kind::Button: return new QPushButton(parent);
    case Control_Kind::Static_Text: {
      auto* label = new QLabel(parent);
      label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      return label;
    }
    case Control_Kind::Memo:
    case Control_Kind::Rich_Text: return Make_Text_Pane(control, parent);
    case Control_Kind::Edit: {
      auto* edit = new QLineEdit(parent);
      if (control.max_length > 0) edit->setMaxLength(control.max_length);
      return edit;
    }
    case Control_Kind::List_Box: return new QListWidget(parent);
    case Control_Kind::Form: break;
  }
  return new QWidget(parent);
}

void Main_Window::Apply_All(const Control& control, QWidget* widget) {
  widget->setGeometry(control.bounds.left, control.bounds.top, control.bounds.width,
                      control.bounds.height);
  widget->setFont(Stand_In_Font(control.font));
  widget->setToolTip(QString::fromStdString(control.hint));
  widget->setEnabled(control.enabled);
  widget->setVisible(control.visible);
  Apply_Colour(control, widget);
  Apply_Text(control, widget);
}

void Main_Window::Apply_Colour(const Control& control, QWidget* widget) {
  if (!control.colour) return;
  widget->setAutoFillBackground(true);
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, Qt_Colour(*control.colour));
  palette.setColor(QPalette::WindowText, Qt::black);
  widget->setPalette(palette);
  if (control.kind == Control_Kind::Static_Text)
    widget->setStyleSheet(QStringLiteral("background-color: %1; color: black;")
                              .arg(Css_Colour(*control.colour)));
}

void Main_Window::Apply_Text(const Control& control, QWidget* widget) {
  const QString caption = QString::fromStdString(control.caption);
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(caption);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    // Static texts size themselves to their caption, as the status line's
    // longer results need.
    label->setText(caption);
    label->resize(std::max(control.bounds.width, label->sizeHint().width()),
                  control.bounds.height);
  } else if (auto* pane = qobject_cast<QPlainTextEdit*>(widget)) {
    pane->setPlainText(Joined_Lines(control));
  } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
    list->clear();
    for (const std::string& row : control.lines) list->addItem(QString::fromStdString(row));
    list->setCurrentRow(control.item_index);
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    if (!control.lines.empty()) edit->setText(QString::fromStdString(control.lines.front()));
    else edit->clear();
  }
}

void Main_Window::Mirror(const Control& control, Change change, std::size_t line) {
  QWidget* widget = Widget(control.name);
  if (widget == nullptr) return;
  if (control.kind == Control_Kind::Form) {
    if (change == Change::Caption) setWindowTitle(QString::fromStdString(control.caption));
    if (change == Change::Font) setFont(Stand_In_Font(control.font));
    if (change == Change::Bounds) Apply_Geometry(control.bounds);
    return;
  }
  auto* pane = qobject_cast<QPlainTextEdit*>(widget);
  // A list set whole shows its top; one that takes a line follows it.
  if (pane != nullptr && Is_Message_List(control)) {
    if (change == Change::Lines) followed_line_ = 0;
    if (change == Change::Line_Added) followed_line_ = static_cast<int>(line);
  }
  switch (change) {
    case Change::Line_Added:
      if (pane != nullptr && line < control.lines.size()) {
        Hold_Painting(pane);
        Add_Line(pane, control, line);
        break;
      }
      [[fallthrough]];
    case Change::Caption:
    case Change::Lines:
    case Change::Item_Index: Apply_Text(control, widget); break;
    case Change::Enabled:
      widget->setEnabled(control.enabled);
      // The ready state ends a command: the list it wrote is painted whole.
      if (control.enabled) Paint_Held_Panes();
      break;
    case Change::Visible:
      widget->setVisible(control.visible);
      if (control.visible) widget->raise();
      // A pane laid out while hidden brings its followed line into view now.
      if (control.visible && pane != nullptr && Is_Message_List(control))
        Follow_Line(pane, std::min(followed_line_, pane->document()->blockCount() - 1));
      break;
    case Change::Colour: Apply_Colour(control, widget); break;
    case Change::Bounds:
      widget->setGeometry(control.bounds.left, control.bounds.top, control.bounds.width,
                          control.bounds.height);
      if (control.kind == Control_Kind::Static_Text) Apply_Text(control, widget);  // fit the caption
      break;
    case Change::Font:
      widget->setFont(Stand_In_Font(control.font));
      if (control.kind == Control_Kind::Static_Text) Apply_Text(control, widget);
      break;
    case Change::Hint: widget->setToolTip(QString::fromStdString(control.hint)); break;
    case Change::Focus: widget->setFocus(Qt::OtherFocusReason); break;
    case Change::Tag: break;
  }
  // The part's picture stands beside the editor, and goes with it.
  if (control.name == "Edit_1" && (change == Change::Visible || change == Change::Bounds))
    Update_Bit_Map();
}

void Main_Window::Hold_Painting(QPlainTextEdit* pane) {
  if (!pane->updatesEnabled()) return;
  pane->setUpdatesEnabled(false);
  held_panes_.push_back(pane);
  if (!list_frame_.isActive()) list_frame_.start();
}

void Main_Window::Paint_Held_Panes() {
  for (QPlainTextEdit* pane : held_panes_) pane->setUpdatesEnabled(true);
  held_panes_.clear();
}

void Main_Window::Connect_Events(const Control& control, QWidget* widget) {
  const std::string name = control.name;
  // The editor's view and address box pass their own input.
  const bool own_input = qobject_cast<Hex_View*>(widget) != nullptr ||
                         qobject_cast<Address_Box*>(widget) != nullptr;
  if (own_input) return;
  if (form_.Handles(name, Event_Kind::Key_Press)) widget->installEventFilter(this);
  // A double-click on a line of a pane lands on its viewport.
  if (auto* pane = qobject_cast<QPlainTextEdit*>(widget);
      pane != nullptr && form_.Handles(name, Event_Kind::Double_Click)) {
    pane->viewport()->setObjectName(QString::fromStdString(name));
    pane->viewport()->installEventFilter(this);
  }
  if (!form_.Handles(name, Event_Kind::Click)) return;
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    connect(button, &QPushButton::clicked, this, [this, name] { form_.Click(name); });
  } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
    connect(list, &QListWidget::itemClicked, this, [this, name, list](QListWidgetItem* item) {
      form_.Event(name, Event_Kind::Click, list->row(item));
    });
  } else {
    widget->installEventFilter(this);
  }
}

bool Main_Window::eventFilter(QObject* watched, QEvent* event) {
  const std::string name = watched->objectName().toStdString();
  if (event->type() == QEvent::MouseButtonRelease && qobject_cast<QLabel*>(watched) != nullptr) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && form_.Click(name)) return true;
  }
  if (event->type() == QEvent::MouseButtonDblClick) {
    auto* pane = qobject_cast<QPlainTextEdit*>(watched->parent());
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (pane != nullptr && mouse->button() == Qt::LeftButton) {
      const int line = pane->cursorForPosition(mouse->position().toPoint()).blockNumber();
      form_.Event(name, Event_Kind::Double_Click, line);
      return true;
    }
  }
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text.size() == 1 && text[0].unicode() < 256) {
      form_.Event(name, Event_Kind::Key_Press, text[0].unicode());
      // An edit box shows the text its handler keeps; a button still gets
      // the key, so that a space still clicks it.
      if (qobject_cast<QLineEdit*>(watched) != nullptr) return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void Main_Window::closeEvent(QCloseEvent* event) {
  if (form_.Command_Running()) {
    // A command is inside a message pump: its loops are told to stop, and
    // the close comes again once it has returned. Closing is never refused.
    form_.link.Stop_Count = 5;
    event->ignore();
    QTimer::singleShot(50, this, &QWidget::close);
    return;
  }
  form_.FormCloseQuery();
  event->accept();
}

// The model and the window follow each other one way at a time. A move
// reports the window's place at once, with its old size, and the platform may
// report an earlier geometry late; echoed back, either would overwrite the
// size being applied.
void Main_Window::Apply_Geometry(Bounds bounds) {
  if (syncing_geometry_) return;
  syncing_geometry_ = true;
  move(bounds.left, bounds.top);
  resize(bounds.width, bounds.height);
  syncing_geometry_ = false;
}

void Main_Window::Record_Geometry() {
  if (syncing_geometry_) return;
  syncing_geometry_ = true;
  form_.window.Set_Bounds("MainForm", Bounds{pos().x(), pos().y(), width(), height()});
  syncing_geometry_ = false;
}

void Main_Window::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  Record_Geometry();
}

void Main_Window::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Record_Geometry();
}

}  // namespace tarnik::ui
