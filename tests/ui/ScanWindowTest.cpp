#include <thread>

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include "Fixtures.h"
#include "TempDir.h"
#include "UiTestSupport.h"
#include "app/windows/ScanProcessWnd.h"
#include "app/windows/WindowMessages.h"
#include "platform/Errors.h"

namespace keldrin {
namespace {

// Counts the window messages posted to it.
class Owner : public QWidget {
public:
    int scanDone = 0;
    void customEvent(QEvent* e) override {
        if (e->type() == CWindowMessageEvent::kType &&
            static_cast<CWindowMessageEvent*>(e)->message() == WM_SCAN_DONE)
            ++scanDone;
    }
};

class ScanWindow : public ::testing::Test {
protected:
    void SetUp() override {
        test::InstallLanguageFolder(dir_.path());
        owner_.resize(800, 500);
        owner_.show();
    }
    test::CTestEngine* AddEngine(std::vector<test::Report> reports, bool stepped) {
        source_.engines.push_back(std::make_unique<test::CTestEngine>(std::move(reports), stepped));
        return static_cast<test::CTestEngine*>(source_.engines.back().get());
    }
    std::unique_ptr<CScanProcessWnd> MakeWindow(std::vector<ScanTarget*> targets, int32_t deep) {
        auto w = std::make_unique<CScanProcessWnd>();
        w->SetEngineSource(&source_);
        for (ScanTarget* t : targets) w->AddTarget(t);
        w->SetDeep(deep);
        EXPECT_TRUE(w->Create(&owner_, CScanProcessWnd::kWidth, CScanProcessWnd::kHeight));
        return w;
    }
    static QString Msg(const char* key) { return CLanguageManager::Instance().Message(key); }

    test::TempDir dir_;
    Owner owner_;
    test::CTestEngineSource source_;
};

TEST_F(ScanWindow, ShowsUnitsSecondsAndSectorsThenCancelNoThenOk) {
    ScanTarget volume;
    volume.volume = ScanVolume{2, 2048, 4096, 0x1234};
    ScanTarget image, third;
    image.imagePath = "/cards/holiday.img";
    third.imagePath = "/cards/other.img";
    test::CTestEngine* first = AddEngine({{100, 100, 1, 10, 10, 1}}, false);
    test::CTestEngine* second = AddEngine(
        {{37, 100, 3661, 1200, 4800, 5}, {40, 100, -1, 0, 0, 0}, {50, 100, 59, 1, 2, 3},
         {60, 100, 1, 1, 2, 3}},
        true);
    AddEngine({{1, 100, 1, 1, 1, 1}}, false);
    auto window = MakeWindow({&volume, &image, &third}, 0);
    std::thread releaser;

    QTimer::singleShot(0, [&] {
        // The second target's first report.
        EXPECT_TRUE(test::WaitFor([&] { return second->Sent() == 1; }));
        EXPECT_TRUE(test::WaitFor([&] { return window->Text("percent") == Msg("MSG0704") + " 37%"; }));
        EXPECT_EQ(window->Find<QProgressBar>("progress")->value(), 37);
        EXPECT_EQ(window->Text("time"), Msg("MSG0708") + "1 Hour 1 Min");
        EXPECT_EQ(window->Text("sectors"), Msg("MSG0706") + " 1200 / 4800");
        EXPECT_EQ(window->Text("totalfile"), Msg("MSG0707") + " 5");
        EXPECT_TRUE(window->IsControlVisible("sectors"));
        EXPECT_EQ(window->Text("stage"), Msg("MSG0703") + " holiday.img");
        // No estimate and no sector count: the counts hide.
        second->Release();
        EXPECT_TRUE(test::WaitFor([&] { return window->Text("time") == Msg("MSG0705"); }));
        EXPECT_FALSE(window->IsControlVisible("sectors"));
        EXPECT_FALSE(window->IsControlVisible("totalfile"));
        // Cancel answered No: the scan goes on where it paused.
        QString asked;
        test::AnswerNextMessageBox("cancelbtn", &asked);
        QTest::mouseClick(window->FindControl("cancelbtn"), Qt::LeftButton);
        EXPECT_EQ(asked, Msg("MSG0709"));
        second->Release();
        EXPECT_TRUE(test::WaitFor([&] { return second->Sent() == 3; }));
        EXPECT_TRUE(test::WaitFor([&] { return window->Text("time") == Msg("MSG0708") + "59 Sec"; }));
        // Cancel answered OK while the engine waits: the click returns once the worker has
        // finished, after the engine's next report answered the cancel code.
        test::AnswerNextMessageBox("okbtn");
        releaser = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            second->Release();
        });
        QTest::mouseClick(window->FindControl("cancelbtn"), Qt::LeftButton);
        EXPECT_TRUE(window->WorkerFinished());
    });
    EXPECT_EQ(window->ShowModal(), CScanProcessWnd::kResultDone);
    if (releaser.joinable()) releaser.join();
    QTest::qWait(20);
    EXPECT_EQ(second->scanResult.load(), kCancelCode);
    EXPECT_EQ(second->Sent(), 4);
    EXPECT_EQ(first->Sent(), 1);
    EXPECT_EQ(source_.opened.load(), 2);  // the third target was never started
    EXPECT_EQ(source_.newFolders.load(), 2);  // a fresh log folder before each fast scan
    EXPECT_EQ(owner_.scanDone, 1);
    EXPECT_EQ(volume.engine.get(), static_cast<IFileRecoveryParse*>(first));
}

TEST_F(ScanWindow, NoEngineClosesWithThreeAndPostsNothing) {
    ScanTarget image;
    image.imagePath = "/cards/x.img";
    auto window = MakeWindow({&image}, 1);
    EXPECT_EQ(window->ShowModal(), CScanProcessWnd::kResultNoEngine);
    QTest::qWait(20);
    EXPECT_EQ(owner_.scanDone, 0);
}

TEST_F(ScanWindow, EarlierDeepScanIsAskedAndDiscardedOnNo) {
    ScanTarget image;
    image.imagePath = "/cards/x.img";
    AddEngine({{100, 100, 0, 0, 0, 0}}, false);
    AddEngine({{100, 100, 0, 0, 0, 0}}, false);
    source_.earlierScan = true;
    QString asked;
    test::AnswerNextMessageBox("cancelbtn", &asked);
    EXPECT_EQ(MakeWindow({&image}, 1)->ShowModal(), 1);
    EXPECT_EQ(asked, Msg("MSG1206"));
    EXPECT_EQ(source_.discarded.load(), 1);
    EXPECT_EQ(source_.newFolders.load(), 0);  // a deep scan keeps its folder
    test::AnswerNextMessageBox("okbtn");
    EXPECT_EQ(MakeWindow({&image}, 1)->ShowModal(), 1);
    EXPECT_EQ(source_.discarded.load(), 1);
}

TEST(ScanWindowText, TimeLeft) {
    const std::pair<int64_t, const char*> cases[] = {
        {-1, "-1 Sec"},  {0, "0 Sec"},           {59, "59 Sec"},          {60, "1 Min 0 Sec"},
        {3599, "59 Min 59 Sec"}, {3600, "1 Hour 0 Min"}, {3661, "1 Hour 1 Min"},
        {360000, "100 Hour 0 Min"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(CScanProcessWnd::TimeLeftText(seconds), text) << seconds;
}

TEST_F(ScanWindow, RealFastScanOfAFatImage) {
    if (!test::HaveTool("mkfs.fat") || !test::HaveTool("mcopy")) GTEST_SKIP() << "no mtools";
    const std::string img = (dir_ / "card.img").string();
    ASSERT_TRUE(test::RunOrFail("mkfs.fat -C -F 12 " + test::ShellQuote(img) + " 4096 >/dev/null"));
    test::WriteWholeFile(dir_ / "a.txt", test::PseudoRandomBytes(5000, 1));
    ASSERT_TRUE(test::RunOrFail("mcopy -i " + test::ShellQuote(img) + " " +
                                test::ShellQuote((dir_ / "a.txt").string()) + " ::/A.TXT"));
    ASSERT_TRUE(test::RunOrFail("mdel -i " + test::ShellQuote(img) + " ::/A.TXT"));
    ScanTarget target;
    target.imagePath = img;
    target.imageNumber = 1001;
    CScanProcessWnd window;  // the factory and the catalogue behind it
    window.AddTarget(&target);
    window.SetDeep(0);
    ASSERT_TRUE(window.Create(&owner_, CScanProcessWnd::kWidth, CScanProcessWnd::kHeight));
    EXPECT_EQ(window.ShowModal(), 1);
    ASSERT_NE(target.engine, nullptr);
    EXPECT_GE(target.engine->GetResultCount(), 1u);
    QTest::qWait(20);
    EXPECT_EQ(owner_.scanDone, 1);
}

}  // namespace
}  // namespace keldrin
