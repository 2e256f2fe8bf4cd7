#include "model/Championship.h"

#include <memory>
#include <set>

#include <sys/stat.h>

#include "analysis/Flight.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Hooks.h"
#include "xml/Cp1252.h"
#include "xml/Xmlfile.h"

// ---------------------------------------------------------------- life

TChampionship::TChampionship() : TChampNode(ntChampionship)
{
    SetOwner(this);
    SetAttribute(acSoftware, SoftwareText());
    SetAttribute(acVersion, Platform::VersionText());
    WayPoints.SetOwner(this);
    UpdateName();
}

TChampionship::TChampionship(const std::string& fileName) : TChampionship()
{
    TXmlInput in(fileName);
    Load(in, fileName);
}

TChampionship::TChampionship(TXmlInput& in, const std::string& fileName) : TChampionship()
{
    Load(in, fileName);
}

TChampionship::~TChampionship() = default;

std::string TChampionship::SoftwareText()
{
    return "Zephyrant - Microlight championship manager";
}

void TChampionship::UpdateName()
{
    FDisplayName = GetAttribute(acShortName);
}

void TChampionship::SetFileName(const std::string& fileName)
{
    // The name as the organiser chose it, for the caption and messages; the
    // folder where the kernel keeps the file, which a link to it or a ".."
    // after a linked folder does not tell as text. Only '/' parts folders:
    // "Day 1: final.xch" is a name of its own.
    FFileName = fileName;
    FFolder = fileName.empty() ? std::string() : RealFolderOf(fileName);
}

std::string TChampionship::FileSystemPath(const std::string& name) const
{
    // A championship without a file of its own reads from the working
    // folder, which follows it to where it is saved.
    if (FFolder.empty()) return Platform::WorkingFolder() + "/" + Cp1252ToUtf8(name);
    return FFolder + Cp1252ToUtf8(name);
}

void TChampionship::LoadWarning(const std::string& text)
{
    FLoadWarnings.push_back(text);
}

namespace {

// The elements of the file as the program writes it; every reader passes
// over any other.
bool IsFileElement(const std::string& name)
{
    static const std::set<std::string, std::less<>> names = [] {
        std::set<std::string, std::less<>> all(AttributeXmlNames + 1, AttributeXmlNames + AttributeCodeCount);
        all.insert({"Championship", "ChampionshipDescription", "Geo", "Maps", "Map", "Georef", "MapRef",
                    "Waypoints", "WayPointSet", "WayPointSetDescription", "WayPoint", "Lat", "Lon", "Classes",
                    "Class", "Teams", "Team", "TeamDescription", "Competitor", "TaskCatalogue", "TaskTemplate",
                    "TaskInstance", "TurnPoints", "TurnPoint", "Legs", "Leg", "ArcLegs", "ArcLeg", "Gates", "Gate",
                    "Tasks", "TaskNumber", "Flight"});
        return all;
    }();
    return names.count(name) != 0;
}

} // namespace

void TChampionship::Load(TXmlInput& in, const std::string& fileName)
{
    FLoadWarnings.clear();
    FUnloaded.clear();
    in.KnownElement = IsFileElement;
    const bool complete = ReadXml(in);
    SetFileName(fileName);
    // Counted before anything behind the championship is looked at.
    if (const std::size_t count = in.ControlCharacters())
        LoadWarning("The file " + PathText(fileName) + " holds a control character in " + in.FirstControlCharacter() +
                    (count == 1 ? std::string("; it was read as a blank.")
                                : ", and " + std::to_string(count - 1) + " more after it; each was read as a blank."));
    // The reading ends at a NUL byte (a damaged block of the disk, say):
    // what follows it is there all the same.
    const bool stoppedAtNul = in.NulOffset() != std::string::npos && in.TextAfterNul();
    if (!complete && !stoppedAtNul)
        LoadWarning("The file " + PathText(fileName) +
                    " ends before the end of the championship; what it holds up to there was loaded.");
    if (complete && in.HasData()) {
        const std::string line = std::to_string(in.Get().Line);
        FUnloaded = "what follows the end of the championship (line " + line + ")";
        LoadWarning("The file " + PathText(fileName) + " goes on after the end of the championship (line " + line +
                    "); what follows it was not loaded.");
    }
    if (stoppedAtNul) {
        const std::string at =
            "line " + std::to_string(in.NulLine()) + " (byte offset " + std::to_string(in.NulOffset()) + ")";
        if (FUnloaded.empty()) FUnloaded = "what follows its NUL byte at " + at;
        LoadWarning("The file " + PathText(fileName) + " holds a NUL byte at " + at + "; what follows it was not loaded.");
    }
    // Read as far as it was: a comment behind the championship is there too.
    if (const std::size_t count = in.NotLoadedCount()) {
        const std::string more = count == 1 ? std::string() : "and " + std::to_string(count - 1) + " more after it";
        LoadWarning("The file " + PathText(fileName) + " holds what was not loaded as written: " + in.FirstNotLoaded() +
                    (more.empty() ? "." : ", " + more + "."));
        if (FUnloaded.empty()) FUnloaded = in.FirstNotLoaded() + (more.empty() ? "" : " (" + more + ")");
    }
    KeepFullerFile(fileName);
    KnowFile(fileName);
    if (!in.MismatchedEndTag().empty())
        LoadWarning("The file " + PathText(fileName) + " has the end tag " + in.MismatchedEndTag() +
                    "; the elements around it may not have been loaded.");
    if (FLoadWarnings.empty()) return;
    std::string text;
    for (const std::string& line : FLoadWarnings) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    Platform::ShowMessage(text);
}

// ---------------------------------------------------------------- file

void TChampionship::KeepFullerFile(const std::string& fileName)
{
    struct stat st {};
    FFullerFile = !FUnloaded.empty() && ::stat(fileName.c_str(), &st) == 0;
    FFullerDevice = FFullerFile ? static_cast<std::uint64_t>(st.st_dev) : 0;
    FFullerInode = FFullerFile ? static_cast<std::uint64_t>(st.st_ino) : 0;
}

bool TChampionship::IsFullerFile(const std::string& fileName) const
{
    struct stat st {};
    return FFullerFile && ::stat(fileName.c_str(), &st) == 0 &&
           static_cast<std::uint64_t>(st.st_dev) == FFullerDevice &&
           static_cast<std::uint64_t>(st.st_ino) == FFullerInode;
}

TChampionship::TFileState TChampionship::StateOf(const std::string& fileName)
{
    TFileState state;
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0) return state;
    // Where it is as the kernel finds it: another way to the same place (a
    // link, a "..") is the same file; a new file put there by another save
    // is the same place with another identity.
    state.Path = ResolvePath(fileName).Real;
    state.Device = static_cast<std::uint64_t>(st.st_dev);
    state.Inode = static_cast<std::uint64_t>(st.st_ino);
    state.Size = static_cast<std::int64_t>(st.st_size);
    state.Seconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    state.Nanoseconds = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    state.ChangeSeconds = static_cast<std::int64_t>(st.st_ctim.tv_sec);
    state.ChangeNanoseconds = static_cast<std::int64_t>(st.st_ctim.tv_nsec);
    return state;
}

void TChampionship::KnowFile(const std::string& fileName)
{
    FKnownFile = StateOf(fileName);
}

void TChampionship::KnowFileAgain(const std::string& fileName)
{
    TFileState now = StateOf(fileName);
    if (!FKnownFile.Path.empty() && now.Path == FKnownFile.Path) FKnownFile = std::move(now);
}

bool TChampionship::ChangedSinceKnown(const std::string& fileName) const
{
    const TFileState now = StateOf(fileName);
    return !FKnownFile.Path.empty() && now.Path == FKnownFile.Path && !(now == FKnownFile);
}

bool TChampionship::Save(const std::string& fileName,
                         const std::function<bool(const std::string& target, bool writtenThrough)>& beforeReplace,
                         const std::function<bool(const std::string& target)>& writeInPlace)
{
    TXmlOutput out(fileName);
    SetAttribute(acVersion, Platform::VersionText());
    WriteXml(out);
    return out.Close(beforeReplace, writeInPlace);
}

void TChampionship::WriteXml(TXmlOutput& out)
{
    out.WriteHeader();
    WriteXmlHead(out, true);

    out.OpenElement("Geo");
    out.OpenElement("Maps");
    for (TMap* map : Maps) map->WriteXml(out);
    out.CloseElement();
    out.OpenElement("Waypoints");
    WayPoints.WriteXml(out);
    out.CloseElement();
    out.CloseElement();

    out.OpenElement("Classes");
    for (TCClass* cls : Classes) cls->WriteXml(out);
    out.CloseElement();

    out.OpenElement("Teams");
    for (TTeam* team : Teams) team->WriteXml(out);
    out.CloseElement();

    out.OpenElement("TaskCatalogue");
    for (TTaskTemplate* taskTemplate : TaskTemplates) taskTemplate->WriteXml(out);
    out.CloseElement();

    out.OpenElement("Tasks");
    for (TCClass* cls : Classes) {
        for (TTaskNumber* taskNumber : cls->TaskNumbers) taskNumber->WriteXml(out);
    }
    out.CloseElement();

    WriteXmlTail(out);
}

namespace {

// Reads one child node with the championship as its owner; the caller
// decides whether its set takes it.
template <class T>
std::unique_ptr<T> ReadChild(TChampionship* owner, TXmlInput& in)
{
    auto node = std::make_unique<T>();
    node->SetOwner(owner);
    node->ReadXml(in);
    return node;
}

} // namespace

bool TChampionship::ReadXml(TXmlInput& in)
{
    AttributeNames.SetMode(TNameMap::nmXmlNames);
    NodeTypeNames.SetMode(TNameMap::nmXmlNames);
    auto dropped = [this](const char* what, const std::string& key) {
        LoadWarning(std::string(what) + " " + key + " appears twice; the second one was dropped.");
    };
    while (in.HasData()) {
        TXmlData item = in.Get();
        switch (item.Kind) {
        case xkStart:
            if (item.Element == "Team") {
                auto team = ReadChild<TTeam>(this, in);
                // Its competitors are filed already: a second team of one
                // country would leave them with a team that is not kept.
                if (!AddTeam(team.get())) throw TException("Teams", "Duplicate team", Excerpt(team->KeyValue()));
                team.release();
            } else if (item.Element == "Class") {
                auto cls = ReadChild<TCClass>(this, in);
                if (AddClass(cls.get()))
                    cls.release();
                else
                    dropped("Class", cls->KeyValue());
            } else if (item.Element == "TaskTemplate") {
                auto taskTemplate = ReadChild<TTaskTemplate>(this, in);
                if (AddTaskTemplate(taskTemplate.get()))
                    taskTemplate.release();
                else
                    dropped("Task template", taskTemplate->KeyValue());
            } else if (item.Element == "TaskNumber") {
                auto taskNumber = ReadChild<TTaskNumber>(this, in);
                // Without a class the file ended inside the element.
                TCClass* cls = taskNumber->Class;
                if (cls && AddTaskNumber(taskNumber.get(), cls))
                    taskNumber.release();
                else if (cls)
                    dropped(("Task number of class " + cls->KeyValue() + ":").c_str(), taskNumber->KeyValue());
            } else if (item.Element == "Map") {
                auto map = ReadChild<TMap>(this, in);
                if (AddMap(map.get()))
                    map.release();
                else
                    dropped("Map", map->KeyValue());
            } else if (item.Element == "WayPointSet") {
                WayPoints.ReadXml(in);
            }
            break;
        case xkEnd:
            if (item.Element == "Championship") return true;
            break;
        case xkAttribute:
        case xkText:
            ReadAttributeItem(in, item, "Championship");
            break;
        default:
            break;
        }
    }
    return false;
}

// ---------------------------------------------------------------- adding

bool TChampionship::AddClass(TCClass* cls)
{
    if (!Classes.insert(cls)) return false;
    cls->SetOwner(this);
    return true;
}

bool TChampionship::AddTeam(TTeam* team)
{
    if (!Teams.insert(team)) return false;
    team->SetOwner(this);
    return true;
}

bool TChampionship::AddCompetitor(TCompetitor* competitor, TTeam* team, TCClass* cls)
{
    if (!competitor || !team || !cls) return false;
    const bool known = Competitors.contains(competitor);
    if (!known) {
        if (Competitors.FindKey(competitor->KeyValue())) return false;
        competitor->SetOwner(this);
        Competitors.insert(competitor);
    }
    // The team calls back here once it has filed the competitor; the second
    // round finds everything in place.
    if (!team->AddCompetitor(competitor, cls)) {
        if (!known) Competitors.erase(competitor);
        return false;
    }
    cls->AddCompetitor(competitor);
    return true;
}

bool TChampionship::AddTaskTemplate(TTaskTemplate* taskTemplate)
{
    if (!TaskTemplates.insert(taskTemplate)) return false;
    taskTemplate->SetOwner(this);
    return true;
}

bool TChampionship::AddTaskInstance(TTaskInstance* instance, TTaskTemplate* taskTemplate)
{
    if (!instance || !taskTemplate || !taskTemplate->AddInstance(instance)) return false;
    instance->SetOwner(this);
    return true;
}

bool TChampionship::AddTaskNumber(TTaskNumber* taskNumber, TCClass* cls)
{
    if (!taskNumber || !cls) return false;
    taskNumber->SetOwner(this);
    return cls->AddTaskNumber(taskNumber);
}

bool TChampionship::AddMap(TMap* map)
{
    if (!Maps.insert(map)) return false;
    map->SetOwner(this);
    return true;
}

// ---------------------------------------------------------------- lookups

TCClass* TChampionship::FindClass(const std::string& shortName) const
{
    return Classes.FindKey(shortName);
}

bool TChampionship::FindClass(const std::string& shortName, TCClass*& cls) const
{
    cls = FindClass(shortName);
    return cls != nullptr;
}

TTaskTemplate* TChampionship::FindTaskTemplate(const std::string& shortName)
{
    for (TTaskTemplate* taskTemplate = TaskTemplates.first(); taskTemplate; taskTemplate = TaskTemplates.next())
        if (taskTemplate->KeyValue() == shortName) return taskTemplate;
    return nullptr;
}

TMap* TChampionship::FindMap(const std::string& shortName)
{
    for (TMap* map = Maps.first(); map; map = Maps.next())
        if (map->KeyValue() == shortName) return map;
    return nullptr;
}

TCompetitor* TChampionship::FindCompetitor(const std::string& number) const
{
    return Competitors.FindKey(number);
}

TTaskTemplate* TChampionship::FirstTaskTemplate()
{
    TaskTemplates.reset();
    return NextTaskTemplate();
}

TTaskTemplate* TChampionship::NextTaskTemplate()
{
    return TaskTemplates.next();
}

int TChampionship::CountTaskNumbersUsing(const TTaskInstance* instance)
{
    int count = 0;
    for (const TCClass* cls : Classes) count += cls->CountTaskNumbersUsing(instance);
    return count;
}

// ---------------------------------------------------------------- deleting

bool TChampionship::DeleteClass(TCClass* cls)
{
    if (!cls || !Classes.contains(cls) || !cls->CanDelete()) return false;
    Platform::NodeDeleting(cls);
    // Every team made an empty group for it when the tree was shown.
    for (TTeam* team : Teams) team->RemoveGroup(cls);
    Classes.erase(cls);
    delete cls;
    return true;
}

void TChampionship::DeleteCompetitor(TCompetitor* competitor)
{
    if (competitor->Class) competitor->Class->RemoveCompetitor(competitor);
    if (competitor->Team) competitor->Team->RemoveCompetitor(competitor);
    Platform::NodeDeleting(competitor);
    Competitors.erase(competitor);
    delete competitor;
}

bool TChampionship::DeleteNode(TChampNode* node)
{
    if (!node || !node->CanDelete()) return false;
    switch (node->NodeType()) {
    case ntClass:
        return DeleteClass(static_cast<TCClass*>(node));
    case ntCompetitor: {
        auto* competitor = static_cast<TCompetitor*>(node);
        if (!Competitors.contains(competitor)) return false;
        DeleteCompetitor(competitor);
        return true;
    }
    case ntTeam: {
        auto* team = static_cast<TTeam*>(node);
        if (!Teams.contains(team)) return false;
        Platform::NodeDeleting(team);
        Teams.erase(team);
        delete team;
        return true;
    }
    case ntTaskTemplate: {
        auto* taskTemplate = static_cast<TTaskTemplate*>(node);
        if (!TaskTemplates.contains(taskTemplate)) return false;
        Platform::NodeDeleting(taskTemplate);
        TaskTemplates.erase(taskTemplate);
        delete taskTemplate;
        return true;
    }
    case ntTaskInstance: {
        auto* instance = static_cast<TTaskInstance*>(node);
        TTaskTemplate* taskTemplate = instance->Template;
        if (!taskTemplate || !TaskTemplates.contains(taskTemplate) || !taskTemplate->Instances.contains(instance))
            return false;
        Platform::NodeDeleting(instance);
        taskTemplate->Instances.erase(instance);
        delete instance;
        return true;
    }
    default:
        return false;
    }
}
