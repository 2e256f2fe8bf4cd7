#pragma once
// The championship: the root of the model and the whole of one championship
// file. It owns the classes (each with its task numbers and flights), the
// teams, every competitor, the task catalogue (templates with their
// instances), the maps and one waypoint set.
//
// Loading never attaches data to the wrong object: input that would (a
// competitor outside any known class, a task number of an unknown class, two
// teams of one IsoCountry) refuses the file with a TException that names the
// key. What can be kept without harm is kept and written back unchanged (a
// task number naming an unknown template or version, a flight whose Number
// names no competitor); what has to be dropped (a second competitor or task
// number with the same Number, ...) is deleted. Both, a file that ends
// before the end tag of Championship, one that goes on behind it and one
// with an end tag that does not close the element open there, are reported
// once after the load through the message hook (Platform::ShowMessage) and
// kept in LoadWarnings().
//
// Saving builds the whole text first and replaces the file only once the
// new one is completely on disk; a failure leaves the old file as it was and
// throws TException.
//
// Deleting (DeleteNode) tells the hook Platform::NodeDeleting of every node
// that goes, before it goes, so that the tree's items and the user
// interface drop their pointers; RemoveTreeItems is what the tree's part of
// that hook does.
//
// Walking the model (the KML export, the user interface):
//   for (TCClass* cls : champ.Classes)                      ShortName order
//     for (TTaskNumber* tn : cls->TaskNumbers)              Number order
//       if (const auto* flights = cls->FindFlights(tn))
//         for (TFlight* flight : *flights) ...             Number order
// Iterating the sets leaves their cursors alone; see model/Class.h.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/Champobjects.h"
#include "model/Class.h"
#include "model/Map.h"
#include "model/PtrSet.h"
#include "model/Task.h"
#include "model/Team.h"
#include "model/Waypoint.h"

class TItemTree;
class TTreeItem;
class TXmlInput;

class TChampionship : public TChampNode, public TTaskOwner {
public:
    // A new, empty championship: Software is the program's title, Version
    // the program's version text.
    TChampionship();
    // Loads the file; throws the reader's TException ("Can't open XML file")
    // or the first fault of the file's content.
    explicit TChampionship(const std::string& fileName);
    // Loads from a reader already opened (tests and fuzzing read text held
    // in memory); `fileName` becomes the file name.
    TChampionship(TXmlInput& in, const std::string& fileName);
    ~TChampionship() override;
    TChampionship(const TChampionship&) = delete;
    TChampionship& operator=(const TChampionship&) = delete;

    // The ShortName.
    void UpdateName() override;
    void WriteXml(TXmlOutput& out) override;
    // True when the end tag of Championship was reached.
    bool ReadXml(TXmlInput& in) override;

    // Version := the program's version text, then the whole file is written
    // at once. File name and folder stay as they are. Throws TException
    // "Can't open XML file for output" or "Can't write XML file" (details:
    // the file name) with the old file untouched. `beforeReplace` is
    // TXmlOutput::Close's: it runs once the new text is on disk (for a file
    // written through, before it is), before the old file is replaced, and
    // may stop the save (false is returned);
    // `writeInPlace` is Close's too: asked when the folder can take no new
    // file (a failure of that write may leave the file changed:
    // TXmlOutput::WrittenInPart).
    bool Save(const std::string& fileName,
              const std::function<bool(const std::string& target, bool writtenThrough)>& beforeReplace = {},
              const std::function<bool(const std::string& target)>& writeInPlace = {});

    const std::string& FileName() const { return FFileName; }
    // The file the championship is kept in from now on (saved there), whose
    // folder the names of its files are read from.
    void SetFileName(const std::string& fileName);
    // The folder where the file really lies (links and ".." resolved as the
    // kernel opens it), absolute, ending in "/"; empty without a file name.
    // Track files and bitmaps are looked for here.
    const std::string& Folder() const { return FFolder; }
    // The file-system path of a file the championship names (a track or a
    // map's bitmap): the name is Windows-1252 like every text of the model,
    // the file system's names are UTF-8. Relative to Folder().
    std::string FileSystemPath(const std::string& name) const;
    // "Zephyrant - " and the program's descriptive title.
    static std::string SoftwareText();

    // Adding: each returns whether the object was taken. An object whose key
    // another one in its set has is not taken and stays with the caller.
    bool AddClass(TCClass* cls);
    bool AddTeam(TTeam* team);
    // See model/Team.h.
    bool AddCompetitor(TCompetitor* competitor, TTeam* team, TCClass* cls);
    bool AddTaskTemplate(TTaskTemplate* taskTemplate);
    bool AddTaskInstance(TTaskInstance* instance, TTaskTemplate* taskTemplate);
    bool AddTaskNumber(TTaskNumber* taskNumber, TCClass* cls);
    bool AddMap(TMap* map);

    // Lookups by exact key text.
    TCClass* FindClass(const std::string& shortName) const;
    bool FindClass(const std::string& shortName, TCClass*& cls) const;
    // Moves the catalogue's cursor.
    TTaskTemplate* FindTaskTemplate(const std::string& shortName);
    // Moves the map set's cursor.
    TMap* FindMap(const std::string& shortName);
    TCompetitor* FindCompetitor(const std::string& number) const;
    TTaskTemplate* FirstTaskTemplate();
    TTaskTemplate* NextTaskTemplate();

    // TTaskOwner
    int CountTaskNumbersUsing(const TTaskInstance* instance) override;
    TWayPointSet* TaskWayPoints() override { return &WayPoints; }
    void LoadWarning(const std::string& text) override;

    // Deletes a class that CanDelete allows, with its (empty) group in every
    // team; false and nothing changes otherwise.
    bool DeleteClass(TCClass* cls);
    // Deletes what the user confirmed, when its CanDelete allows: a class, a
    // competitor (with its flights, out of its team and class), a team, a
    // task template or a task instance. False for any other node, one that
    // is not this championship's, or one that cannot be deleted now.
    bool DeleteNode(TChampNode* node);

    // The championship's subtree; see the tree unit for its shape.
    void FillTree(TItemTree* tree);
    // Deletes the top-level item that shows this championship.
    void RemoveTreeRoot(TItemTree* tree);
    TTreeItem* FindTreeNode(TItemTree* tree) const;
    void AddTeamToTree(TItemTree* tree, TTeam* team);
    void AddClassToTree(TItemTree* tree, TCClass* cls);
    void AddMapToTree(TItemTree* tree, TMap* map);
    void AddCompetitorToTree(TItemTree* tree, TCompetitor* competitor);
    // Deletes every item that shows the node, and every folder item made
    // for it (a class's TeamClass and ClassTasks folders).
    static void RemoveTreeItems(TItemTree* tree, const TChampNode* node);

    // What the last load dropped or could not attach, in file order.
    const std::vector<std::string>& LoadWarnings() const { return FLoadWarnings; }
    // What the file it was read from holds beyond what was loaded ("what
    // follows its NUL byte at line 120 (byte offset 4096)", "a comment in
    // <Team> on line 12", see TXmlInput::NotLoadedCount); empty when
    // nothing. A save over that very file would lose it.
    const std::string& Unloaded() const { return FUnloaded; }
    // Whether `fileName` (its links followed) is the file it was read from
    // (same device and inode) while that file still holds what was not
    // loaded. The Save command asks before it replaces that file, and once
    // it has, the file holds what was loaded and nothing more:
    // ForgetFullerFile.
    bool IsFullerFile(const std::string& fileName) const;
    void ForgetFullerFile() { FFullerFile = false; }
    // Takes note of the file `fileName` leads to as it is now (where it is,
    // its identity, size and time of last change): the file the
    // championship was read from, or has just been saved to.
    void KnowFile(const std::string& fileName);
    // Whether `fileName` leads to that file and it is no longer as noted:
    // another program or organiser has written it since, and a save would
    // replace what they wrote.
    bool ChangedSinceKnown(const std::string& fileName) const;
    // Takes note of that file again when `fileName` leads to it: a write of
    // this program's that failed changed its time, if not its text.
    void KnowFileAgain(const std::string& fileName);

    // Where a file is, its identity, size and the times of its last write
    // and last change of any kind (the change time also moves when a tool
    // puts the time of the last write back, or two writes share one tick).
    struct TFileState {
        std::string Path;
        std::uint64_t Device = 0, Inode = 0;
        std::int64_t Size = 0, Seconds = 0, Nanoseconds = 0, ChangeSeconds = 0, ChangeNanoseconds = 0;
        bool operator==(const TFileState&) const = default;
    };
    // The state of the file `fileName` leads to; an empty path when none.
    static TFileState StateOf(const std::string& fileName);

private:
    void Load(TXmlInput& in, const std::string& fileName);
    void KeepFullerFile(const std::string& fileName);
    // Its flights, then its place in class and team, then itself.
    void DeleteCompetitor(TCompetitor* competitor);

    std::string FFileName;
    std::string FFolder;
    std::vector<std::string> FLoadWarnings;
    std::string FUnloaded;
    bool FFullerFile = false;
    std::uint64_t FFullerDevice = 0;
    std::uint64_t FFullerInode = 0;
    // What KnowFile noted; an empty path when nothing.
    TFileState FKnownFile;

public:
    // Destroyed in the reverse order: the waypoints first, the classes last.
    PtrSetOwner<TCClass*> Classes;
    PtrSetOwner<TTeam*> Teams;
    PtrSetOwner<TCompetitor*> Competitors;
    PtrSetOwner<TTaskTemplate*> TaskTemplates;
    PtrSetOwner<TMap*> Maps;
    TWayPointSet WayPoints;
};
