#pragma once

#include <QIcon>

// Registers the resources of the auxiliary windows (picture, licence text,
// the program's icon). They live in a static library, so nothing would pull
// them in otherwise.
void InitAuxiliaryResources();

// The program's own icon, in every size it is drawn in, so it stays sharp
// at any scale.
QIcon ProgramIcon();
