#include "platform/ui/qt/window_widget.h"

#include <QtGui/QCloseEvent>
#include <QtGui/QContextMenuEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QScreen>
#include <QtWidgets/QLabel>

#include <algorithm>

#include "platform/ui/qt/key_codes.h"
#include "platform/ui/qt/list_control.h"
#include "platform/ui/qt/pictures.h"
#include "platform/values/picture.h"

namespace qvn::ui::qt {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QString window_title(const std::string& caption) { return caption.empty() ? QStringLiteral(" ") : qs(caption); }

WindowWidget::WindowWidget(Window& window)
    : QWidget(nullptr), window_(&window), font_(window_font(window.def().font)), units_(font_) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setObjectName(qs(window.def().label));
  setFont(font_);
  build();
}

WindowWidget::~WindowWidget() = default;

void WindowWidget::detach() {
  window_ = nullptr;
  for (QWidget* w : widgets_) {
    if (w != nullptr) w->removeEventFilter(this);
  }
}

bool WindowWidget::take_delivered() {
  const bool d = delivered_;
  delivered_ = false;
  return d;
}

QWidget* WindowWidget::control_widget(int field) const {
  if (field < 1 || static_cast<size_t>(field) > widgets_.size()) return nullptr;
  return widgets_[static_cast<size_t>(field) - 1];
}

void WindowWidget::deliver(const std::function<void(Window&)>& input) {
  if (window_ == nullptr || following_ || input_blocked_) return;
  input(*window_);
  delivered_ = true;
  if (window_ != nullptr) sync(0);
}

void WindowWidget::build() {
  const WindowDef& def = window_->def();
  Qt::WindowFlags flags = Qt::Window;
  if (!def.system_menu) flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  setWindowFlags(flags);
  setWindowModality(def.modal ? Qt::ApplicationModal : Qt::NonModal);
  const std::string& window_icon = def.icon.empty() ? program_icon() : def.icon;
  if (!window_icon.empty()) setWindowIcon(icon(window_icon));
  if (def.color >= 0) {
    QPalette p = palette();
    p.setColor(QPalette::Window, bgr_color(def.color));
    setPalette(p);
    setAutoFillBackground(true);
  }

  const int count = window_->controls();
  widgets_.assign(static_cast<size_t>(count), nullptr);
  for (int f = 1; f <= count; ++f) {
    QWidget* w = adapter(f).make(*this, f);
    widgets_[static_cast<size_t>(f) - 1] = w;
    if (w == nullptr) continue;
    const ControlDef& c = window_->control(f);
    w->setObjectName(qs(c.equate));
    w->setProperty(kFieldProperty, f);
    if (!c.tip.empty()) w->setToolTip(qs(c.tip));
    if (c.font.points > 0 || !c.font.face.empty() || c.font.bold) w->setFont(control_font_of(c));
    place(f, w);
    watch(f, w);
    adapter(f).connect(*this, f, w);
  }

  // Containers lie behind what they hold: groups above sheets, sheets lowest.
  for (ControlAdapter::Layer layer : {ControlAdapter::Layer::Behind, ControlAdapter::Layer::Bottom}) {
    for (int f = count; f >= 1; --f) {
      QWidget* w = control_widget(f);
      if (w != nullptr && adapter(f).layer() == layer) w->lower();
    }
  }

  // Tab follows field order; a control left out of it still takes a click.
  QWidget* previous = nullptr;
  for (int f = 1; f <= count; ++f) {
    const ControlDef& c = window_->control(f);
    QWidget* w = control_widget(f);
    if (w == nullptr || !traits(c.kind).takes_focus) continue;
    if (c.skip) {
      w->setFocusPolicy(Qt::ClickFocus);
      continue;
    }
    if (previous != nullptr) setTabOrder(previous, w);
    previous = w;
  }
  link_prompts();

  const QSize size(units_.x(def.at.w), units_.y(def.at.h));
  if (size.width() > 0 && size.height() > 0) {
    if (def.resizable) {
      resize(size);
      setMinimumSize(size);
    } else {
      setFixedSize(size);
    }
  } else {
    adjustSize();
  }
  if (def.center && screen() != nullptr) {
    const QRect avail = screen()->availableGeometry();
    move(avail.center() - QPoint(width() / 2, height() / 2));
  }
}

QFont WindowWidget::control_font_of(const ControlDef& c) const {
  return c.font.points > 0 || !c.font.face.empty() || c.font.bold ? control_font(font_, c.font) : font_;
}

// An entry without a width is as wide as its picture's text (four dialog
// units a character, one more for its frame), but stops short of the
// window's right edge.
int WindowWidget::entry_width(const ControlDef& c) const {
  const values::Parsed<values::Picture> picture = values::Picture::parse(c.picture);
  if (!picture || picture->width() == 0) return 0;
  int width = units_.x(4 * static_cast<int>(picture->width() + 1));
  const int room = units_.x(window_->def().at.w - c.at.x - 4);
  if (window_->def().at.w > 0 && room > 0) width = std::min(width, room);
  return width;
}

void WindowWidget::place(int field, QWidget* widget) {
  const ControlDef& c = window_->control(field);
  QRect r = units_.rect(c.at);
  const QSize natural = widget->sizeHint();
  if (r.width() <= 0 && c.kind == ControlKind::Entry) r.setWidth(entry_width(c));
  if (r.width() <= 0) r.setWidth(std::max(natural.width(), 1));
  if (r.height() <= 0) r.setHeight(std::max(natural.height(), 1));
  widget->setGeometry(r);
  adapter(field).placed(*this, field, widget);
}

void WindowWidget::watch(int field, QWidget* part) {
  part->setProperty(kFieldProperty, field);
  part->installEventFilter(this);
}

// A prompt leads to the next control after it that Tab reaches.
void WindowWidget::link_prompts() {
  const int count = window_->controls();
  for (int f = 1; f <= count; ++f) {
    if (!traits(window_->control(f).kind).passes_focus_on) continue;
    auto* label = qobject_cast<QLabel*>(control_widget(f));
    if (label == nullptr) continue;
    for (int n = f + 1; n <= count; ++n) {
      const ControlDef& next = window_->control(n);
      if (traits(next.kind).takes_focus && !next.skip && control_widget(n) != nullptr) {
        label->setBuddy(control_widget(n));
        break;
      }
    }
  }
}

void WindowWidget::commit(int field) {
  // While input is dropped the typing stays in the control for later.
  if (window_ == nullptr || following_ || input_blocked_) return;
  QWidget* w = control_widget(field);
  std::string text;
  if (w == nullptr || !adapter(field).take_typed(w, &text)) return;
  deliver([field, text](Window& win) { win.user_type(field, text); });
}

void WindowWidget::deliver_after_typing(const std::function<void(Window&)>& input) {
  if (const int editing = field_of(focusWidget()); editing > 0) commit(editing);
  deliver(input);
}

int WindowWidget::field_of(QObject* object) const {
  for (QObject* o = object; o != nullptr && o != this; o = o->parent()) {
    const QVariant v = o->property(kFieldProperty);
    if (v.isValid()) return v.toInt();
  }
  return 0;
}

bool WindowWidget::take_key(int field, QKeyEvent* key) {
  const int code = key_code(*key);
  if (code == 0 || window_ == nullptr) return false;
  bool hot = false;
  for (int f = 1; f <= window_->controls() && !hot; ++f) hot = window_->control(f).hot_key == code;
  const bool alerted = window_->alerted(field, code) || window_->alerted(0, code);
  if (!alerted && !hot) {
    // Outside any control a key is used as a display-only text would use it.
    const ControlKind kind = field > 0 ? window_->control(field).kind : ControlKind::String;
    static const ControlState outside;
    switch (adapter_for(kind).key_use(field > 0 ? window_->state(field) : outside, code)) {
      case ControlAdapter::KeyUse::Widget: return false;
      case ControlAdapter::KeyUse::Press:
        deliver_after_typing([field](Window& w) { w.user_press(field); });
        return true;
      case ControlAdapter::KeyUse::Window: break;
    }
  }
  commit(field);
  deliver([field, code](Window& w) { w.user_key(field, code); });
  return true;
}

bool WindowWidget::eventFilter(QObject* watched, QEvent* event) {
  if (window_ == nullptr) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::KeyPress:
      if (take_key(field_of(watched), static_cast<QKeyEvent*>(event))) return true;
      break;
    case QEvent::FocusIn: {
      // The window learns where the person put the focus, so that it does
      // not move the focus on from the control that was left.
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      const int field = field_of(watched);
      if (field > 0 && field != window_->focus() &&
          (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason)) {
        deliver([field](Window& w) { w.select(field); });
      }
      break;
    }
    case QEvent::FocusOut:
      if (const int field = field_of(watched); field > 0 && watched == control_widget(field)) {
        adapter(field).focus_left(*this, field);
      }
      break;
    case QEvent::ContextMenu: {
      const int field = field_of(watched);
      if (field == 0) break;
      const auto* menu = static_cast<QContextMenuEvent*>(event);
      if (QWidget* w = control_widget(field);
          w != nullptr && adapter(field).context_menu(*this, field, w, static_cast<QWidget*>(watched), menu->pos())) {
        return true;
      }
      if (window_->alerted(field, key::MouseRight)) {
        deliver([field](Window& w) { w.user_key(field, key::MouseRight); });
        return true;
      }
      break;
    }
    default: break;
  }
  return QWidget::eventFilter(watched, event);
}

// The desktop's activation of the window is the window's gain of focus;
// focus moves inside it are not.
void WindowWidget::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && window_ != nullptr &&
      window_->user_activated()) {
    delivered_ = true;
  }
  QWidget::changeEvent(event);
}

void WindowWidget::closeEvent(QCloseEvent* event) {
  // The window decides whether it closes; the widgets go when it has. What
  // was typed counts, as it does for Escape.
  event->ignore();
  deliver_after_typing([](Window& w) { w.user_close(); });
}

void WindowWidget::sync(int field) {
  if (window_ == nullptr) return;
  following_ = true;
  if (field == 0) {
    for (int f = 1; f <= window_->controls(); ++f) sync_control(f);
    sync_window();
  } else if (field <= window_->controls()) {
    sync_control(field);
    // A container's state reaches the controls it holds or lie over it.
    const ControlTraits& t = traits(window_->control(field).kind);
    if (t.holds_controls || t.backdrop) {
      for (int f = 1; f <= window_->controls(); ++f) sync_control(f);
    }
  }
  sync_focus();
  following_ = false;
}

void WindowWidget::sync_window() {
  const QString caption = window_title(window_->caption());
  if (windowTitle() != caption) setWindowTitle(caption);
  const bool show_it = window_->is_open() && !window_->hidden();
  if (show_it != isVisible()) setVisible(show_it);
}

void WindowWidget::sync_control(int field) {
  QWidget* widget = control_widget(field);
  if (widget == nullptr) return;
  adapter(field).refresh(*this, field, widget);
  const bool visible = !window_->is_hidden(field);
  if (widget->isVisibleTo(this) != visible) widget->setVisible(visible);
  const bool enabled = !window_->is_disabled(field);
  if (widget->isEnabled() != enabled) widget->setEnabled(enabled);
}

// A control without a widget of its own (a tab) has the focus through the
// widget of the control that holds it (its sheet).
void WindowWidget::sync_focus() {
  const int focus = window_->focus();
  if (focus == applied_focus_) return;
  applied_focus_ = focus;
  QWidget* w = control_widget(focus);
  if (w == nullptr && focus > 0) {
    const int holder = window_->control(focus).parent;
    w = holder == 0 ? nullptr : control_widget(holder);
  }
  if (w != nullptr && w->isEnabled()) w->setFocus(Qt::OtherFocusReason);
}

}  // namespace qvn::ui::qt
