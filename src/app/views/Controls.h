// Registers the program's own controls with the layout loader: "CDiskListUI", "CFileTreeUI"
// and "CButtonExUI". Call once on the interface thread before the first window is built.
#pragma once

namespace keldrin {

void RegisterViewControls();

}  // namespace keldrin
