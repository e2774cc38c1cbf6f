#include "app/LanguageManager.h"

#include <unistd.h>

#include <system_error>

#include "app/ProfileFile.h"
#include "platform/AppPaths.h"

namespace keldrin {
namespace {

std::unique_ptr<CLanguageManager>& InstanceSlot() {
    static std::unique_ptr<CLanguageManager> instance;
    return instance;
}

const TextTable& EmptyTable() {
    static const TextTable empty;
    return empty;
}

}  // namespace

CLanguageManager::CLanguageManager(Folders folders) : folders_(std::move(folders)) {}

CLanguageManager& CLanguageManager::Instance() {
    auto& slot = InstanceSlot();
    if (!slot) {
        Folders folders;
        const char* dir = std::getenv("KELDRIN_CONFIG_DIR");
        folders.program = dir && *dir ? std::filesystem::path(dir) : ProgramFolder();
        folders.userConfig = UserConfigFolder();
        slot = std::make_unique<CLanguageManager>(std::move(folders));
        slot->Load();
    }
    return *slot;
}

void CLanguageManager::InstallInstance(std::unique_ptr<CLanguageManager> manager) {
    if (manager) manager->Load();
    InstanceSlot() = std::move(manager);
}

void CLanguageManager::ReadCurrentLanguage() {
    CProfileFile user;
    CProfileFile program;
    user.Load(UserConfigPath());
    program.Load(ConfigPath());
    const CProfileFile& source = user.Contains("DefaultLanguage", "Default") ? user : program;
    current_ = source.GetString("DefaultLanguage", "Default", "English", kMaxLanguageName);
    if (current_.isEmpty()) current_ = "English";
}

void CLanguageManager::Load() {
    ReadCurrentLanguage();
    languages_.clear();
    CProfileFile user;
    CProfileFile program;
    user.Load(UserConfigPath());
    program.Load(ConfigPath());
    const CProfileFile::Section* list = user.FindSection("Languages");
    if (!list || list->lines.isEmpty()) list = program.FindSection("Languages");
    if (list)
        for (const CProfileFile::Line& line : list->lines)
            languages_.append({line.key.left(kMaxLanguageLine), line.value.left(kMaxLanguageLine)});
    Reload();
}

std::filesystem::path CLanguageManager::LanguageFile() const {
    return LanguagesFolder() / (current_.toStdString() + ".ini");
}

void CLanguageManager::Reload() {
    texts_.clear();
    // A language name is a file's base name: one with a path separator names no file here.
    if (current_.contains('/') || current_ == ".." || current_ == ".") return;
    CProfileFile file;
    if (!file.Load(LanguageFile())) return;
    for (const QString& name : file.SectionNames()) {
        const CProfileFile::Section* section = file.FindSection(name);
        if (!section || section->lines.isEmpty()) continue;
        TextTable& table = texts_[name];
        for (const CProfileFile::Line& line : section->lines)
            if (!table.contains(line.key)) table.insert(line.key, line.value);
    }
}

const TextTable& CLanguageManager::Section(const QString& name) const {
    auto it = texts_.constFind(name);
    return it == texts_.constEnd() ? EmptyTable() : *it;
}

QString CLanguageManager::Text(const TextTable& table, const QString& key) {
    return table.value(key);
}

bool CLanguageManager::ProgramConfigWritable() const {
    const std::filesystem::path config = ConfigPath();
    std::error_code ec;
    if (std::filesystem::exists(config, ec)) return ::access(config.c_str(), W_OK) == 0;
    return ::access(folders_.program.c_str(), W_OK) == 0;
}

bool CLanguageManager::ChangeLanguage(const QString& name) {
    bool written = false;
    if (ProgramConfigWritable()) {
        written = CProfileFile::WriteString(ConfigPath(), "DefaultLanguage", "Default", name);
        // A per-user choice made earlier would hide this one: keep it in step.
        std::error_code ec;
        if (written && std::filesystem::exists(UserConfigPath(), ec))
            CProfileFile::WriteString(UserConfigPath(), "DefaultLanguage", "Default", name);
    }
    if (!written) {
        std::error_code ec;
        std::filesystem::create_directories(folders_.userConfig, ec);
        written = CProfileFile::WriteString(UserConfigPath(), "DefaultLanguage", "Default", name);
    }
    ReadCurrentLanguage();
    Reload();
    return written;
}

}  // namespace keldrin
