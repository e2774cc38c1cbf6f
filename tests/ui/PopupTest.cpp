#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "TempDir.h"
#include "UiTestSupport.h"
#include "app/windows/AboutWnd.h"
#include "app/windows/MessageBox.h"
#include "app/windows/ScanProcessWnd.h"

namespace keldrin {
namespace {

class Popups : public ::testing::Test {
protected:
    void SetUp() override { test::InstallLanguageFolder(dir_.path()); }
    test::TempDir dir_;
};

TEST_F(Popups, MessageBoxKindsPickLayoutTitleAndButtons) {
    struct Case { int kind; const char* title; bool hasCancel; const char* cancelText; } cases[] = {
        {0, "Error", false, ""},          {1, "Confirm", true, "Cancel"},
        {2, "Information", false, ""},    {3, "Warning", false, ""},
        {4, "Question", true, "No"},      {7, "Error", false, ""},
        {-1, "Error", false, ""},
    };
    for (const Case& c : cases) {
        CMessageBox box;
        ASSERT_TRUE(box.Build(c.kind, nullptr, "hello"));
        box.show();
        QTest::qWait(20);  // windowinit applies the button texts
        EXPECT_EQ(box.Text("title"), c.title) << c.kind;
        EXPECT_EQ(box.Text("message"), "hello");
        EXPECT_EQ(box.size(), QSize(400, 160));
        EXPECT_NE(box.FindControl("okbtn"), nullptr);
        EXPECT_EQ(box.FindControl("cancelbtn") != nullptr, c.hasCancel) << c.kind;
        if (c.hasCancel) EXPECT_EQ(box.Text("cancelbtn"), c.cancelText);
    }
}

TEST_F(Popups, MessageBoxResults) {
    test::AnswerNextMessageBox("okbtn");
    EXPECT_EQ(CMessageBox::Show(CMessageBox::kQuestion, nullptr, "q"), 1);
    test::AnswerNextMessageBox("cancelbtn");
    EXPECT_EQ(CMessageBox::Show(CMessageBox::kQuestion, nullptr, "q"), 2);
    test::AnswerNextMessageBox("closebtn");
    EXPECT_EQ(CMessageBox::Show(CMessageBox::kConfirm, nullptr, "q"), 2);
    QTimer::singleShot(50, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<CMessageBox*>(w) && w->isVisible()) QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_EQ(CMessageBox::Show(CMessageBox::kInformation, nullptr, "q"), 2);
}

TEST_F(Popups, EscapeClosesAPopupButNotTheScanWindow) {
    CAboutWnd about;
    ASSERT_TRUE(about.Create(nullptr, CAboutWnd::kWidth, CAboutWnd::kHeight));
    QTimer::singleShot(50, [&] { QTest::keyClick(&about, Qt::Key_Escape); });
    EXPECT_EQ(about.ShowModal(), 2);
    EXPECT_FALSE(about.Text("version").isEmpty());

    test::CTestEngineSource source;
    source.engines.push_back(std::make_unique<test::CTestEngine>(
        std::vector<test::Report>{{10, 100, 5, 1, 10, 0}}, true));
    auto* engine = static_cast<test::CTestEngine*>(source.engines[0].get());
    ScanTarget target;
    target.imagePath = "/nowhere/card.img";
    CScanProcessWnd scan;
    scan.SetEngineSource(&source);
    scan.AddTarget(&target);
    ASSERT_TRUE(scan.Create(nullptr, CScanProcessWnd::kWidth, CScanProcessWnd::kHeight));
    QTimer::singleShot(100, [&] {
        QTest::keyClick(&scan, Qt::Key_Escape);
        QTest::qWait(50);
        EXPECT_TRUE(scan.isVisible());
        engine->Release();
    });
    EXPECT_EQ(scan.ShowModal(), 1);
}

TEST_F(Popups, CaptionDragsExceptOverButtons) {
    CAboutWnd about;
    ASSERT_TRUE(about.Create(nullptr, CAboutWnd::kWidth, CAboutWnd::kHeight));
    about.show();
    QTest::qWait(20);
    EXPECT_TRUE(about.IsCaptionPoint(QPoint(20, 10)));
    QWidget* close = about.FindControl("closebtn");
    ASSERT_NE(close, nullptr);
    EXPECT_FALSE(about.IsCaptionPoint(close->mapTo(&about, QPoint(5, 5))));
    EXPECT_FALSE(about.IsCaptionPoint(QPoint(20, 100)));
    const QPoint before = about.pos();
    QTest::mousePress(&about, Qt::LeftButton, {}, QPoint(40, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(90, 40), about.mapToGlobal(QPointF(90, 40)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&about, &move);
    QTest::mouseRelease(&about, Qt::LeftButton, {}, QPoint(90, 40));
    EXPECT_EQ(about.pos() - before, QPoint(50, 30));
}

}  // namespace
}  // namespace keldrin
