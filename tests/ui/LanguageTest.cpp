#include <fstream>

#include <gtest/gtest.h>

#include <QTest>

#include "TempDir.h"
#include "UiTestSupport.h"
#include "app/FormatText.h"
#include "app/LanguageManager.h"
#include "app/ProfileFile.h"
#include "app/windows/MainWnd.h"

namespace keldrin {
namespace {

void Write(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(LanguageStore, FollowsTheProfileRules) {
    test::TempDir dir;
    Write(dir / "config.ini",
          "[DefaultLanguage]\nDefault=Test\n[Languages]\nTest=Test language\nOther\n");
    Write(dir / "Languages/Test.ini",
          "[Messages]\nMSG0101=a=b=c\nMSG0102=first\nMSG0102=second\n[MainWnd]\nBtnScan=Go\n"
          "[Messages]\nMSG0103=from a repeated section\n");
    CLanguageManager language({dir.path(), dir / "user"});
    language.Load();
    EXPECT_EQ(language.CurrentLanguage(), "Test");
    ASSERT_EQ(language.Languages().size(), 2);
    EXPECT_EQ(language.Languages()[0], qMakePair(QString("Test"), QString("Test language")));
    EXPECT_EQ(language.Languages()[1], qMakePair(QString("Other"), QString("Other")));
    EXPECT_EQ(language.Message("MSG0101"), "a=b=c");  // the first "=" splits
    EXPECT_EQ(language.Message("MSG0102"), "first");         // the first duplicate wins
    EXPECT_EQ(language.Message("MSG0103"), "");              // a missing key is empty
    EXPECT_EQ(language.Message("MSG9999"), "");
    EXPECT_EQ(language.Section("MainWnd").value("BtnScan"), "Go");
    EXPECT_TRUE(language.Section("NoSuchWindow").isEmpty());
}

TEST(LanguageStore, MissingFilesGiveEnglishAndEmptyTexts) {
    test::TempDir dir;
    CLanguageManager language({dir.path(), dir / "user"});
    language.Load();
    EXPECT_EQ(language.CurrentLanguage(), "English");
    EXPECT_TRUE(language.Languages().isEmpty());
    EXPECT_EQ(language.Message("MSG0401"), "");
}

TEST(LanguageStore, MissingLanguageFileLeavesTheLayoutTexts) {
    test::TempDir dir;
    Write(dir / "config.ini", "[DefaultLanguage]\nDefault=Klingon\n");
    CLanguageManager::InstallInstance(
        std::make_unique<CLanguageManager>(CLanguageManager::Folders{dir.path(), dir / "user"}));
    CMainWnd window;
    ASSERT_TRUE(window.Create());
    window.show();
    QTest::qWait(50);
    EXPECT_EQ(window.Text("BtnScan"), "Scan");  // the layout's own text
    EXPECT_EQ(window.Text("LblProductName"), "");
}

TEST(LanguageStore, ChangeRewritesConfigAndEveryTextOfTheMainWindow) {
    test::TempDir dir;
    test::InstallLanguageFolder(dir.path());
    CMainWnd window;
    ASSERT_TRUE(window.Create());
    window.show();
    QTest::qWait(50);
    EXPECT_EQ(window.Text("BtnScan"), "Scan");
    EXPECT_EQ(window.Text("PhotoTitle"), "Photos");
    window.OpenAssistMenu();
    ASSERT_NE(window.AssistMenu(), nullptr);
    auto* german = window.AssistMenu()->findChild<QAction*>("German");
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(german->text(), "Deutsch");
    german->trigger();
    QTest::qWait(50);  // WM_LANGUAGE_CHANGED is posted
    EXPECT_NE(Read(dir / "config.ini").find("Default=German"), std::string::npos);
    EXPECT_NE(Read(dir / "config.ini").find("German=Deutsch"), std::string::npos);
    EXPECT_EQ(CLanguageManager::Instance().CurrentLanguage(), "German");
    EXPECT_EQ(window.Text("BtnScan"), "Durchsuchen");
    EXPECT_EQ(window.Text("PhotoTitle"), "Fotos");
    EXPECT_EQ(window.Text("BtnStart"), "Suche starten");
    window.ShowPage(1);
    EXPECT_EQ(window.Text("Txt1"), CLanguageManager::Instance().Message("MSG0501"));
}

TEST(LanguageStore, UnwritableProgramFolderWritesThePerUserConfig) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes to read-only folders";
    test::TempDir dir;
    test::InstallLanguageFolder(dir.path());
    std::filesystem::permissions(dir / "config.ini", std::filesystem::perms::owner_read);
    EXPECT_TRUE(CLanguageManager::Instance().ChangeLanguage("German"));
    EXPECT_NE(Read(dir / "user/config.ini").find("Default=German"), std::string::npos);
    EXPECT_EQ(CLanguageManager::Instance().CurrentLanguage(), "German");
}

// The texts each Part formats, with the arguments it passes; every other message holds no
// conversion at all.
TEST(LanguageFiles, EveryFormatAcceptsExactlyItsArguments) {
    const std::map<QString, QString> formats = {
        {"MSG0701", "c"}, {"MSG0702", "i"}, {"MSG0802", "s"}, {"MSG0804", "si"},
        {"MSG1102", "iiii"}, {"MSG1201", "c"}, {"MSG1202", "i"}, {"MSG1203", "s"},
    };
    QStringList keys;
    for (int group : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})
        for (int n = 1; n <= 26; ++n) keys << QString("MSG%1%2").arg(group, 2, 10, QChar('0')).arg(n, 2, 10, QChar('0'));
    const QStringList required = {
        "MSG0101", "MSG0104", "MSG0202", "MSG0214", "MSG0216", "MSG0221", "MSG0301", "MSG0306",
        "MSG0401", "MSG0405", "MSG0501", "MSG0505", "MSG0601", "MSG0602", "MSG0701", "MSG0709",
        "MSG0801", "MSG0805", "MSG0807", "MSG0812", "MSG0901", "MSG0905", "MSG1005", "MSG1101",
        "MSG1103", "MSG1201", "MSG1207", "MSG1209", "MSG1212", "MSG1226"};
    const std::filesystem::path folder = std::filesystem::path(KELDRIN_APP_RESOURCES) / "Languages";
    for (const char* file : {"English.ini", "German.ini"}) {
        CProfileFile profile;
        ASSERT_TRUE(profile.Load(folder / file)) << file;
        const CProfileFile::Section* messages = profile.FindSection("Messages");
        ASSERT_NE(messages, nullptr);
        for (const QString& key : required)
            EXPECT_FALSE(profile.GetString("Messages", key).isEmpty()) << file << " " << key.toStdString();
        for (const CProfileFile::Line& line : messages->lines) {
            QString kinds;
            ASSERT_TRUE(FormatConversions(line.value, &kinds)) << file << " " << line.key.toStdString();
            const auto it = formats.find(line.key);
            EXPECT_EQ(kinds, it == formats.end() ? QString() : it->second)
                << file << " " << line.key.toStdString();
        }
        for (const char* section : {"MainWnd", "MessageBox", "MenuWnd", "ScanWnd",
                                    "SearchProcessWnd", "RecoverProcessWnd", "PreviewProcessWnd",
                                    "CreateImageWnd"})
            EXPECT_NE(profile.FindSection(section), nullptr) << file << " " << section;
    }
}

TEST(FormatText, SurvivesTextsThatDoNotMatchTheirArguments) {
    EXPECT_EQ(FormatText("Drive %c: now", {QChar('E')}), "Drive E: now");
    EXPECT_EQ(FormatText("%d of %d: %d ok, %d failed", {1, 2, 1, 0}), "1 of 2: 1 ok, 0 failed");
    EXPECT_EQ(FormatText("%s in %d", {QString("3.00 KB"), 3}), "3.00 KB in 3");
    EXPECT_EQ(FormatText("%s %s %n %p %%", {QString("only one")}), "only one  %n %p %");
    EXPECT_EQ(FormatText("%d", {QString("text")}), "text");
    EXPECT_EQ(FormatText("%I64u/%05d", {42ull, 7}), "42/00007");
}

TEST(ProfileFile, WriteKeepsOtherLinesAndAddsMissingSections) {
    test::TempDir dir;
    Write(dir / "a.ini", "; comment\n[DefaultLanguage]\nDefault=English\n[Languages]\nEnglish=E\n");
    ASSERT_TRUE(CProfileFile::WriteString(dir / "a.ini", "defaultlanguage", "default", "German"));
    ASSERT_TRUE(CProfileFile::WriteString(dir / "a.ini", "New", "Key", "v"));
    EXPECT_EQ(Read(dir / "a.ini"),
              "; comment\n[DefaultLanguage]\ndefault=German\n[Languages]\nEnglish=E\n\n[New]\nKey=v\n");
}

}  // namespace
}  // namespace keldrin
