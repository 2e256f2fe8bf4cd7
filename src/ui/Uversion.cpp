#include "ui/Uversion.h"

#include "platform/Hooks.h"

std::string GetFileVersionString()
{
    return Platform::VersionText();
}
