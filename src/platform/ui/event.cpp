#include "platform/ui/event.h"

namespace qvn::ui {

bool is_window_event(Event e) { return e >= Event::OpenWindow; }

const char* event_name(Event e) {
  switch (e) {
    case Event::None: return "None";
    case Event::Accepted: return "Accepted";
    case Event::NewSelection: return "NewSelection";
    case Event::ScrollUp: return "ScrollUp";
    case Event::ScrollDown: return "ScrollDown";
    case Event::PageUp: return "PageUp";
    case Event::PageDown: return "PageDown";
    case Event::ScrollTop: return "ScrollTop";
    case Event::ScrollBottom: return "ScrollBottom";
    case Event::ScrollDrag: return "ScrollDrag";
    case Event::Selected: return "Selected";
    case Event::Rejected: return "Rejected";
    case Event::Expanding: return "Expanding";
    case Event::Contracting: return "Contracting";
    case Event::Expanded: return "Expanded";
    case Event::Contracted: return "Contracted";
    case Event::AlertKey: return "AlertKey";
    case Event::PreAlertKey: return "PreAlertKey";
    case Event::TabChanging: return "TabChanging";
    case Event::Locate: return "Locate";
    case Event::OpenWindow: return "OpenWindow";
    case Event::CloseWindow: return "CloseWindow";
    case Event::CloseDown: return "CloseDown";
    case Event::GainFocus: return "GainFocus";
    case Event::LoseFocus: return "LoseFocus";
    case Event::Timer: return "Timer";
    case Event::Completed: return "Completed";
    case Event::Sized: return "Sized";
    case Event::Moved: return "Moved";
    case Event::FolderChanged: return "FolderChanged";
  }
  return "?";
}

}  // namespace qvn::ui
