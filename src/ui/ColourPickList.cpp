#include "ui/ColourPickList.h"

#include <QPixmap>
#include <iterator>

#include "datawindow/CellColour.h"

namespace {

struct SystemRole {
  QPalette::ColorGroup Group;
  QPalette::ColorRole Role;
};

// The nearest palette role for each platform system colour, by its number.
constexpr SystemRole kRoles[] = {
    {QPalette::Active, QPalette::Button},             // scroll bar
    {QPalette::Active, QPalette::Dark},               // desktop
    {QPalette::Active, QPalette::Highlight},          // active caption
    {QPalette::Inactive, QPalette::Highlight},        // inactive caption
    {QPalette::Active, QPalette::Window},             // menu
    {QPalette::Active, QPalette::Base},               // window
    {QPalette::Active, QPalette::Shadow},             // window frame
    {QPalette::Active, QPalette::WindowText},         // menu text
    {QPalette::Active, QPalette::Text},               // window text
    {QPalette::Active, QPalette::HighlightedText},    // caption text
    {QPalette::Active, QPalette::Window},             // active border
    {QPalette::Inactive, QPalette::Window},           // inactive border
    {QPalette::Active, QPalette::Dark},               // application workspace
    {QPalette::Active, QPalette::Highlight},          // highlight
    {QPalette::Active, QPalette::HighlightedText},    // highlight text
    {QPalette::Active, QPalette::Button},             // button face
    {QPalette::Active, QPalette::Dark},               // button shadow
    {QPalette::Disabled, QPalette::Text},             // grey text
    {QPalette::Active, QPalette::ButtonText},         // button text
    {QPalette::Inactive, QPalette::HighlightedText},  // inactive caption text
    {QPalette::Active, QPalette::Light},              // button highlight
    {QPalette::Active, QPalette::Shadow},             // 3D dark shadow
    {QPalette::Active, QPalette::Midlight},           // 3D light
    {QPalette::Active, QPalette::ToolTipText},        // info text
    {QPalette::Active, QPalette::ToolTipBase},        // info background
    {QPalette::Active, QPalette::Window},             // (unused number)
    {QPalette::Active, QPalette::Link},               // hot light
    {QPalette::Active, QPalette::Highlight},          // gradient active caption
    {QPalette::Inactive, QPalette::Highlight},        // gradient inactive caption
    {QPalette::Active, QPalette::Highlight},          // menu highlight
    {QPalette::Active, QPalette::Window},             // menu bar
};

SystemRole RoleOf(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kRoles))) {
    return {QPalette::Active, QPalette::Window};
  }
  return kRoles[index];
}

QPixmap Swatch(const QColor& colour) {
  QPixmap pixmap(16, 12);
  pixmap.fill(colour);
  return pixmap;
}

}  // namespace

QColor ColourToQColor(int32_t colour, const QPalette& palette) {
  if (mms::IsSystemColor(colour)) {
    const SystemRole role = RoleOf(mms::SystemColorIndex(colour));
    return palette.color(role.Group, role.Role);
  }
  const mms::Rgb rgb = mms::RgbOf(colour);
  return QColor(rgb.Red, rgb.Green, rgb.Blue);
}

int32_t QColorToColour(const QColor& colour) {
  const QColor rgb = colour.toRgb();
  return mms::ColorFromRgb(static_cast<uint8_t>(rgb.red()), static_cast<uint8_t>(rgb.green()),
                           static_cast<uint8_t>(rgb.blue()));
}

ColourPickList::ColourPickList(QWidget* parent) : QComboBox(parent) {
  for (mms::ColorGroup group :
       {mms::ColorGroup::Standard, mms::ColorGroup::Extended, mms::ColorGroup::System}) {
    int count = 0;
    const mms::NamedColor* list = mms::ColorList(group, &count);
    for (int i = 0; i < count; ++i) AddEntry(QString::fromUtf8(list[i].Name), list[i].Value);
  }
  setCurrentIndex(0);
}

void ColourPickList::AddEntry(const QString& name, int32_t colour) {
  addItem(QIcon(Swatch(ColourToQColor(colour, palette()))), name, QVariant::fromValue(colour));
}

int32_t ColourPickList::Colour() const {
  const QVariant data = currentData();
  return data.isValid() ? data.value<int32_t>() : mms::kColorBlack;
}

void ColourPickList::SetColour(int32_t colour) {
  int index = findData(QVariant::fromValue(colour));
  if (index < 0) {
    const mms::Rgb rgb = mms::RgbOf(colour);
    const QString name = QString::asprintf("Custom (#%02X%02X%02X)", rgb.Red, rgb.Green, rgb.Blue);
    const QIcon icon(Swatch(ColourToQColor(colour, palette())));
    if (customIndex_ < 0) {
      addItem(icon, name, QVariant::fromValue(colour));
      customIndex_ = count() - 1;
    } else {
      setItemText(customIndex_, name);
      setItemIcon(customIndex_, icon);
      setItemData(customIndex_, QVariant::fromValue(colour));
    }
    index = customIndex_;
  }
  setCurrentIndex(index);
}
