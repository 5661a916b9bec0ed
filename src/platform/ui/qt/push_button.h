#pragma once
// A push button whose text is fitted to the size its window structure gives
// it. The structures were laid out for the platform's own face; where the
// face that stands in needs more room, the text first gets a smaller size
// (down to 7 points), then is broken onto two lines where the button is
// tall enough for them, and only then loses the button's icon and is cut
// at its end, so that its start stays readable.

#include <QtGui/QIcon>
#include <QtWidgets/QPushButton>

namespace qvn::ui::qt {

class PushButton final : public QPushButton {
 public:
  explicit PushButton(QWidget* parent = nullptr);

  // The icon the button shows while its text leaves room for it.
  void set_picture(const QIcon& icon);
  // Shows the text, fitted to the button's present size, starting from the
  // control's font.
  void fit(const QString& text, const QFont& font);
  // The text as it shows, mnemonic marks kept: one line, or two where it
  // was broken.
  const QStringList& lines() const { return lines_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect contents() const;
  int room() const;
  bool fits(const QStringList& lines, const QFont& font) const;
  bool fit_in_sizes(const QStringList& lines, const QFont& font);

  QIcon picture_;
  QStringList lines_;
};

}  // namespace qvn::ui::qt
