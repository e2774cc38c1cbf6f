#include "app/views/Controls.h"

#include "app/views/ButtonExUI.h"
#include "app/views/DiskListUI.h"
#include "app/views/FileTreeUI.h"
#include "ui/UiLoader.h"

namespace keldrin {

void RegisterViewControls() {
    ui::RegisterControlClass("CDiskListUI", [](QWidget* p) { return new CDiskListUI(p); });
    ui::RegisterControlClass("CFileTreeUI", [](QWidget* p) { return new CFileTreeUI(p); });
    ui::RegisterControlClass("CButtonExUI", [](QWidget* p) { return new CButtonExUI(p); });
}

}  // namespace keldrin
