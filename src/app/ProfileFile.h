// The profile files (config.ini and the language files), read and written with the Windows
// profile rules: sections in file order, section and key names compared without case, the first
// "=" splits a line, the first of two equal keys (and of two equal sections) wins, blanks around
// names and values are dropped (a value in double quotes keeps them, without the quotes), ";"
// starts a comment line. UTF-8, with or without a byte-order
// mark. Texts longer than the given limits are cut, never overrun.
#pragma once

#include <filesystem>

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace keldrin {

class CProfileFile {
public:
    struct Line {
        QString key;
        QString value;  // a line without "=" has the whole line as key and as value
    };
    struct Section {
        QString name;
        QList<Line> lines;
    };

    // False when the file cannot be read; the profile is then empty.
    bool Load(const std::filesystem::path& path);
    bool IsLoaded() const { return loaded_; }

    QStringList SectionNames() const;
    // The section's lines in file order (the first section of that name); null when absent.
    const Section* FindSection(const QString& name) const;
    // The value of the first line with that key, cut to maxLength characters; fallback when the
    // section or key is missing.
    QString GetString(const QString& section, const QString& key, const QString& fallback = {},
                      int maxLength = 1023) const;
    bool Contains(const QString& section, const QString& key) const;

    // Sets key=value in the section of the file at path (adding the section or the key when
    // missing), keeping every other line as it stands; written through a temporary file.
    static bool WriteString(const std::filesystem::path& path, const QString& section,
                            const QString& key, const QString& value);

    static constexpr int kMaxLine = 1023;
    static constexpr int kMaxSectionName = 255;

private:
    QList<Section> sections_;
    bool loaded_ = false;
};

}  // namespace keldrin
