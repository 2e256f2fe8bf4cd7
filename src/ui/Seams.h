#pragma once
// Everything through which the program waits for a person or hands work to
// the desktop goes through one of four seams: message boxes and input boxes
// (TPrompter), file choosers (TFileChooser), the modal runs of the program's
// own dialogs (TDialogRunner) and opening a file with the desktop (TOpener).
// The program installs the production implementations; tests and the probe
// install TScriptedSeams, which answers from a queue and records every
// prompt, so no test ever waits for a click.

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TDialogForm;

enum class TButton { Ok, Yes, No, Cancel, Ignore, Save, Discard };

enum class TPromptKind { Information, Warning, Error, Confirmation, Input };

struct TPrompt {
    TPromptKind Kind = TPromptKind::Information;
    QString Title;
    QString Text;
    std::vector<TButton> Buttons; // the first is the default
    QString Initial;              // input boxes: the text offered
};

struct TAnswer {
    TButton Button = TButton::Cancel;
    QString Text; // input boxes: the text confirmed
};

class TPrompter {
public:
    virtual ~TPrompter() = default;
    virtual TAnswer Ask(const TPrompt& prompt) = 0;
};

enum class TFileMode { Open, Save };

struct TFileRequest {
    TFileMode Mode = TFileMode::Open;
    QString Title;
    QString Filter; // Qt form ("Label (*.x);;All files (*)"); see FilterToQt
    QString DefaultSuffix;
    QString Directory;
    QString Proposed; // a file name offered by a save chooser
};

class TFileChooser {
public:
    virtual ~TFileChooser() = default;
    // The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<QString> Choose(const TFileRequest& request) = 0;
};

class TDialogRunner {
public:
    virtual ~TDialogRunner() = default;
    // Prepares the dialog, runs it modally, finishes it; QDialog::Accepted or
    // QDialog::Rejected.
    virtual int Run(TDialogForm& dialog) = 0;
};

class TOpener {
public:
    virtual ~TOpener() = default;
    virtual bool Open(const QString& path) = 0;
};

struct TSeams {
    std::shared_ptr<TPrompter> Prompter;
    std::shared_ptr<TFileChooser> Files;
    std::shared_ptr<TDialogRunner> Dialogs;
    std::shared_ptr<TOpener> Opener;
};

// The seams in force; the production ones until something else is installed.
TSeams& Seams();
TSeams ProductionSeams();

// Replaces the seams for a scope.
class TScopedSeams {
public:
    explicit TScopedSeams(TSeams seams);
    ~TScopedSeams();
    TScopedSeams(const TScopedSeams&) = delete;
    TScopedSeams& operator=(const TScopedSeams&) = delete;

private:
    TSeams FSaved;
};

// The title of the program's message boxes.
QString ProgramTitle();

// While one lives, the messages shown (information, warnings, errors: no
// question) wait until the event loop runs again, and are then shown in
// order. A widget handling its own event (a cell editor's keystroke) opens
// one: a modal box there would run an event loop inside the handler, in
// which the widget may be closed and deleted under it.
class TMessagesAfterEvent {
public:
    TMessagesAfterEvent();
    ~TMessagesAfterEvent();
    TMessagesAfterEvent(const TMessagesAfterEvent&) = delete;
    TMessagesAfterEvent& operator=(const TMessagesAfterEvent&) = delete;
};

// Shorthands over Seams().Prompter.
void ShowInformation(const QString& text);
void ShowWarning(const QString& text);
void ShowError(const QString& text);
bool AskYesNo(const QString& text);
// TButton::Cancel or TButton::Ignore.
TButton AskCancelIgnore(const QString& text);
// TButton::Save, TButton::Discard or TButton::Cancel.
TButton AskSaveDiscardCancel(const QString& text);
std::optional<QString> InputBox(const QString& caption, const QString& prompt, const QString& initial);
std::optional<QString> ChooseFile(const TFileRequest& request);
int RunDialog(TDialogForm& dialog);
bool OpenWithDesktop(const QString& path);

// Answers from a queue and records what was asked. A prompt, chooser or
// dialog whose turn finds no fitting answer at the head of the queue gets
// Cancel (No for Yes/No questions) and is recorded as unanswered.
class TScriptedSeams : public std::enable_shared_from_this<TScriptedSeams> {
public:
    struct TRecord {
        QString Title;
        QString Text;
        QString Filter; // file choosers
        bool Answered = false;
        QString Directory; // file choosers: the folder they open in
        // "prompt\t<title>\t<text>[\t<filter>][\tunanswered]", line feeds as "\n".
        QString Line() const;
    };

    struct TDialogAnswer {
        bool Ok = false;
        std::vector<std::pair<QString, QString>> Fields; // set before OK, in order
    };

    static std::shared_ptr<TScriptedSeams> Create();
    // Seams that all answer from this script; the opener records and opens
    // nothing, and answers OpenSucceeds.
    TSeams Install();

    void AnswerButton(TButton button);
    void AnswerText(const QString& text);
    void AnswerFile(const std::optional<QString>& path);
    void AnswerDialog(TDialogAnswer answer);
    void Clear();
    bool Pending() const { return !FQueue.empty(); }

    std::vector<TRecord> Records;
    QStringList Opened;
    // What the opener answers: false plays a desktop without a viewer.
    bool OpenSucceeds = true;
    // Called for every record as it is made, and for every path opened.
    std::function<void(const TRecord&)> OnPrompt;
    std::function<void(const QString&)> OnOpen;

    // Used by the installed seams.
    TAnswer AskPrompt(const TPrompt& prompt);
    std::optional<QString> ChooseFile(const TFileRequest& request);
    int RunDialog(TDialogForm& dialog);
    bool Open(const QString& path);

private:
    TScriptedSeams() = default;
    enum class TKind { Button, Text, File, Dialog };
    struct TItem {
        TKind Kind;
        TButton Button = TButton::Cancel;
        QString Text;
        std::optional<QString> File;
        TDialogAnswer Dialog;
    };
    void Record(const QString& title, const QString& text, const QString& filter, bool answered,
                const QString& directory = {});
    std::optional<TItem> Take(TKind kind);

    std::deque<TItem> FQueue;
};
