#include "ui/qt_host.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>

namespace tarnik::ui {

namespace {

QString Any_Case(const QString& pattern) {
  QString result;
  for (const QChar c : pattern) {
    if (c.isLetter())
      result += QStringLiteral("[%1%2]").arg(c.toUpper(), c.toLower());
    else
      result += c;
  }
  return result;
}

QStringList Qt_Filter_Entries(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts))
      patterns << (pattern == "*.*" ? QStringLiteral("*") : Any_Case(pattern));
    entries << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(' '));
  }
  return entries;
}

QMessageBox::Icon Qt_Icon(Box_Icon icon) {
  switch (icon) {
    case Box_Icon::Information: return QMessageBox::Information;
    case Box_Icon::Confirmation: return QMessageBox::Question;
    case Box_Icon::Warning: return QMessageBox::Warning;
    case Box_Icon::Error: return QMessageBox::Critical;
    case Box_Icon::Stop: return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

std::optional<std::string> Chosen(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

void Prepare_Dialog(QFileDialog& dialog, const File_Dialog_Request& request) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setNameFilters(Qt_Filter_Entries(request.filter));
  dialog.selectNameFilter(Qt_Filter_Entry(request.filter, request.filter_index));
  dialog.setDefaultSuffix(QString::fromStdString(request.default_ext).remove(0, request.default_ext.rfind('.') == 0 ? 1 : 0));
  if (!request.initial_dir.empty()) dialog.setDirectory(QString::fromStdString(request.initial_dir));
}

}  // namespace

QString Qt_Filter(const std::string& filter) { return Qt_Filter_Entries(filter).join(";;"); }

QString Qt_Filter_Entry(const std::string& filter, int index) {
  const QStringList entries = Qt_Filter_Entries(filter);
  if (index < 1 || index > entries.size()) return entries.isEmpty() ? QString() : entries.front();
  return entries[index - 1];
}

Qt_Host::Qt_Host() {
  timer1_.setTimerType(Qt::PreciseTimer);
  connect(&timer1_, &QTimer::timeout, this, [this] {
    if (on_tick_) on_tick_();
  });
}

void Qt_Host::Process_Messages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void Qt_Host::Wait_Briefly() {
  // Sleeps in the event loop: input and timer ticks are handled meanwhile.
  QEventLoop loop;
  QTimer::singleShot(1, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

void Qt_Host::Start_Timer1(int period_ms) {
  if (!timer1_.isActive()) timer1_.start(period_ms);
}

Box_Answer Qt_Host::Message_Box(const Message_Box_Request& request) {
  QMessageBox box(Qt_Icon(request.icon), QString::fromStdString(request.title),
                  QString::fromStdString(request.text),
                  request.buttons == Box_Buttons::Ok ? QMessageBox::Ok
                                                     : (QMessageBox::Yes | QMessageBox::No),
                  dialog_parent_);
  if (request.default_no) box.setDefaultButton(QMessageBox::No);
  if (!request.position.centred) {
    box.move(request.position.left, request.position.top);
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    box.adjustSize();
    box.move(screen->geometry().center() - box.rect().center());
  }
  const int answer = box.exec();
  if (request.buttons == Box_Buttons::Ok) return Box_Answer::Ok;
  return answer == QMessageBox::Yes ? Box_Answer::Yes : Box_Answer::No;
}

std::optional<std::size_t> Qt_Host::Choose(const Choice_Request& request) {
  QStringList items;
  for (const std::string& item : request.items) items << QString::fromStdString(item);
  bool ok = false;
  const QString picked =
      QInputDialog::getItem(dialog_parent_, QString::fromStdString(request.title),
                            QString::fromStdString(request.text), items, 0, false, &ok);
  if (!ok) return std::nullopt;
  const qsizetype index = items.indexOf(picked);
  if (index < 0) return std::nullopt;
  return static_cast<std::size_t>(index);
}

std::optional<std::string> Qt_Host::Open_Dialog(const File_Dialog_Request& request) {
  QFileDialog dialog(dialog_parent_);
  Prepare_Dialog(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  return Chosen(dialog);
}

std::optional<std::string> Qt_Host::Save_Dialog(const File_Dialog_Request& request) {
  QFileDialog dialog(dialog_parent_);
  Prepare_Dialog(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirm_overwrite);
  return Chosen(dialog);
}

std::string Qt_Host::Current_Directory() const { return QDir::currentPath().toStdString(); }

void Qt_Host::Post(std::function<void()> call) {
  // Queued on this object, which lives on the window's thread: the call runs
  // there however it was posted, and is dropped if the host is gone first.
  QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

}  // namespace tarnik::ui
