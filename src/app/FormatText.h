// printf-style formatting of texts that come from the language files. The files are data the
// user may edit, so a text is never handed to the C library as a format: conversions are parsed
// here, each takes the next argument, a conversion whose argument is missing prints nothing and
// one whose argument is of another kind prints that argument as it is. "%n", "%p" and "*" widths
// are not conversions and print as they stand.
#pragma once

#include <cstdint>
#include <initializer_list>

#include <QChar>
#include <QString>

namespace keldrin {

class FormatArg {
public:
    enum class Kind { kInteger, kUnsigned, kChar, kString };
    FormatArg(int v) : kind_(Kind::kInteger), integer_(v) {}
    FormatArg(long v) : kind_(Kind::kInteger), integer_(v) {}
    FormatArg(long long v) : kind_(Kind::kInteger), integer_(v) {}
    FormatArg(unsigned v) : kind_(Kind::kUnsigned), unsigned_(v) {}
    FormatArg(unsigned long v) : kind_(Kind::kUnsigned), unsigned_(v) {}
    FormatArg(unsigned long long v) : kind_(Kind::kUnsigned), unsigned_(v) {}
    FormatArg(QChar c) : kind_(Kind::kChar), char_(c) {}
    FormatArg(const QString& s) : kind_(Kind::kString), string_(s) {}
    FormatArg(const char* s) : kind_(Kind::kString), string_(QString::fromUtf8(s)) {}

    Kind kind() const { return kind_; }
    QString AsText() const;
    long long AsInteger() const;

private:
    friend QString FormatText(const QString&, std::initializer_list<FormatArg>);
    Kind kind_;
    long long integer_ = 0;
    unsigned long long unsigned_ = 0;
    QChar char_;
    QString string_;
};

QString FormatText(const QString& format, std::initializer_list<FormatArg> args);

// The conversions of a text in order, one letter each: 'i' integer (d i u o x X, any length
// modifier including I64), 'c' character, 's' string, 'f' floating point. False when the text
// holds a "%" that starts no valid conversion and is not "%%".
bool FormatConversions(const QString& format, QString* kinds);

}  // namespace keldrin
