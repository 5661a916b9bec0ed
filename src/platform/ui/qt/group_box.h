#pragma once
// A group box with its caption where the platform puts it: on the group's
// top edge, the frame's top line running through the middle of the
// caption's capitals. The style's own box stacks a whole line of the face
// above the frame instead; with the taller line of the faces that stand in,
// the caption reached down over the controls the window structure places
// just under it.

#include <QtWidgets/QGroupBox>

namespace qvn::ui::qt {

class GroupBox final : public QGroupBox {
 public:
  explicit GroupBox(const QString& title, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Where the caption's text is drawn, in the box's own pixels; empty
  // without a caption.
  QRect caption_rect() const;
};

}  // namespace qvn::ui::qt
