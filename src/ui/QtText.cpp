#include "ui/QtText.h"

#include <QStringList>

#include "platform/Files.h"
#include "xml/Cp1252.h"

QString ToQt(std::string_view cp1252)
{
    QString out;
    out.reserve(static_cast<qsizetype>(cp1252.size()));
    for (unsigned char b : cp1252) out += QChar(static_cast<char16_t>(Cp1252ToUnicode(b)));
    return out;
}

std::string FromQt(const QString& text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (QChar c : text) {
        const int b = UnicodeToCp1252(c.unicode());
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

QString FileNameToQt(std::string_view cp1252)
{
    return ToQt(cp1252);
}

std::string FileNameFromQt(const QString& name)
{
    return FromQt(name);
}

QString PathToQt(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string PathFromQt(const QString& path)
{
    const QByteArray bytes = path.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString FilterToQt(const QString& windowsFilter)
{
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        const qsizetype open = label.lastIndexOf(QLatin1Char('('));
        const qsizetype close = label.lastIndexOf(QLatin1Char(')'));
        if (open >= 0 && close > open) {
            if (label.mid(open + 1, close - open - 1) != patterns)
                label = label.left(open + 1) + patterns + label.mid(close);
        } else {
            label += QStringLiteral(" (") + patterns + QLatin1Char(')');
        }
        filters << label;
    }
    return filters.join(QStringLiteral(";;"));
}

TTextFault FindTextFault(const QString& text, TKeptAs keptAs)
{
    qsizetype position = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        ++position;
        const qsizetype index = i;
        char32_t code = text[i].unicode();
        if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (code == u'\t') return {TTextFault::Tab, position, index, code};
        if (code < 0x20) return {TTextFault::Control, position, index, code};
        if (UnicodeToCp1252(code) < 0) return {TTextFault::Foreign, position, index, code};
    }
    if (keptAs == TKeptAs::FileName) {
        // What the reader trims or joins: a blank at an end, two in a row.
        // Every character is one of Windows-1252 here, none a pair.
        const qsizetype twice = text.indexOf(QStringLiteral("  "));
        const qsizetype at = text.startsWith(u' ') ? 0
                             : twice >= 0          ? twice + 1
                             : text.endsWith(u' ') ? text.size() - 1
                                                   : -1;
        if (at >= 0) return {TTextFault::Blanks, at + 1, at, u' '};
    }
    return {};
}

QString ShownCharacter(char32_t code)
{
    const QString hex = QString::number(static_cast<uint>(code), 16).toUpper().rightJustified(4, u'0');
    // A surrogate without its pair has no look of its own.
    const QString look = QChar::isSurrogate(code) ? QString(QChar(QChar::ReplacementCharacter))
                                                  : QString::fromUcs4(&code, 1);
    return QLatin1Char('"') + look + QStringLiteral("\" (U+") + hex + QLatin1Char(')');
}

QString TextRefusal(const QString& field, const QString& text, TKeptAs keptAs)
{
    const TTextFault fault = FindTextFault(text, keptAs);
    switch (fault.Kind) {
    case TTextFault::None: return {};
    case TTextFault::Control:
        return field + QStringLiteral(" holds a control character (code %1), which the championship file can't hold.")
                           .arg(static_cast<uint>(fault.Code));
    case TTextFault::Tab:
        return field + QStringLiteral(" holds a TAB, which the championship file gives back as a blank.");
    case TTextFault::Blanks:
        return field + QStringLiteral(" has a blank at its start or end or two blanks in a row, which the championship "
                                      "file does not give back.");
    case TTextFault::Foreign: break;
    }
    return field + QStringLiteral(" holds the character ") + ShownCharacter(fault.Code) +
           QStringLiteral(", which the championship file (Windows-1252) can't hold.");
}

QString RelativeFileName(const QString& folder, const QString& path)
{
    // The kernel takes each ".." of the joined path from the real folder
    // that a symbolic link leads to, not from the link's parent.
    return PathToQt(RelativePath(PathFromQt(folder), PathFromQt(path)));
}
