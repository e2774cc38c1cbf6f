// The desktop tests run under the offscreen platform with the program's skin and controls.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <QApplication>

#include "app/views/Controls.h"
#include "ui/Skin.h"

int main(int argc, char** argv) {
    // Scan logs, per-user configuration and the instance lock of the tests stay in a folder of
    // their own.
    char folder[] = "/tmp/keldrin-ui-tests-XXXXXX";
    if (mkdtemp(folder)) {
        const std::string base = folder;
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"})
            setenv(name, (base + "/" + name).c_str(), 1);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    keldrin::ui::ApplySkin(app);
    keldrin::RegisterViewControls();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
