#include "app/FormatText.h"

namespace keldrin {
namespace {

struct Spec {
    QString flags;
    int width = -1;
    int precision = -1;
    QChar conversion;
    int end = 0;  // index after the conversion
};

// Parses the conversion that starts at format[at] == '%'. False when it is not one.
bool ParseSpec(const QString& format, int at, Spec* spec) {
    int i = at + 1;
    const int n = format.size();
    while (i < n && QString("-+ #0").contains(format[i])) spec->flags += format[i++];
    if (i < n && format[i].isDigit()) {
        spec->width = 0;
        while (i < n && format[i].isDigit() && spec->width < 1000)
            spec->width = spec->width * 10 + format[i++].digitValue();
    }
    if (i < n && format[i] == '.') {
        ++i;
        spec->precision = 0;
        while (i < n && format[i].isDigit() && spec->precision < 1000)
            spec->precision = spec->precision * 10 + format[i++].digitValue();
    }
    // Length modifiers, including the I64/I32 forms of the Windows run-time.
    if (format.mid(i, 3) == "I64" || format.mid(i, 3) == "I32") i += 3;
    else if (format.mid(i, 2) == "ll" || format.mid(i, 2) == "hh") i += 2;
    else if (i < n && QString("hlLqjzt").contains(format[i])) ++i;
    if (i >= n) return false;
    const QChar c = format[i];
    if (!QString("diuoxXcCsSfFeEgGaA").contains(c)) return false;
    spec->conversion = c;
    spec->end = i + 1;
    return true;
}

QChar KindOf(QChar conversion) {
    if (QString("diuoxX").contains(conversion)) return 'i';
    if (conversion == 'c' || conversion == 'C') return 'c';
    if (conversion == 's' || conversion == 'S') return 's';
    return 'f';
}

QString Pad(QString text, const Spec& spec) {
    if (spec.width > 0 && text.size() < spec.width) {
        const QString fill(spec.width - text.size(), spec.flags.contains('0') &&
                                                             !spec.flags.contains('-')
                                                         ? QChar('0')
                                                         : QChar(' '));
        text = spec.flags.contains('-') ? text + fill : fill + text;
    }
    return text;
}

}  // namespace

QString FormatArg::AsText() const {
    switch (kind_) {
        case Kind::kInteger: return QString::number(integer_);
        case Kind::kUnsigned: return QString::number(unsigned_);
        case Kind::kChar: return QString(char_);
        case Kind::kString: return string_;
    }
    return QString();
}

long long FormatArg::AsInteger() const {
    switch (kind_) {
        case Kind::kInteger: return integer_;
        case Kind::kUnsigned: return static_cast<long long>(unsigned_);
        case Kind::kChar: return char_.unicode();
        case Kind::kString: return 0;
    }
    return 0;
}

QString FormatText(const QString& format, std::initializer_list<FormatArg> args) {
    QString out;
    auto next = args.begin();
    for (int i = 0; i < format.size();) {
        if (format[i] != '%') {
            out += format[i++];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        Spec spec;
        if (!ParseSpec(format, i, &spec)) {
            out += format[i++];
            continue;
        }
        i = spec.end;
        if (next == args.end()) continue;
        const FormatArg& arg = *next++;
        const QChar kind = KindOf(spec.conversion);
        QString text;
        if (kind == 'i' && arg.kind() != FormatArg::Kind::kString) {
            const QChar c = spec.conversion;
            if (c == 'x' || c == 'X' || c == 'o') {
                text = QString::number(static_cast<unsigned long long>(arg.AsInteger()),
                                       c == 'o' ? 8 : 16);
                if (c == 'X') text = text.toUpper();
            } else if (c == 'u' && arg.kind() == FormatArg::Kind::kInteger) {
                text = QString::number(static_cast<unsigned long long>(arg.AsInteger()));
            } else {
                text = arg.AsText();
                if (arg.kind() == FormatArg::Kind::kChar) text = QString::number(arg.AsInteger());
            }
            if (spec.precision >= 0 && text.size() < spec.precision)
                text = QString(spec.precision - text.size(), '0') + text;
        } else if (kind == 'c' && arg.kind() != FormatArg::Kind::kString) {
            text = arg.kind() == FormatArg::Kind::kChar
                       ? arg.AsText()
                       : QString(QChar(static_cast<char16_t>(arg.AsInteger())));
        } else if (kind == 'f' && arg.kind() != FormatArg::Kind::kString) {
            text = QString::number(static_cast<double>(arg.AsInteger()), 'f',
                                   spec.precision < 0 ? 6 : spec.precision);
        } else {
            text = arg.AsText();
            if (kind == 's' && spec.precision >= 0) text = text.left(spec.precision);
        }
        out += Pad(text, spec);
    }
    return out;
}

bool FormatConversions(const QString& format, QString* kinds) {
    kinds->clear();
    for (int i = 0; i < format.size();) {
        if (format[i] != '%') {
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            i += 2;
            continue;
        }
        Spec spec;
        if (!ParseSpec(format, i, &spec)) return false;
        kinds->append(KindOf(spec.conversion));
        i = spec.end;
    }
    return true;
}

}  // namespace keldrin
