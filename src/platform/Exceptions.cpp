#include "platform/Exceptions.h"

TException::TException(const char* where, const char* what, const char* details)
    : FWhere(where ? where : ""), FWhat(what ? what : ""), FDetails(details ? details : "")
{
    Compose();
}

TException::TException(const std::string& where, const std::string& what, const std::string& details)
    : FWhere(where), FWhat(what), FDetails(details)
{
    Compose();
}

TException::~TException() = default;

const char* TException::what() const noexcept
{
    return FMessage.c_str();
}

void TException::Compose()
{
    FMessage.reserve(FWhere.size() + FWhat.size() + FDetails.size() + 20);
    FMessage.clear();  // assigning a literal after reserve() trips a false g++ 12 -Wrestrict
    FMessage += "<";
    FMessage += FWhat;
    FMessage += "> in <";
    FMessage += FWhere;
    FMessage += ">. Details: <";
    FMessage += FDetails;
    FMessage += ">";
}

std::string ControlsEscaped(std::string_view text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        const bool control = c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
        if (!control) {
            shown += ch;
            continue;
        }
        shown += "\\x";
        shown += hex[c >> 4];
        shown += hex[c & 15];
    }
    return shown;
}

std::string Excerpt(std::string_view text)
{
    constexpr std::size_t Length = 80;
    if (text.size() <= Length) return ControlsEscaped(text);
    return ControlsEscaped(text.substr(0, Length)) + "...";
}
