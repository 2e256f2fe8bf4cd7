#include "ui/QtText.h"

#include <QStringList>

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

qsizetype ControlCharacterAt(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i].unicode() < 0x20 && text[i] != QLatin1Char('\t')) return i;
    return -1;
}

QString ControlCharacterRefusal(const QString& field, const QString& text)
{
    const qsizetype at = ControlCharacterAt(text);
    const int code = at < 0 ? 0 : text[at].unicode();
    return field + QStringLiteral(" holds a control character (code %1). Only TAB is allowed.").arg(code);
}
