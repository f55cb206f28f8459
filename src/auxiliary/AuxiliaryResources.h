#pragma once

// Registers the resources of the auxiliary windows (picture, licence text).
// They live in a static library, so nothing would pull them in otherwise.
void InitAuxiliaryResources();
