#include "app/ProfileFile.h"

#include <QFile>
#include <QSaveFile>

namespace keldrin {
namespace {

QStringList ReadLines(const std::filesystem::path& path, bool* ok, bool* crlf = nullptr) {
    QFile file(QString::fromStdString(path.string()));
    *ok = file.open(QIODevice::ReadOnly);
    if (!*ok) return {};
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    if (crlf) *crlf = bytes.contains("\r\n");
    QString text = QString::fromUtf8(bytes);
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    QStringList lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

// "[name]" (blanks allowed around it); the name, or a null string when the line is no header.
QString SectionHeader(const QString& line) {
    const QString t = line.trimmed();
    if (!t.startsWith('[')) return QString();
    const int close = t.indexOf(']');
    if (close < 0) return QString();
    return t.mid(1, close - 1).trimmed();
}

bool IsSkipped(const QString& trimmed) { return trimmed.isEmpty() || trimmed.startsWith(';'); }

// A value in double quotes keeps its blanks; the quotes go.
QString Unquoted(const QString& value) {
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        return value.mid(1, value.size() - 2);
    return value;
}

}  // namespace

bool CProfileFile::Load(const std::filesystem::path& path) {
    sections_.clear();
    bool ok = false;
    const QStringList lines = ReadLines(path, &ok);
    loaded_ = ok;
    Section* current = nullptr;
    QStringList seen;
    for (const QString& raw : lines) {
        const QString header = SectionHeader(raw);
        if (!header.isNull()) {
            const QString name = header.left(kMaxSectionName);
            // A repeated section adds nothing: the first one is the one read.
            if (seen.contains(name, Qt::CaseInsensitive)) {
                current = nullptr;
            } else {
                seen.append(name);
                sections_.append({name, {}});
                current = &sections_.last();
            }
            continue;
        }
        if (!current) continue;
        const QString line = raw.left(kMaxLine).trimmed();
        if (IsSkipped(line)) continue;
        const int eq = line.indexOf('=');
        if (eq < 0)
            current->lines.append({line, line});
        else
            current->lines.append({line.left(eq).trimmed(), Unquoted(line.mid(eq + 1).trimmed())});
    }
    return ok;
}

QStringList CProfileFile::SectionNames() const {
    QStringList names;
    for (const Section& s : sections_) names.append(s.name);
    return names;
}

const CProfileFile::Section* CProfileFile::FindSection(const QString& name) const {
    for (const Section& s : sections_)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0) return &s;
    return nullptr;
}

QString CProfileFile::GetString(const QString& section, const QString& key,
                                const QString& fallback, int maxLength) const {
    if (const Section* s = FindSection(section))
        for (const Line& line : s->lines)
            if (line.key.compare(key, Qt::CaseInsensitive) == 0) return line.value.left(maxLength);
    return fallback.left(maxLength);
}

bool CProfileFile::Contains(const QString& section, const QString& key) const {
    if (const Section* s = FindSection(section))
        for (const Line& line : s->lines)
            if (line.key.compare(key, Qt::CaseInsensitive) == 0) return true;
    return false;
}

bool CProfileFile::WriteString(const std::filesystem::path& path, const QString& section,
                               const QString& key, const QString& value) {
    bool ok = false;
    bool crlf = true;
    QStringList lines = ReadLines(path, &ok, &crlf);
    if (!ok) lines.clear();
    const QString entry = key + "=" + value;
    int sectionAt = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (SectionHeader(lines[i]).compare(section, Qt::CaseInsensitive) == 0 &&
            !SectionHeader(lines[i]).isNull()) {
            sectionAt = i;
            break;
        }
    }
    if (sectionAt < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) lines.append(QString());
        lines.append("[" + section + "]");
        lines.append(entry);
    } else {
        int end = lines.size();
        int lastContent = sectionAt;
        bool replaced = false;
        for (int i = sectionAt + 1; i < lines.size(); ++i) {
            if (!SectionHeader(lines[i]).isNull()) {
                end = i;
                break;
            }
            const QString t = lines[i].trimmed();
            if (IsSkipped(t)) continue;
            lastContent = i;
            const int eq = t.indexOf('=');
            const QString lineKey = (eq < 0 ? t : t.left(eq)).trimmed();
            if (lineKey.compare(key, Qt::CaseInsensitive) == 0) {
                lines[i] = entry;
                replaced = true;
                break;
            }
        }
        (void)end;
        if (!replaced) lines.insert(lastContent + 1, entry);
    }
    QSaveFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray eol = crlf ? "\r\n" : "\n";
    for (const QString& line : lines) {
        file.write(line.toUtf8());
        file.write(eol);
    }
    return file.commit();
}

}  // namespace keldrin
