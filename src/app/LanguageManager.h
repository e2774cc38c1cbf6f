// The texts of the current language: "config.ini" names the language and lists the languages,
// "Languages/<name>.ini" holds one table of texts per window section and the message texts in
// "Messages". A missing key gives an empty text, never the key. One instance for the process,
// loaded and changed on the interface thread only; tables fetched before a change belong to the
// old texts and are fetched again after it.
#pragma once

#include <filesystem>
#include <memory>

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

namespace keldrin {

using TextTable = QMap<QString, QString>;

class CLanguageManager {
public:
    struct Folders {
        std::filesystem::path program;     // holds config.ini and Languages/
        std::filesystem::path userConfig;  // the per-user config.ini, read before the program's
    };

    explicit CLanguageManager(Folders folders);

    // The process instance, made and loaded on first use from the program folder (or the folder
    // KELDRIN_CONFIG_DIR names) and the per-user configuration folder.
    static CLanguageManager& Instance();
    // Replaces the process instance (start-up options and tests); it is loaded here.
    static void InstallInstance(std::unique_ptr<CLanguageManager> manager);

    void Load();
    void Reload();

    // The section's table; an empty table for a section that is not there.
    const TextTable& Section(const QString& name) const;
    static QString Text(const TextTable& table, const QString& key);
    QString Message(const QString& key) const { return Text(Section("Messages"), key); }

    const QString& CurrentLanguage() const { return current_; }
    const QList<QPair<QString, QString>>& Languages() const { return languages_; }

    // Writes the language as "Default" of "DefaultLanguage" (beside the program, or in the
    // per-user file when the program folder is not writable), reads it back and reloads the
    // texts. False when it could not be written.
    bool ChangeLanguage(const QString& name);

    std::filesystem::path ConfigPath() const { return folders_.program / "config.ini"; }
    std::filesystem::path UserConfigPath() const { return folders_.userConfig / "config.ini"; }
    std::filesystem::path LanguagesFolder() const { return folders_.program / "Languages"; }
    std::filesystem::path LanguageFile() const;

    static constexpr int kMaxLanguageName = 63;
    static constexpr int kMaxLanguageLine = 127;

private:
    void ReadCurrentLanguage();
    bool ProgramConfigWritable() const;

    Folders folders_;
    QString current_;
    QList<QPair<QString, QString>> languages_;
    QMap<QString, TextTable> texts_;
};

}  // namespace keldrin
