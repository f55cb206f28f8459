#pragma once
#include <QIcon>

// Pictures of the main window's tool buttons, drawn in code at one, two and
// three times their size so they stay sharp on scaled screens (the desktop
// theme's icon is preferred where it has one).
enum class ToolPicture {
  New,
  Open,
  Cut,
  Copy,
  Paste,
  Cascade,
  TileHorizontally,
  TileVertically,
  Connect,
  Disconnect,
  Settings
};

QIcon ToolIcon(ToolPicture picture);
