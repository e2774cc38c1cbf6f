#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

#include "TempDir.h"
#include "app/SingleInstance.h"

namespace keldrin {
namespace {

TEST(SingleInstance, SecondProcessShowsTheFirstAndExitsZero) {
    test::TempDir dir;
    CSingleInstance first(dir.path());
    ASSERT_TRUE(first.Acquire());
    int shown = 0;
    ASSERT_TRUE(first.Listen([&] { ++shown; }));
    CSingleInstance again(dir.path());
    EXPECT_FALSE(again.Acquire());  // the lock is held

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.path().string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    second.setProcessEnvironment(env);
    second.start(KELDRIN_GUI_PATH, {});
    ASSERT_TRUE(second.waitForStarted(5000));
    for (int i = 0; i < 1000 && second.state() != QProcess::NotRunning; ++i) QTest::qWait(10);
    ASSERT_EQ(second.state(), QProcess::NotRunning) << "the second copy kept running";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(shown, 1);
}

}  // namespace
}  // namespace keldrin
