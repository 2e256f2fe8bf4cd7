#include "ui/Guard.h"

#include <exception>

#include "platform/Exceptions.h"
#include "ui/QtText.h"
#include "ui/Seams.h"

namespace {

// Showing the message must not throw in turn; if it does, the message is lost
// but the program goes on.
void Show(const QString& text) noexcept
{
    try {
        ShowError(text);
    } catch (...) {
    }
}

} // namespace

bool Guarded(const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (const TException& e) {
        Show(ToQt(e.Message()));
    } catch (const std::bad_alloc&) {
        Show(QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        Show(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Show(QStringLiteral("Unexpected error"));
    }
    return false;
}
