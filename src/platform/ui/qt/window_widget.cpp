#include "platform/ui/qt/window_widget.h"

#include <QtGui/QCloseEvent>
#include <QtGui/QContextMenuEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QScreen>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QFrame>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QProgressBar>
#include <QtGui/QFontMetrics>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QTabBar>
#include <QtWidgets/QTabWidget>

#include <algorithm>

#include "platform/ui/list_format.h"
#include "platform/ui/picture.h"
#include "platform/ui/qt/group_box.h"
#include "platform/ui/qt/key_codes.h"
#include "platform/ui/qt/list_control.h"
#include "platform/ui/qt/pictures.h"
#include "platform/ui/qt/push_button.h"
#include "platform/ui/qt/spin_box.h"

namespace qvn::ui::qt {

namespace {

constexpr const char* kFieldProperty = "qvn_field";

QString qs(const std::string& s) { return QString::fromStdString(s); }

std::string clipped(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

bool is_container(ControlKind k) {
  return k == ControlKind::Group || k == ControlKind::Option || k == ControlKind::Sheet || k == ControlKind::Box;
}

// What an entry shows: the picture's text without the blanks that pad it.
QString entry_text(const ControlDef& def, const std::string& shown) {
  const Parsed<Picture> p = Picture::parse(def.picture);
  if (p.ok() && p->kind() != PictureKind::Text) return qs(shown).trimmed();
  return qs(clipped(shown));
}

int text_width(const ControlDef& def) {
  const Parsed<Picture> p = Picture::parse(def.picture);
  if (p.ok() && p->kind() == PictureKind::Text && p->width() > 0) return static_cast<int>(p->width());
  return 32767;
}

}  // namespace

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
    QWidget* w = make_control(f);
    widgets_[static_cast<size_t>(f) - 1] = w;
    if (w == nullptr) continue;
    const ControlDef& c = window_->control(f);
    w->setObjectName(qs(c.equate));
    w->setProperty(kFieldProperty, f);
    if (!c.tip.empty()) w->setToolTip(qs(c.tip));
    if (c.font.points > 0 || !c.font.face.empty() || c.font.bold) w->setFont(control_font_of(c));
    place(f, w);
    connect_input(f, w);
  }

  // Containers lie behind what they hold: groups above sheets, sheets lowest.
  for (int pass : {0, 1}) {
    for (int f = count; f >= 1; --f) {
      const ControlKind k = window_->control(f).kind;
      QWidget* w = control_widget(f);
      if (w == nullptr || !is_container(k)) continue;
      if ((pass == 0) == (k != ControlKind::Sheet)) w->lower();
    }
  }

  // Tab follows field order; a control left out of it still takes a click.
  QWidget* previous = nullptr;
  for (int f = 1; f <= count; ++f) {
    const ControlDef& c = window_->control(f);
    QWidget* w = control_widget(f);
    if (w == nullptr || !takes_focus(c.kind)) continue;
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

QWidget* WindowWidget::make_control(int field) {
  const ControlDef& c = window_->control(field);
  switch (c.kind) {
    case ControlKind::Button: {
      auto* b = new PushButton(this);
      b->setText(qs(c.text));
      b->setAutoDefault(false);
      b->setFlat(c.flat);
      if (!c.icon.empty()) b->set_picture(icon(c.icon));
      return b;
    }
    case ControlKind::Prompt: {
      auto* l = new QLabel(qs(c.text), this);
      l->setTextFormat(Qt::PlainText);
      return l;
    }
    case ControlKind::String: {
      auto* l = new QLabel(this);
      l->setTextFormat(Qt::PlainText);
      return l;
    }
    case ControlKind::Entry: {
      auto* e = new QLineEdit(this);
      e->setReadOnly(c.read_only);
      e->setMaxLength(text_width(c));
      const Parsed<Picture> p = Picture::parse(c.picture);
      if (p.ok() && p->kind() == PictureKind::Number) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (c.upper) {
        connect(e, &QLineEdit::textEdited, e, [e](const QString& t) {
          const QString up = t.toUpper();
          if (up == t) return;
          const int pos = e->cursorPosition();
          e->setText(up);
          e->setModified(true);
          e->setCursorPosition(pos);
        });
      }
      return e;
    }
    case ControlKind::Text: {
      auto* t = new QPlainTextEdit(this);
      t->setReadOnly(c.read_only);
      return t;
    }
    case ControlKind::Spin: {
      auto* s = new SpinBox(this);
      s->setReadOnly(c.read_only);
      return s;
    }
    case ControlKind::Check:
      return new QCheckBox(qs(c.text), this);
    case ControlKind::Radio: {
      auto* r = new QRadioButton(qs(c.text), this);
      // The option group's variable decides which radio shows chosen.
      r->setAutoExclusive(false);
      return r;
    }
    case ControlKind::Option:
      if (c.text.empty()) return new QWidget(this);
      return new GroupBox(qs(c.text), this);
    case ControlKind::Group:
      return new GroupBox(qs(c.text), this);
    case ControlKind::Sheet: {
      auto* s = new QTabWidget(this);
      // Tabs as narrow as the platform's own, so a sheet's tabs fit its width.
      s->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 2px 5px; }"));
      for (int f = 1; f <= window_->controls(); ++f) {
        const ControlDef& t = window_->control(f);
        if (t.kind == ControlKind::Tab && !t.parent.empty() && window_->field(t.parent) == field) {
          auto* page = new QWidget();
          page->setProperty(kFieldProperty, f);
          s->addTab(page, qs(t.text));
        }
      }
      return s;
    }
    case ControlKind::Tab:
      return nullptr;
    case ControlKind::List: {
      const Parsed<ListFormat> f = ListFormat::parse(c.format);
      return new ListControl(f.ok() ? *f : ListFormat{}, units_, c.tree, this);
    }
    case ControlKind::Image: {
      auto* l = new QLabel(this);
      l->setAlignment(Qt::AlignCenter);
      return l;
    }
    case ControlKind::Progress: {
      auto* p = new QProgressBar(this);
      p->setTextVisible(false);
      if (c.range_high > c.range_low) {
        p->setRange(static_cast<int>(c.range_low), static_cast<int>(c.range_high));
      } else {
        p->setRange(0, 100);
      }
      return p;
    }
    case ControlKind::Box: {
      auto* f = new QFrame(this);
      f->setFrameStyle(QFrame::Box | QFrame::Plain);
      return f;
    }
    case ControlKind::Line: {
      auto* f = new QFrame(this);
      f->setFrameStyle((c.at.w >= c.at.h ? QFrame::HLine : QFrame::VLine) | QFrame::Plain);
      return f;
    }
  }
  return nullptr;
}

QFont WindowWidget::control_font_of(const ControlDef& c) const {
  return c.font.points > 0 || !c.font.face.empty() || c.font.bold ? control_font(font_, c.font) : font_;
}

void WindowWidget::place(int field, QWidget* widget) {
  const ControlDef& c = window_->control(field);
  QRect r = units_.rect(c.at);
  const QSize natural = widget->sizeHint();
  if (r.width() <= 0) r.setWidth(std::max(natural.width(), 1));
  if (r.height() <= 0) r.setHeight(std::max(natural.height(), 1));
  widget->setGeometry(r);
  if (auto* b = dynamic_cast<PushButton*>(widget); b != nullptr) {
    if (!b->icon().isNull()) {
      const int side = std::clamp(r.height() - 8, 8, 16);
      b->setIconSize(QSize(side, side));
    }
    b->fit(b->text(), control_font_of(c));
  }
}

void WindowWidget::watch(int field, QWidget* widget) {
  widget->setProperty(kFieldProperty, field);
  widget->installEventFilter(this);
}

void WindowWidget::connect_input(int field, QWidget* widget) {
  const ControlDef& c = window_->control(field);
  watch(field, widget);
  switch (c.kind) {
    case ControlKind::Button:
      connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this,
              [this, field] { deliver([field](Window& w) { w.user_press(field); }); });
      break;
    case ControlKind::Check:
    case ControlKind::Radio:
      connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, this,
              [this, field] { deliver([field](Window& w) { w.user_press(field); }); });
      break;
    case ControlKind::Entry:
      connect(static_cast<QLineEdit*>(widget), &QLineEdit::editingFinished, this, [this, field] { commit(field); });
      break;
    case ControlKind::Spin: {
      auto* s = static_cast<SpinBox*>(widget);
      connect(s, &QAbstractSpinBox::editingFinished, this, [this, field] { commit(field); });
      s->on_step = [this, field](bool up) { deliver([field, up](Window& w) { w.user_spin(field, up); }); };
      break;
    }
    case ControlKind::Sheet: {
      auto* s = static_cast<QTabWidget*>(widget);
      watch(field, s->tabBar());
      connect(s, &QTabWidget::currentChanged, this, [this, field, s](int index) {
        QWidget* page = s->widget(index);
        if (page == nullptr) return;
        const int tab = page->property(kFieldProperty).toInt();
        deliver([field, tab](Window& w) { w.user_choose_tab(field, tab); });
      });
      break;
    }
    case ControlKind::List: {
      auto* l = static_cast<ListControl*>(widget);
      watch(field, l->viewport());
      l->on_select = [this, field](int row) { deliver([field, row](Window& w) { w.user_select_row(field, row); }); };
      l->on_accept = [this, field](int row) { deliver([field, row](Window& w) { w.user_accept_row(field, row); }); };
      l->on_expand = [this, field](int row, bool open) {
        deliver([field, row, open](Window& w) { w.user_expand(field, row, open); });
      };
      break;
    }
    default:
      break;
  }
}

void WindowWidget::link_prompts() {
  const int count = window_->controls();
  for (int f = 1; f <= count; ++f) {
    if (window_->control(f).kind != ControlKind::Prompt) continue;
    auto* label = qobject_cast<QLabel*>(control_widget(f));
    if (label == nullptr) continue;
    for (int n = f + 1; n <= count; ++n) {
      const ControlDef& next = window_->control(n);
      if (takes_focus(next.kind) && !next.skip && control_widget(n) != nullptr) {
        label->setBuddy(control_widget(n));
        break;
      }
    }
  }
}

void WindowWidget::commit(int field) {
  if (window_ == nullptr || following_) return;
  QWidget* w = control_widget(field);
  std::string text;
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    if (!e->isModified()) return;
    e->setModified(false);
    text = e->text().toStdString();
  } else if (auto* s = dynamic_cast<SpinBox*>(w)) {
    if (!s->modified()) return;
    s->set_modified(false);
    text = s->text_shown().toStdString();
  } else if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
    if (!t->document()->isModified()) return;
    t->document()->setModified(false);
    text = t->toPlainText().toStdString();
  } else {
    return;
  }
  deliver([field, text](Window& win) { win.user_type(field, text); });
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
  const ControlKind kind = field > 0 ? window_->control(field).kind : ControlKind::String;
  bool hot = false;
  for (int f = 1; f <= window_->controls() && !hot; ++f) hot = window_->control(f).hot_key == code;
  const bool alerted = window_->alerted(field, code) || window_->alerted(0, code);
  if (!alerted && !hot) {
    if (code == key::Enter && kind == ControlKind::Text) return false;
    if (code == key::Enter && kind == ControlKind::Button) {
      // Enter presses the button that has the focus, as the platform's own dialogs do.
      deliver([field](Window& w) { w.user_press(field); });
      return true;
    }
    const bool list_arrow = kind == ControlKind::List && (code == key::Up || code == key::Down);
    if (code != key::Enter && code != key::Escape && !list_arrow) return false;
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
      if (qobject_cast<QPlainTextEdit*>(watched) != nullptr) commit(field_of(watched));
      break;
    case QEvent::ContextMenu: {
      const int field = field_of(watched);
      if (field == 0) break;
      if (auto* l = dynamic_cast<ListControl*>(control_widget(field))) {
        const auto* menu = static_cast<QContextMenuEvent*>(event);
        const QPoint at = l->viewport()->mapFrom(static_cast<QWidget*>(watched), menu->pos());
        const int row = l->row_of(l->itemAt(at));
        if (row > 0) deliver([field, row](Window& w) { w.user_select_row(field, row, key::MouseRight); });
        return true;
      }
      if (window_->alerted(field, key::MouseRight)) {
        deliver([field](Window& w) { w.user_key(field, key::MouseRight); });
        return true;
      }
      break;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void WindowWidget::closeEvent(QCloseEvent* event) {
  // The window decides whether it closes; the widgets go when it has.
  event->ignore();
  deliver([](Window& w) { w.user_close(); });
}


void WindowWidget::sync(int field) {
  if (window_ == nullptr) return;
  following_ = true;
  if (field == 0) {
    for (int f = 1; f <= window_->controls(); ++f) sync_control(f);
    sync_window();
  } else if (field <= window_->controls()) {
    sync_control(field);
    // A container's state reaches the controls it holds.
    const ControlKind k = window_->control(field).kind;
    if (is_container(k) || k == ControlKind::Tab) {
      for (int f = 1; f <= window_->controls(); ++f) sync_control(f);
    }
  }
  sync_focus();
  following_ = false;
}

void WindowWidget::sync_window() {
  const QString caption = qs(window_->caption());
  if (windowTitle() != caption) setWindowTitle(caption);
  const bool show_it = window_->is_open() && !window_->hidden();
  if (show_it != isVisible()) setVisible(show_it);
}

void WindowWidget::sync_control(int field) {
  QWidget* widget = control_widget(field);
  if (widget == nullptr) return;
  const ControlDef& c = window_->control(field);
  const ControlState& st = window_->state(field);
  switch (c.kind) {
    case ControlKind::Button: {
      auto* b = static_cast<PushButton*>(widget);
      if (b->text() != qs(st.text)) b->fit(qs(st.text), control_font_of(c));
      b->setDefault(field == window_->default_button());
      break;
    }
    case ControlKind::Prompt: {
      // With a control to lead to, "&" marks the mnemonic; without, it only shows as the text would.
      auto* l = static_cast<QLabel*>(widget);
      const QString t = qs(l->buddy() != nullptr ? st.text : visible_text(st.text));
      if (l->text() != t) l->setText(t);
      break;
    }
    case ControlKind::String: {
      auto* l = static_cast<QLabel*>(widget);
      const QString t = qs(clipped(c.use.bound() ? st.shown : visible_text(st.text)));
      if (l->text() != t) l->setText(t);
      break;
    }
    case ControlKind::Entry: {
      auto* e = static_cast<QLineEdit*>(widget);
      // Text the person is typing stays until it is handed over.
      if (!(e->hasFocus() && e->isModified())) {
        const QString t = entry_text(c, st.shown);
        if (e->text() != t) {
          e->setText(t);
          // A value wider than the entry shows from its start, not its end.
          e->setCursorPosition(0);
        }
        e->setModified(false);
      }
      break;
    }
    case ControlKind::Text: {
      auto* t = static_cast<QPlainTextEdit*>(widget);
      if (!(t->hasFocus() && t->document()->isModified())) {
        const QString text = qs(clipped(st.shown));
        if (t->toPlainText() != text) t->setPlainText(text);
        t->document()->setModified(false);
      }
      break;
    }
    case ControlKind::Spin: {
      auto* s = static_cast<SpinBox*>(widget);
      if (!(s->hasFocus() && s->modified())) s->set_shown(qs(st.shown));
      break;
    }
    case ControlKind::Check: {
      auto* b = static_cast<QCheckBox*>(widget);
      if (b->text() != qs(st.text)) b->setText(qs(st.text));
      b->setChecked(st.checked);
      break;
    }
    case ControlKind::Radio: {
      auto* b = static_cast<QRadioButton*>(widget);
      if (b->text() != qs(st.text)) b->setText(qs(st.text));
      b->setChecked(st.checked);
      break;
    }
    case ControlKind::Option:
    case ControlKind::Group:
      if (auto* g = qobject_cast<QGroupBox*>(widget); g != nullptr && g->title() != qs(st.text)) g->setTitle(qs(st.text));
      break;
    case ControlKind::Sheet: {
      auto* s = static_cast<QTabWidget*>(widget);
      for (int i = 0; i < s->count(); ++i) {
        const int tab = s->widget(i)->property(kFieldProperty).toInt();
        const ControlState& ts = window_->state(tab);
        if (s->tabText(i) != qs(ts.text)) s->setTabText(i, qs(ts.text));
        s->setTabVisible(i, !ts.hidden);
        s->setTabEnabled(i, !ts.disabled);
        if (tab == st.selected && s->currentIndex() != i) s->setCurrentIndex(i);
      }
      break;
    }
    case ControlKind::List: {
      auto* l = static_cast<ListControl*>(widget);
      std::vector<std::vector<ListCell>> rows;
      if (st.list != nullptr) {
        const size_t n = st.list->rows();
        rows.reserve(n);
        for (size_t r = 0; r < n; ++r) rows.push_back(window_->cells(field, r));
      }
      l->show_rows(rows, st.icons);
      l->show_selected(st.selected);
      break;
    }
    case ControlKind::Image: {
      auto* l = static_cast<QLabel*>(widget);
      const std::string& name = st.text.empty() ? c.icon : st.text;
      const QString key = qs(name);
      if (l->property("qvn_picture").toString() != key) {
        l->setProperty("qvn_picture", key);
        QPixmap p = picture(name);
        if (!p.isNull() && c.at.w > 0 && c.at.h > 0) {
          p = p.scaled(l->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        l->setPixmap(p);
      }
      break;
    }
    case ControlKind::Progress: {
      auto* p = static_cast<QProgressBar*>(widget);
      p->setValue(std::clamp(st.progress, p->minimum(), p->maximum()));
      break;
    }
    default:
      break;
  }
  const bool visible = !window_->is_hidden(field);
  if (widget->isVisibleTo(this) != visible) widget->setVisible(visible);
  const bool enabled = !window_->is_disabled(field);
  if (widget->isEnabled() != enabled) widget->setEnabled(enabled);
}

void WindowWidget::sync_focus() {
  const int focus = window_->focus();
  if (focus == applied_focus_) return;
  applied_focus_ = focus;
  QWidget* w = control_widget(focus);
  if (w == nullptr && focus > 0 && window_->control(focus).kind == ControlKind::Tab) {
    const std::string& sheet = window_->control(focus).parent;
    w = sheet.empty() ? nullptr : control_widget(window_->field(sheet));
  }
  if (w != nullptr && w->isEnabled()) w->setFocus(Qt::OtherFocusReason);
}

}  // namespace qvn::ui::qt
