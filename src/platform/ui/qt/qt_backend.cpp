#include "platform/ui/qt/qt_backend.h"

#include <QtCore/QDir>
#include <QtCore/QEventLoop>
#include <QtCore/QFileInfo>
#include <QtCore/QPointer>
#include <QtCore/QSocketNotifier>
#include <QtCore/QTimer>
#include <QtGui/QCursor>
#include <QtPrintSupport/QPrintPreviewDialog>
#include <QtPrintSupport/QPrinter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/core/clock.h"
#include "platform/ui/close_signals.h"
#include "platform/ui/folder_watch.h"
#include "platform/ui/qt/pictures.h"
#include "platform/ui/qt/report_painter.h"
#include "platform/ui/qt/window_widget.h"
#include "platform/ui/window.h"

namespace qvn::ui::qt {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

bool is_input(QEvent::Type t) {
  switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease: return true;
    default: return false;
  }
}

// Drops the person's input to the program's windows while it is installed.
class InputDropper final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!is_input(event->type())) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget != nullptr && dynamic_cast<WindowWidget*>(widget->window()) != nullptr;
  }
};

struct ButtonText {
  int value;
  const char* text;
  QMessageBox::ButtonRole role;
};

constexpr ButtonText kButtons[] = {
    {button::Ok, "OK", QMessageBox::AcceptRole},
    {button::Yes, "&Yes", QMessageBox::YesRole},
    {button::No, "&No", QMessageBox::NoRole},
    {button::Abort, "&Abort", QMessageBox::RejectRole},
    {button::Retry, "&Retry", QMessageBox::AcceptRole},
    {button::Ignore, "&Ignore", QMessageBox::AcceptRole},
    {button::Cancel, "Cancel", QMessageBox::RejectRole},
    {button::Help, "&Help", QMessageBox::HelpRole},
};

// "desc (p1 p2)" from a pair with patterns separated by ";".
QString name_filter(const std::pair<std::string, std::string>& f) {
  QStringList patterns;
  for (const QString& p : qs(f.second).split(QLatin1Char(';'), Qt::SkipEmptyParts)) patterns << p.trimmed();
  return qs(f.first) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QStringLiteral(")");
}

QString start_folder(const std::string& folder) {
  if (!folder.empty() && QFileInfo(qs(folder)).isDir()) return qs(folder);
  return QDir::currentPath();
}

}  // namespace

struct QtBackend::Impl {
  std::unique_ptr<QApplication> own_app;
  // In the order the windows opened.
  std::vector<std::pair<Window*, QPointer<WindowWidget>>> views;
  QTimer wake;

  WindowWidget* view(Window& w) const {
    for (const auto& [window, v] : views) {
      if (window == &w) return v.data();
    }
    return nullptr;
  }

  // What a box or dialog belongs to: the modal widget on top, else the
  // window opened last that shows.
  QWidget* top() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    for (auto it = views.rbegin(); it != views.rend(); ++it) {
      if (it->second != nullptr && it->second->isVisible()) return it->second.data();
    }
    return nullptr;
  }
};

std::unique_ptr<QtBackend> QtBackend::create() {
  QCoreApplication* existing = QCoreApplication::instance();
  if (existing != nullptr && qobject_cast<QApplication*>(existing) == nullptr) return nullptr;
  std::unique_ptr<QtBackend> b(new QtBackend());
  if (existing == nullptr) {
    static int argc = 1;
    static char name[] = "qvn";
    static char* argv[] = {name, nullptr};
    b->impl_->own_app = std::make_unique<QApplication>(argc, argv);
  }
  QApplication::setWindowIcon(icon("clock"));
  b->impl_->wake.setSingleShot(true);
  return b;
}

QtBackend::QtBackend() : impl_(std::make_unique<Impl>()) {}

QtBackend::~QtBackend() {
  for (auto& [window, v] : impl_->views) {
    if (v != nullptr) {
      v->detach();
      delete v.data();
    }
  }
  impl_->views.clear();
}

void QtBackend::window_opened(Window& w) {
  if (WindowWidget* old = impl_->view(w)) {
    old->detach();
    old->deleteLater();
  }
  std::erase_if(impl_->views, [&w](const auto& entry) { return entry.first == &w; });
  auto* v = new WindowWidget(w);
  impl_->views.emplace_back(&w, v);
  v->sync(0);
}

void QtBackend::window_closed(Window& w) {
  auto it =
      std::find_if(impl_->views.begin(), impl_->views.end(), [&w](const auto& entry) { return entry.first == &w; });
  if (it == impl_->views.end()) return;
  if (WindowWidget* v = it->second.data()) {
    v->detach();
    v->hide();
    // Signals of its widgets may still be on their way; the view goes once
    // they have been handled.
    v->deleteLater();
  }
  impl_->views.erase(it);
}

void QtBackend::wait_for_event(Window& w) {
  if (!w.is_open()) return;
  // A window opened before this backend was installed is shown now.
  if (impl_->view(w) == nullptr) window_opened(w);
  QPointer<WindowWidget> v = impl_->view(w);
  v->take_delivered();
  // A change in a folder the window watches wakes the wait too; the
  // notifiers live only as long as the wait, and no program code that
  // could end a watch runs meanwhile.
  bool folder_changed = false;
  std::vector<std::unique_ptr<QSocketNotifier>> notifiers;
  for (int fd : folder_watch_descriptors(w)) {
    auto n = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(n.get(), &QSocketNotifier::activated, n.get(),
                     [&w, &folder_changed] { folder_changed = take_folder_changes(w) || folder_changed; });
    notifiers.push_back(std::move(n));
  }
  // A signal that asks the program to end wakes the wait too; the accept
  // loop then reads it and asks the windows to close.
  bool signalled = false;
  if (const int fd = close_signal_descriptor(); fd >= 0) {
    auto n = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(n.get(), &QSocketNotifier::activated, n.get(), [&signalled] { signalled = true; });
    notifiers.push_back(std::move(n));
  }
  while (w.is_open() && v != nullptr && !folder_changed && !signalled) {
    const long long due = w.next_timer_ms();
    const long long now = current_clock().steady_ms();
    if (due >= 0 && now >= due) break;
    if (due >= 0) {
      impl_->wake.start(static_cast<int>(std::min<long long>(due - now, INT_MAX)));
    } else {
      impl_->wake.stop();
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (v != nullptr && v->take_delivered()) break;
  }
  impl_->wake.stop();
}

void QtBackend::refresh(Window& w, int field) {
  if (WindowWidget* v = impl_->view(w)) v->sync(field);
}

void QtBackend::repaint_only() {
  InputDropper dropper;
  for (auto& [window, v] : impl_->views) {
    if (v != nullptr) v->set_input_blocked(true);
  }
  qApp->installEventFilter(&dropper);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  qApp->removeEventFilter(&dropper);
  for (auto& [window, v] : impl_->views) {
    if (v != nullptr) v->set_input_blocked(false);
  }
}

void QtBackend::to_front(Window& w) {
  WindowWidget* v = impl_->view(w);
  if (v == nullptr || !v->isVisible()) return;
  if (v->isMinimized()) v->showNormal();
  v->raise();
  v->activateWindow();
}

int QtBackend::message(const MessageBoxDef& box) {
  QMessageBox mb(impl_->top());
  mb.setWindowTitle(window_title(box.caption));
  mb.setTextFormat(Qt::PlainText);
  QString text = qs(box.text);
  text.replace(QLatin1Char('|'), QLatin1Char('\n'));
  mb.setText(text);
  switch (box.icon) {
    case MessageIcon::Stop: mb.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Question: mb.setIcon(QMessageBox::Question); break;
    case MessageIcon::Exclamation: mb.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Information: mb.setIcon(QMessageBox::Information); break;
    case MessageIcon::None: break;
  }
  const int buttons = box.buttons == 0 ? button::Ok : box.buttons;
  std::map<QAbstractButton*, int> values;
  const int without_choice = answer_without_choice(box);
  for (const ButtonText& b : kButtons) {
    if ((buttons & b.value) == 0) continue;
    QPushButton* pb = mb.addButton(QString::fromLatin1(b.text), b.role);
    pb->setObjectName(QString::fromLatin1(b.text).remove(QLatin1Char('&')));
    values[pb] = b.value;
    // Only the button the box names takes Enter. Qt would otherwise make the
    // first accepting button the default, and a focused button would take
    // Enter too: Enter on "Are you entirely sure?" would answer Yes. A box
    // with a single button offers no choice, so Enter presses that one.
    pb->setAutoDefault(false);
    if (b.value == box.default_button || b.value == buttons) mb.setDefaultButton(pb);
    if (b.value == without_choice) mb.setEscapeButton(pb);
  }
  mb.exec();
  auto it = values.find(mb.clickedButton());
  return it == values.end() ? without_choice : it->second;
}

std::string QtBackend::open_file(const FileDialogDef& dialog) {
  QFileDialog fd(impl_->top(), qs(dialog.title), start_folder(dialog.start_folder));
  fd.setOption(QFileDialog::DontUseNativeDialog);
  fd.setAcceptMode(QFileDialog::AcceptOpen);
  fd.setFileMode(QFileDialog::ExistingFile);
  QStringList filters;
  for (const auto& f : dialog.filters) filters << name_filter(f);
  if (!filters.isEmpty()) {
    fd.setNameFilters(filters);
    fd.selectNameFilter(filters.front());
  }
  if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty()) return {};
  const QFileInfo chosen(fd.selectedFiles().front());
  if (!chosen.isFile()) return {};
  return chosen.absoluteFilePath().toStdString();
}

std::string QtBackend::choose_folder(const FolderDialogDef& dialog) {
  QFileDialog fd(impl_->top(), qs(dialog.title), start_folder(dialog.start_folder));
  fd.setOption(QFileDialog::DontUseNativeDialog);
  fd.setOption(QFileDialog::ShowDirsOnly);
  fd.setFileMode(QFileDialog::Directory);
  if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty()) return {};
  const QFileInfo chosen(fd.selectedFiles().front());
  if (!chosen.isDir()) return {};
  return chosen.absoluteFilePath().toStdString();
}

int QtBackend::popup(Window& w, const std::string& text) {
  QWidget* anchor = impl_->view(w);
  QMenu menu(anchor);
  for (const PopupItem& item : popup_items(text)) {
    if (item.number == 0) {
      menu.addSeparator();
      continue;
    }
    QAction* a = menu.addAction(qs(item.text));
    a->setData(item.number);
    a->setEnabled(!item.disabled);
  }
  QPoint at = QCursor::pos();
  if (anchor != nullptr && !anchor->frameGeometry().contains(at)) {
    QWidget* focus = QApplication::focusWidget();
    QWidget* place = focus != nullptr && focus->window() == anchor ? focus : anchor;
    at = place->mapToGlobal(place->rect().center());
  }
  QAction* chosen = menu.exec(at);
  return chosen == nullptr ? 0 : chosen->data().toInt();
}

void QtBackend::beep() { QApplication::beep(); }

PreviewResult QtBackend::preview(const report::ReportDocument& document, const PreviewDef& def) {
  QPrinter printer(QPrinter::HighResolution);
  set_up_printer(printer);
  // With no printer installed Qt prints to a PDF file; without a name of
  // its own the print dialog would offer the home folder itself.
  if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty()) {
    printer.setOutputFileName(QDir::home().absoluteFilePath(QStringLiteral("report.pdf")));
  }
  QPrintPreviewDialog dialog(&printer, impl_->top());
  dialog.setWindowTitle(qs(def.title));
  // The preview paints its pages and, when the user prints, the printer's;
  // the last painting is what was printed.
  std::vector<int> painted;
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                   [&](QPrinter* target) { painted = paint_document(document, *target); });
  if (def.maximized) dialog.setWindowState(dialog.windowState() | Qt::WindowMaximized);
  PreviewResult result;
  if (dialog.exec() == QDialog::Accepted) {
    result.printed = !painted.empty();
    result.pages = painted;
  }
  return result;
}

bool QtBackend::save_picture(Window& w, const std::string& path) {
  WindowWidget* v = impl_->view(w);
  if (v == nullptr) return false;
  return v->grab().save(qs(path), "PNG");
}

}  // namespace qvn::ui::qt
