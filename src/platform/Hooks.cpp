#include "platform/Hooks.h"

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#ifndef ZEPH_VERSION_TEXT
#define ZEPH_VERSION_TEXT ""
#endif

static_assert(std::string_view(ZEPH_VERSION_TEXT) != "0.4",
              "version 0.4 would make every load shift the references of UTM maps");

THooks& Hooks()
{
    static THooks hooks;
    return hooks;
}

TScopedHooks::TScopedHooks() : FSaved(Hooks()) {}

TScopedHooks::TScopedHooks(const THooks& replacement) : FSaved(Hooks())
{
    Hooks() = replacement;
}

TScopedHooks::~TScopedHooks()
{
    Hooks() = FSaved;
}

namespace {

std::string WithoutTrailingSeparator(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

} // namespace

namespace Platform {

void ActivateTable(TStringGrid* grid, TNodeDescription* node)
{
    if (Hooks().ActivateTable) Hooks().ActivateTable(grid, node);
}

void ShowMessage(const std::string& text)
{
    if (Hooks().ShowMessage) {
        Hooks().ShowMessage(text);
        return;
    }
    std::fprintf(stderr, "%s\n", text.c_str());
}

bool AskYesNo(const std::string& text)
{
    return Hooks().AskYesNo ? Hooks().AskYesNo(text) : false;
}

TDialogResult AskCancelIgnore(const std::string& text)
{
    return Hooks().AskCancelIgnore ? Hooks().AskCancelIgnore(text) : drCancel;
}

bool OpenWithDesktop(const std::string& path)
{
    return Hooks().OpenWithDesktop ? Hooks().OpenWithDesktop(path) : false;
}

std::string VersionText()
{
    std::string text = Hooks().VersionText ? Hooks().VersionText() : std::string(ZEPH_VERSION_TEXT);
    if (text.empty() || text == "0.4") return "Unknown";
    return text;
}

std::string ProgramFolder()
{
    if (Hooks().ProgramFolder) return WithoutTrailingSeparator(Hooks().ProgramFolder());
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return WorkingFolder();
    return WithoutTrailingSeparator(exe.parent_path().string());
}

std::string WorkingFolder()
{
    if (Hooks().WorkingFolder) return WithoutTrailingSeparator(Hooks().WorkingFolder());
    std::error_code error;
    std::filesystem::path here = std::filesystem::current_path(error);
    if (error) return ".";
    return WithoutTrailingSeparator(here.string());
}

void NodeDeleting(TChampNode* node)
{
    if (Hooks().NodeDeleting) Hooks().NodeDeleting(node);
}

TFlightTableFilter FlightTableFilter()
{
    return Hooks().FlightTableFilter ? Hooks().FlightTableFilter() : TFlightTableFilter();
}

} // namespace Platform
