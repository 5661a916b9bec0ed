// The adapters of the kinds of control, one each, and the table that finds
// a kind's adapter.

#include <QtGui/QPixmap>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QFrame>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QTabBar>
#include <QtWidgets/QTabWidget>

#include <algorithm>
#include <array>
#include <cstddef>

#include "platform/ui/list_format.h"
#include "platform/ui/qt/control_adapter.h"
#include "platform/ui/qt/group_box.h"
#include "platform/ui/qt/list_control.h"
#include "platform/ui/qt/pictures.h"
#include "platform/ui/qt/push_button.h"
#include "platform/ui/qt/spin_box.h"
#include "platform/values/picture.h"

namespace qvn::ui::qt {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

std::string clipped(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

bool is_paging_key(int keycode) {
  switch (keycode) {
    case key::PageUp:
    case key::PageDown:
    case key::Home:
    case key::End:
    case key::CtrlHome:
    case key::CtrlEnd: return true;
    default: return false;
  }
}

// Presses the control when its button is clicked: by the mouse, by Space,
// or by its key letter, which leaves the focus in the entry being edited.
void press_on_click(ControlHost& host, int field, QAbstractButton* button) {
  QObject::connect(button, &QAbstractButton::clicked, host.area(),
                   [&host, field] { host.deliver_after_typing([field](Window& w) { w.user_press(field); }); });
}

// A check box or radio button: its text and whether it shows chosen.
void refresh_choice(const ControlState& st, QAbstractButton* b) {
  if (b->text() != qs(st.text)) b->setText(qs(st.text));
  b->setChecked(st.checked);
}

class ButtonAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int field) const override {
    const ControlDef& c = host.model().control(field);
    auto* b = new PushButton(host.area());
    b->setText(qs(c.text));
    b->setAutoDefault(false);
    b->setFlat(c.flat);
    if (!c.icon.empty()) b->set_picture(icon(c.icon));
    return b;
  }
  void placed(ControlHost& host, int field, QWidget* widget) const override {
    auto* b = static_cast<PushButton*>(widget);
    if (!b->icon().isNull()) {
      const int side = std::clamp(b->height() - 8, 8, 16);
      b->setIconSize(QSize(side, side));
    }
    b->fit(b->text(), host.control_font_of(host.model().control(field)));
  }
  void connect(ControlHost& host, int field, QWidget* widget) const override {
    press_on_click(host, field, static_cast<QAbstractButton*>(widget));
  }
  void refresh(ControlHost& host, int field, QWidget* widget) const override {
    auto* b = static_cast<PushButton*>(widget);
    const ControlState& st = host.model().state(field);
    if (b->text() != qs(st.text)) b->fit(qs(st.text), host.control_font_of(host.model().control(field)));
    b->setDefault(field == host.model().default_button());
  }
  // Enter presses the button that has the focus, as the platform's own dialogs do.
  KeyUse key_use(const ControlState& state, int keycode) const override {
    return keycode == key::Enter ? KeyUse::Press : ControlAdapter::key_use(state, keycode);
  }
};

class PromptAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int field) const override {
    auto* l = new QLabel(qs(host.model().control(field).text), host.area());
    l->setTextFormat(Qt::PlainText);
    return l;
  }
  // With a control to lead to, "&" marks the mnemonic; without, it only shows as the text would.
  void refresh(ControlHost& host, int field, QWidget* widget) const override {
    auto* l = static_cast<QLabel*>(widget);
    const std::string& text = host.model().state(field).text;
    const QString t = qs(l->buddy() != nullptr ? text : visible_text(text));
    if (l->text() != t) l->setText(t);
  }
};

class StringAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  // A string of its own text has it from the start, so that one placed
  // without a size takes the size of its text.
  QWidget* make(ControlHost& host, int field) const override {
    const ControlDef& c = host.model().control(field);
    auto* l = new QLabel(c.use.bound() ? QString() : qs(visible_text(c.text)), host.area());
    l->setTextFormat(Qt::PlainText);
    if (c.centered) l->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return l;
  }
  void refresh(ControlHost& host, int field, QWidget* widget) const override {
    auto* l = static_cast<QLabel*>(widget);
    const ControlState& st = host.model().state(field);
    const QString t = qs(clipped(host.model().control(field).use.bound() ? st.shown : visible_text(st.text)));
    if (l->text() != t) l->setText(t);
  }
};

class EntryAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int field) const override {
    const ControlDef& c = host.model().control(field);
    auto* e = new QLineEdit(host.area());
    e->setReadOnly(c.read_only);
    const values::Parsed<values::Picture> p = values::Picture::parse(c.picture);
    const bool text = p.ok() && p->kind() == values::PictureKind::Text && p->width() > 0;
    e->setMaxLength(text ? static_cast<int>(p->width()) : 32767);
    if (p.ok() && p->kind() == values::PictureKind::Number) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (c.upper) {
      QObject::connect(e, &QLineEdit::textEdited, e, [e](const QString& t) {
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
  void connect(ControlHost& host, int field, QWidget* widget) const override {
    QObject::connect(static_cast<QLineEdit*>(widget), &QLineEdit::editingFinished, host.area(),
                     [&host, field] { host.commit(field); });
  }
  void refresh(ControlHost& host, int field, QWidget* widget) const override {
    auto* e = static_cast<QLineEdit*>(widget);
    // Text the person is typing stays until it is handed over.
    if (e->hasFocus() && e->isModified()) return;
    // What an entry shows: the picture's text without the blanks that pad it.
    const std::string& shown = host.model().state(field).shown;
    const values::Parsed<values::Picture> p = values::Picture::parse(host.model().control(field).picture);
    const QString t = p.ok() && p->kind() != values::PictureKind::Text ? qs(shown).trimmed() : qs(clipped(shown));
    if (e->text() != t) {
      e->setText(t);
      // A value wider than the entry shows from its start, not its end.
      e->setCursorPosition(0);
    }
    e->setModified(false);
  }
  bool take_typed(QWidget* widget, std::string* text) const override {
    auto* e = static_cast<QLineEdit*>(widget);
    if (!e->isModified()) return false;
    e->setModified(false);
    *text = e->text().toStdString();
    return true;
  }
};

class TextAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int field) const override {
    auto* t = new QPlainTextEdit(host.area());
    t->setReadOnly(host.model().control(field).read_only);
    return t;
  }
  void refresh(ControlHost& host, int field, QWidget* widget) const override {
    auto* t = static_cast<QPlainTextEdit*>(widget);
    if (t->hasFocus() && t->document()->isModified()) return;
    const QString text = qs(clipped(host.model().state(field).shown));
    if (t->toPlainText() != text) t->setPlainText(text);
    t->document()->setModified(false);
  }
  bool take_typed(QWidget* widget, std::string* text) const override {
    auto* t = static_cast<QPlainTextEdit*>(widget);
    if (!t->document()->isModified()) return false;
    t->document()->setModified(false);
    *text = t->toPlainText().toStdString();
    return true;
  }
  // Enter starts a new line.
  KeyUse key_use(const ControlState& state, int keycode) const override {
    return keycode == key::Enter ? KeyUse::Widget : ControlAdapter::key_use(state, keycode);
  }
  // A text has no signal of its own for the end of typing: leaving it ends it.
  void focus_left(ControlHost& host, int field) const override { host.commit(field); }
};

class SpinAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int field) const override {
    auto* s = new SpinBox(host.area());
    s->setReadOnly(host.model().control(field).read_only);
    return s;
  }
  void connect(ControlHost& host, int field, QWidget* widget) const override {
    auto* s = static_cast<SpinBox*>(widget);
    QObject::connect(s, &QAbstractSpinBox::editingFinished, host.area(), [&host, field] { host.commit(field); });
    s->on_step = [&host, field](bool up) { host.deliver([field, up](Window& w) { w.user_spin(field, up); }); };
  }
  void refresh(ControlHost& host, int field, QWidget* widget) const override {
    auto* s = static_cast<SpinBox*>(widget);
    if (!(s->hasFocus() && s->modified())) s->set_shown(qs(host.model().state(field).shown));
  }
  bool take_typed(QWidget* widget, std::string* text) const override {
    auto* s = static_cast<SpinBox*>(widget);
    if (!s->modified()) return false;
    s->set_modified(false);
    *text = s->text_shown().toStdString();
    return true;
  }
};

class CheckAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int field) const override {
    return new QCheckBox(qs(host.model().control(field).text), host.area());
  }
  void connect(ControlHost& host, int field, QWidget* widget) const override {
    press_on_click(host, field, static_cast<QAbstractButton*>(widget));
  }
  void refresh(ControlHost& host, int field, QWidget* widget) const override {
    refresh_choice(host.model().state(field), static_cast<QAbstractButton*>(widget));
  }
};

class RadioAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int field) const override {
    auto* r = new QRadioButton(qs(host.model().control(field).text), host.area());
    // The option group's variable decides which radio shows chosen.
    r->setAutoExclusive(false);
    return r;
  }
  void connect(ControlHost& host, int field, QWidget* widget) const override {
    press_on_click(host, field, static_cast<QAbstractButton*>(widget));
  }
  void refresh(ControlHost& host, int field, QWidget* widget) const override {
    refresh_choice(host.model().state(field), static_cast<QAbstractButton*>(widget));
  }
};

// A group, and an option group with a caption: a box with the caption on
// its top edge. An option group without one draws nothing of its own.
class GroupAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int field) const override {
    const ControlDef& c = host.model().control(field);
    if (kind() == ControlKind::Option && c.text.empty()) return new QWidget(host.area());
    return new GroupBox(qs(c.text), host.area());
  }
  void refresh(ControlHost& host, int field, QWidget* widget) const override {
    const QString title = qs(host.model().state(field).text);
    if (auto* g = qobject_cast<QGroupBox*>(widget); g != nullptr && g->title() != title) g->setTitle(title);
  }
};

// A sheet shows its tabs as pages of a tab widget; a tab has no widget of its own.
class SheetAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int field) const override {
    const Window& w = host.model();
    auto* s = new QTabWidget(host.area());
    // Tabs as narrow as the platform's own, so a sheet's tabs fit its width.
    s->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 2px 5px; }"));
    for (int f = 1; f <= w.controls(); ++f) {
      const ControlDef& t = w.control(f);
      if (t.kind == ControlKind::Tab && t.parent == field) {
        auto* page = new QWidget();
        page->setProperty(kFieldProperty, f);
        s->addTab(page, qs(t.text));
      }
    }
    return s;
  }
  void connect(ControlHost& host, int field, QWidget* widget) const override {
    auto* s = static_cast<QTabWidget*>(widget);
    host.watch(field, s->tabBar());
    QObject::connect(s, &QTabWidget::currentChanged, host.area(), [&host, field, s](int index) {
      QWidget* page = s->widget(index);
      if (page == nullptr) return;
      const int tab = page->property(kFieldProperty).toInt();
      host.deliver_after_typing([field, tab](Window& w) { w.user_choose_tab(field, tab); });
    });
  }
  void refresh(ControlHost& host, int field, QWidget* widget) const override {
    auto* s = static_cast<QTabWidget*>(widget);
    const int selected = host.model().state(field).selected;
    for (int i = 0; i < s->count(); ++i) {
      const int tab = s->widget(i)->property(kFieldProperty).toInt();
      const ControlState& ts = host.model().state(tab);
      if (s->tabText(i) != qs(ts.text)) s->setTabText(i, qs(ts.text));
      s->setTabVisible(i, !ts.hidden);
      s->setTabEnabled(i, !ts.disabled);
      if (tab == selected && s->currentIndex() != i) s->setCurrentIndex(i);
    }
  }
  Layer layer() const override { return Layer::Bottom; }
};

class TabAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost&, int) const override { return nullptr; }
};

class ListAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int field) const override {
    const ControlDef& c = host.model().control(field);
    const values::Parsed<ListFormat> f = ListFormat::parse(c.format);
    return new ListControl(f.ok() ? *f : ListFormat{}, host.units(), c.tree, host.area());
  }
  void connect(ControlHost& host, int field, QWidget* widget) const override {
    auto* l = static_cast<ListControl*>(widget);
    host.watch(field, l->viewport());
    l->on_select = [&host, field](int row) {
      host.deliver([field, row](Window& w) { w.user_select_row(field, row); });
    };
    l->on_accept = [&host, field](int row) {
      host.deliver([field, row](Window& w) { w.user_accept_row(field, row); });
    };
    l->on_expand = [&host, field](int row, bool open) {
      host.deliver([field, row, open](Window& w) { w.user_expand(field, row, open); });
    };
    l->on_scroll = [&host, field](ScrollMove move, int thumb) {
      host.deliver([field, move, thumb](Window& w) { w.user_scroll(field, move, thumb); });
    };
    l->on_wheel = [&host, field](int rows) { host.deliver([field, rows](Window& w) { w.user_wheel(field, rows); }); };
  }
  void refresh(ControlHost& host, int field, QWidget* widget) const override {
    auto* l = static_cast<ListControl*>(widget);
    const ControlState& st = host.model().state(field);
    std::vector<std::vector<ListCell>> rows;
    if (st.list != nullptr) {
      const size_t n = st.list->rows();
      rows.reserve(n);
      for (size_t r = 0; r < n; ++r) rows.push_back(host.model().cells(field, r));
    }
    l->show_rows(rows, st.icons);
    l->show_paged(st.paged, st.thumb);
    l->show_selected(st.selected);
  }
  // The arrows move the selection as the window moves it; on a paged list
  // the keys that move past the rows shown are the window's too.
  KeyUse key_use(const ControlState& state, int keycode) const override {
    if (keycode == key::Up || keycode == key::Down) return KeyUse::Window;
    if (state.paged && is_paging_key(keycode)) return KeyUse::Window;
    return ControlAdapter::key_use(state, keycode);
  }
  // A right click selects the row under the mouse and reports the click.
  bool context_menu(ControlHost& host, int field, QWidget* widget, QWidget* part, QPoint at) const override {
    auto* l = static_cast<ListControl*>(widget);
    const int row = l->row_of(l->itemAt(l->viewport()->mapFrom(part, at)));
    if (row > 0) host.deliver([field, row](Window& w) { w.user_select_row(field, row, key::MouseRight); });
    return true;
  }
};

class ImageAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int) const override {
    auto* l = new QLabel(host.area());
    l->setAlignment(Qt::AlignCenter);
    return l;
  }
  void refresh(ControlHost& host, int field, QWidget* widget) const override {
    auto* l = static_cast<QLabel*>(widget);
    const ControlDef& c = host.model().control(field);
    const std::string& text = host.model().state(field).text;
    const std::string& name = text.empty() ? c.icon : text;
    const QString key = qs(name);
    if (l->property("qvn_picture").toString() == key) return;
    l->setProperty("qvn_picture", key);
    QPixmap p = picture(name);
    if (!p.isNull() && c.at.w > 0 && c.at.h > 0) p = p.scaled(l->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    l->setPixmap(p);
  }
};

class ProgressAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int field) const override {
    const ControlDef& c = host.model().control(field);
    auto* p = new QProgressBar(host.area());
    p->setTextVisible(false);
    if (c.range_high > c.range_low) {
      p->setRange(static_cast<int>(c.range_low), static_cast<int>(c.range_high));
    } else {
      p->setRange(0, 100);
    }
    return p;
  }
  void refresh(ControlHost& host, int field, QWidget* widget) const override {
    auto* p = static_cast<QProgressBar*>(widget);
    p->setValue(std::clamp(host.model().state(field).progress, p->minimum(), p->maximum()));
  }
};

class BoxAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int) const override {
    auto* f = new QFrame(host.area());
    f->setFrameStyle(QFrame::Box | QFrame::Plain);
    return f;
  }
};

class LineAdapter final : public ControlAdapter {
 public:
  using ControlAdapter::ControlAdapter;
  QWidget* make(ControlHost& host, int field) const override {
    const Rect& at = host.model().control(field).at;
    auto* f = new QFrame(host.area());
    f->setFrameStyle((at.w >= at.h ? QFrame::HLine : QFrame::VLine) | QFrame::Plain);
    return f;
  }
};

// One adapter per kind, in the order of ControlKind.
const ButtonAdapter kButton{ControlKind::Button};
const PromptAdapter kPrompt{ControlKind::Prompt};
const StringAdapter kString{ControlKind::String};
const EntryAdapter kEntry{ControlKind::Entry};
const TextAdapter kText{ControlKind::Text};
const SpinAdapter kSpin{ControlKind::Spin};
const CheckAdapter kCheck{ControlKind::Check};
const GroupAdapter kOption{ControlKind::Option};
const RadioAdapter kRadio{ControlKind::Radio};
const GroupAdapter kGroup{ControlKind::Group};
const SheetAdapter kSheet{ControlKind::Sheet};
const TabAdapter kTab{ControlKind::Tab};
const ListAdapter kList{ControlKind::List};
const ImageAdapter kImage{ControlKind::Image};
const ProgressAdapter kProgress{ControlKind::Progress};
const BoxAdapter kBox{ControlKind::Box};
const LineAdapter kLine{ControlKind::Line};

const std::array<const ControlAdapter*, 17> kAdapters = {
    &kButton, &kPrompt, &kString, &kEntry, &kText,  &kSpin,     &kCheck, &kOption, &kRadio,
    &kGroup,  &kSheet,  &kTab,    &kList,  &kImage, &kProgress, &kBox,   &kLine,
};
static_assert(kAdapters.size() == static_cast<size_t>(ControlKind::Line) + 1, "one adapter per kind");

}  // namespace

void ControlAdapter::placed(ControlHost&, int, QWidget*) const {}
void ControlAdapter::connect(ControlHost&, int, QWidget*) const {}
void ControlAdapter::refresh(ControlHost&, int, QWidget*) const {}
bool ControlAdapter::take_typed(QWidget*, std::string*) const { return false; }

ControlAdapter::KeyUse ControlAdapter::key_use(const ControlState&, int keycode) const {
  return keycode == key::Enter || keycode == key::Escape ? KeyUse::Window : KeyUse::Widget;
}

ControlAdapter::Layer ControlAdapter::layer() const { return traits(kind_).backdrop ? Layer::Behind : Layer::Over; }

void ControlAdapter::focus_left(ControlHost&, int) const {}
bool ControlAdapter::context_menu(ControlHost&, int, QWidget*, QWidget*, QPoint) const { return false; }

const ControlAdapter& adapter_for(ControlKind kind) {
  const ControlAdapter& a = *kAdapters[static_cast<size_t>(kind)];
  return a;
}

}  // namespace qvn::ui::qt
