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

std::string Excerpt(std::string_view text)
{
    constexpr std::size_t Length = 80;
    if (text.size() <= Length) return std::string(text);
    return std::string(text.substr(0, Length)) + "...";
}
