#include "platform/ui/qt/pictures.h"

#include <QtCore/QFile>

#include <cctype>

// Resources of a static library are registered by hand.
static void register_pictures() { Q_INIT_RESOURCE(pictures); }

namespace qvn::ui::qt {

namespace {

QString resource_path(const std::string& key) {
  static const bool registered = (register_pictures(), true);
  (void)registered;
  return QStringLiteral(":/qvn/pictures/") + QString::fromStdString(key) + QStringLiteral(".png");
}

}  // namespace

std::string picture_key(std::string_view name) {
  size_t start = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' || name[i] == '/' || name[i] == ':' || name[i] == '~') start = i + 1;
  }
  std::string key;
  for (size_t i = start; i < name.size(); ++i) {
    key += static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
  }
  while (!key.empty() && key.back() == ' ') key.pop_back();
  // The extension goes, whether written with a dot or, as the resource names
  // of the platform spell it, with an underscore.
  for (const char* ext : {".ico", ".gif", ".png", ".bmp", ".jpg", "_ico", "_gif", "_png", "_bmp", "_jpg"}) {
    const std::string e(ext);
    if (key.size() > e.size() && key.compare(key.size() - e.size(), e.size(), e) == 0) {
      key.erase(key.size() - e.size());
      break;
    }
  }
  return key;
}

bool has_picture(std::string_view name) {
  const std::string key = picture_key(name);
  return !key.empty() && key != "unknown" && QFile::exists(resource_path(key));
}

QPixmap picture(std::string_view name) {
  const std::string key = picture_key(name);
  if (key.empty()) return QPixmap();
  QPixmap p(resource_path(key));
  if (p.isNull()) p = QPixmap(resource_path("unknown"));
  return p;
}

QIcon icon(std::string_view name) {
  const QPixmap p = picture(name);
  return p.isNull() ? QIcon() : QIcon(p);
}

}  // namespace qvn::ui::qt
