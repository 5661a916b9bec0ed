#pragma once
// The program's icons and pictures, carried as resources. Windows name them
// as files of the platform they were written for ("C:\ICONS\INVOICE.ICO",
// "~open.ico", "QUILL_ICO"); a name finds its picture by its base name
// without regard to case, folder or extension.

#include <QtGui/QIcon>
#include <QtGui/QPixmap>

#include <string>
#include <string_view>

namespace qvn::ui::qt {

// The base name a picture name is looked up by: "C:\ICONS\INVOICE.ICO" and
// "~invoice.ico" give "invoice", "C:\ICONS\DELETE_ICO" gives "delete".
std::string picture_key(std::string_view name);

// True when the program carries a picture for the name.
bool has_picture(std::string_view name);

// The picture for a name; an unknown name gives a plainly visible stand-in,
// an empty name a null pixmap.
QPixmap picture(std::string_view name);
QIcon icon(std::string_view name);

}  // namespace qvn::ui::qt
