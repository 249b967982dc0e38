#include "ui/hex_view.h"

#include <QClipboard>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTextBlock>
#include <algorithm>
#include <string>

namespace tarnik::ui {

namespace {

// Focus that leaves with the window or for a menu has not gone to another
// control of the window.
bool Leaves_For_Another_Control(const QFocusEvent& event) {
  return event.reason() != Qt::ActiveWindowFocusReason && event.reason() != Qt::PopupFocusReason;
}

// Each character of a key's text as a character code; characters beyond one
// byte have no code in the view's text and are left out.
template <typename Report>
void For_Each_Character(const QString& text, Report report) {
  for (const QChar c : text)
    if (c.unicode() < 256) report(static_cast<int>(c.unicode()));
}

constexpr int Legend_Pixel_Size = 11;

QColor Qt_Colour(Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }

// Where byte `column` of a data row shows: its two hex digits, its character.
int Hex_Column(int column) { return 6 + 3 * column; }
int Character_Column(int column) { return 56 + column; }

QString Legend_Swatch(Rgb colour, const char* text) {
  return QStringLiteral("<span style=\"background-color:%1\">&nbsp;&nbsp;&nbsp;&nbsp;</span>&nbsp;%2")
      .arg(Qt_Colour(colour).name(), QString::fromLatin1(text));
}

QString Legend_Text() {
  return Legend_Swatch(Mendable_Colour, Mendable_Legend) + "&nbsp;&nbsp;&nbsp;" +
         Legend_Swatch(Unmendable_Colour, Unmendable_Legend);
}

QString View_Text(const std::vector<std::string>& lines) {
  QStringList joined;
  for (const std::string& line : lines)
    joined << QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
  return joined.join('\n');
}

}  // namespace

int Virtual_Key_Code(int qt_key) {
  struct Code {
    int qt_key;
    int code;
  };
  constexpr Code codes[] = {
      {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},       {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},
      {Qt::Key_Shift, 16},    {Qt::Key_Control, 17},  {Qt::Key_Alt, 18},      {Qt::Key_Escape, 27},
      {Qt::Key_Space, 32},    {Qt::Key_PageUp, 33},   {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
      {Qt::Key_Home, 36},     {Qt::Key_Left, 37},     {Qt::Key_Up, 38},       {Qt::Key_Right, 39},
      {Qt::Key_Down, 40},     {Qt::Key_Insert, 45},   {Qt::Key_Delete, 46},
  };
  for (const Code& entry : codes)
    if (entry.qt_key == qt_key) return entry.code;
  // Digits and letters send their upper-case character codes.
  if ((qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) || (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z))
    return qt_key;
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F12) return 112 + (qt_key - Qt::Key_F1);
  return 0;
}

Hex_View::Hex_View(Hex_Editor& editor, Editor_Event on_event, QWidget* parent)
    : QPlainTextEdit(parent), editor_(editor), on_event_(std::move(on_event)) {
  setReadOnly(true);
  // Read-only text shows no caret unless the keyboard may select in it.
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTabChangesFocus(true);
  setUndoRedoEnabled(false);
  setContextMenuPolicy(Qt::NoContextMenu);
  setAcceptDrops(false);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  editor_.Set_View_Listener([this] { Refresh(); });
  editor_.Set_Focus_Listener([this](std::string_view control) { Move_Focus(control); });
  Refresh();
}

Hex_View::~Hex_View() {
  editor_.Set_View_Listener(nullptr);
  editor_.Set_Focus_Listener(nullptr);
}

void Hex_View::Refresh() {
  const std::vector<std::string>& lines = editor_.View_Lines();
  const QString text = View_Text(lines);
  if (toPlainText() != text) setPlainText(text);
  Paint_Marks();
  const Text_Position at = Position_Of(lines, editor_.Caret_Offset());
  const QTextBlock block = document()->findBlockByNumber(at.line);
  if (!block.isValid()) return;
  QTextCursor caret(block);
  caret.setPosition(block.position() + std::min(at.column, block.length() - 1));
  setTextCursor(caret);
}

void Hex_View::Show_Marks(Buffer_Marks& marks) {
  marks_ = &marks;
  if (legend_ == nullptr && parentWidget() != nullptr) {
    legend_ = new QLabel(parentWidget());
    legend_->setObjectName("Edit_1_Legend");
    legend_->setTextFormat(Qt::RichText);
    legend_->setText(Legend_Text());
    // Small and plain: a note under the view, not a control of the window.
    QFont font = legend_->font();
    font.setBold(false);
    font.setPixelSize(Legend_Pixel_Size);
    legend_->setFont(font);
    // White on the window's navy.
    QPalette palette = legend_->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    legend_->setPalette(palette);
  }
  // The view may go before the marks do.
  const QPointer<Hex_View> view(this);
  marks.Subscribe([view] {
    if (view) view->Paint_Marks();
  });
  Paint_Marks();
}

QTextEdit::ExtraSelection Hex_View::Mark_Span(int line, int column, int length,
                                              Byte_Mark mark) const {
  QTextEdit::ExtraSelection span;
  span.cursor = QTextCursor(document()->findBlockByNumber(line));
  span.cursor.setPosition(span.cursor.block().position() + column);
  span.cursor.setPosition(span.cursor.position() + length, QTextCursor::KeepAnchor);
  span.format.setBackground(
      Qt_Colour(mark == Byte_Mark::Mendable ? Mendable_Colour : Unmendable_Colour));
  return span;
}

// Each marked byte of the page gets its colour under its two hex digits and
// its character; the text and its columns stay as they are.
void Hex_View::Paint_Marks() {
  if (marks_ == nullptr) return;
  QList<QTextEdit::ExtraSelection> spans;
  const int32_t page = editor_.Page_Start;
  for (int row = 0; row < Hex_Editor::Page_Rows && document()->blockCount() > row + 1; ++row) {
    for (int column = 0; column < Hex_Editor::Row_Bytes; ++column) {
      const Byte_Mark mark = marks_->At(page + row * Hex_Editor::Row_Bytes + column);
      if (mark == Byte_Mark::None) continue;
      spans << Mark_Span(row + 1, Hex_Column(column), 2, mark)
            << Mark_Span(row + 1, Character_Column(column), 1, mark);
    }
  }
  setExtraSelections(spans);
  Place_Legend();
}

// The legend sits just under the view, as wide as it, while the view shows
// marks.
void Hex_View::Place_Legend() {
  if (legend_ == nullptr) return;
  legend_->setGeometry(x(), y() + height() + 2, width(), legend_->sizeHint().height());
  legend_->setVisible(isVisible() && marks_ != nullptr && marks_->Any());
}

void Hex_View::showEvent(QShowEvent* event) {
  QPlainTextEdit::showEvent(event);
  Place_Legend();
}

void Hex_View::hideEvent(QHideEvent* event) {
  QPlainTextEdit::hideEvent(event);
  Place_Legend();
}

void Hex_View::moveEvent(QMoveEvent* event) {
  QPlainTextEdit::moveEvent(event);
  Place_Legend();
}

void Hex_View::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  Place_Legend();
}

// Qt counts one character for a line break, the editor two.
int Hex_View::Caret_Offset() const {
  const QTextCursor caret = textCursor();
  return caret.position() + caret.blockNumber();
}

QTextCursor Hex_View::Cursor_For_Click(QPoint point) const {
  const QRectF last_line =
      blockBoundingGeometry(document()->lastBlock()).translated(contentOffset());
  if (point.y() < last_line.bottom()) return cursorForPosition(point);
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  return end;
}

void Hex_View::Move_Focus(std::string_view control) {
  const QString name = QString::fromUtf8(control.data(), static_cast<qsizetype>(control.size()));
  QWidget* target = objectName() == name ? this : window()->findChild<QWidget*>(name);
  if (target == nullptr) return;
  // The editor has already closed the view for a focus it sends elsewhere.
  moving_focus_ = target != this;
  target->setFocus(Qt::OtherFocusReason);
  moving_focus_ = false;
}

void Hex_View::keyPressEvent(QKeyEvent* event) {
  event->accept();
  Handle_Key({true, event->key(), event->text(), event->isAutoRepeat()});
}

void Hex_View::keyReleaseEvent(QKeyEvent* event) {
  event->accept();
  Handle_Key({false, event->key(), event->text(), event->isAutoRepeat()});
}

// The key-down handler pumps messages, which can deliver the next keys while
// it runs; they wait and follow in order, so that no keystroke is lost to the
// window's one-handler-at-a-time rule.
void Hex_View::Handle_Key(Key_Stroke stroke) {
  if (handling_key_) {
    waiting_keys_.push_back(std::move(stroke));
    return;
  }
  handling_key_ = true;
  Report_Key(stroke);
  while (!waiting_keys_.empty()) {
    const Key_Stroke next = waiting_keys_.front();
    waiting_keys_.pop_front();
    Report_Key(next);
  }
  handling_key_ = false;
}

void Hex_View::Report_Key(const Key_Stroke& stroke) {
  const int code = Virtual_Key_Code(stroke.key);
  if (stroke.pressed) {
    on_event_(Event_Kind::Key_Down, code);
    For_Each_Character(stroke.text, [this](int character) { on_event_(Event_Kind::Key_Press, character); });
  } else if (!stroke.auto_repeat) {
    // A held key repeats its key-down only; it is released once.
    on_event_(Event_Kind::Key_Up, code);
  }
}

// The caret goes to the clicked place before the handler runs; other buttons
// leave it where it was.
void Hex_View::mousePressEvent(QMouseEvent* event) {
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  if (event->button() == Qt::LeftButton)
    setTextCursor(Cursor_For_Click(event->position().toPoint()));
  on_event_(Event_Kind::Mouse_Down, Caret_Offset());
  event->accept();
}

void Hex_View::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

// No selecting by dragging: the caret stays where the click put it.
void Hex_View::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

void Hex_View::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void Hex_View::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  if (moving_focus_ || isHidden() || !Leaves_For_Another_Control(*event)) return;
  on_event_(Event_Kind::Exit, 0);
}

Address_Box::Address_Box(Hex_Editor& editor, Editor_Event on_event, QWidget* parent)
    : QLineEdit(parent), editor_(editor), on_event_(std::move(on_event)) {
  setContextMenuPolicy(Qt::NoContextMenu);
  setAcceptDrops(false);
  Show_Editor_Text();
}

void Address_Box::Show_Editor_Text() {
  const QString text = QString::fromStdString(editor_.Address_Box_Text());
  if (this->text() != text) setText(text);
}

void Address_Box::Type(const QString& text) {
  For_Each_Character(text, [this](int code) { on_event_(Event_Kind::Key_Press, code); });
  Show_Editor_Text();
}

void Address_Box::keyPressEvent(QKeyEvent* event) {
  event->accept();
  if (event->matches(QKeySequence::Paste)) {
    editor_.Paste_Into_Address_Box(QGuiApplication::clipboard()->text().toStdString());
    Show_Editor_Text();
    return;
  }
  Type(event->text());
}

void Address_Box::inputMethodEvent(QInputMethodEvent* event) {
  event->accept();
  Type(event->commitString());
}

// The middle button's paste of the selection would bypass the box's rules.
void Address_Box::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::MiddleButton) {
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

void Address_Box::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (isHidden() || !Leaves_For_Another_Control(*event)) return;
  on_event_(Event_Kind::Exit, 0);
}

}  // namespace tarnik::ui
