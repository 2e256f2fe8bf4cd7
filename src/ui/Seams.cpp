#include "ui/Seams.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <utility>

#include "ui/DialogForm.h"
#include "ui/Guard.h"

namespace {

QMessageBox::StandardButton ToStandard(TButton button)
{
    switch (button) {
    case TButton::Ok: return QMessageBox::Ok;
    case TButton::Yes: return QMessageBox::Yes;
    case TButton::No: return QMessageBox::No;
    case TButton::Cancel: return QMessageBox::Cancel;
    case TButton::Ignore: return QMessageBox::Ignore;
    case TButton::Save: return QMessageBox::Save;
    case TButton::Discard: return QMessageBox::Discard;
    }
    return QMessageBox::Ok;
}

TButton FromStandard(int button)
{
    switch (button) {
    case QMessageBox::Ok: return TButton::Ok;
    case QMessageBox::Yes: return TButton::Yes;
    case QMessageBox::No: return TButton::No;
    case QMessageBox::Ignore: return TButton::Ignore;
    case QMessageBox::Save: return TButton::Save;
    case QMessageBox::Discard: return TButton::Discard;
    default: return TButton::Cancel;
    }
}

class TBoxPrompter final : public TPrompter {
public:
    TAnswer Ask(const TPrompt& prompt) override
    {
        QWidget* parent = QApplication::activeWindow();
        if (prompt.Kind == TPromptKind::Input) {
            bool ok = false;
            const QString text =
                QInputDialog::getText(parent, prompt.Title, prompt.Text, QLineEdit::Normal, prompt.Initial, &ok);
            return ok ? TAnswer{TButton::Ok, text} : TAnswer{TButton::Cancel, {}};
        }
        QMessageBox::Icon icon = QMessageBox::Information;
        if (prompt.Kind == TPromptKind::Warning) icon = QMessageBox::Warning;
        if (prompt.Kind == TPromptKind::Error) icon = QMessageBox::Critical;
        if (prompt.Kind == TPromptKind::Confirmation) icon = QMessageBox::Question;
        QMessageBox box(icon, prompt.Title, prompt.Text, QMessageBox::NoButton, parent);
        for (TButton button : prompt.Buttons) box.addButton(ToStandard(button));
        if (!prompt.Buttons.empty()) box.setDefaultButton(ToStandard(prompt.Buttons.front()));
        if (prompt.Buttons.empty()) box.addButton(QMessageBox::Ok);
        return TAnswer{FromStandard(box.exec()), {}};
    }
};

class TDialogFileChooser final : public TFileChooser {
public:
    std::optional<QString> Choose(const TFileRequest& request) override
    {
        QFileDialog dialog(QApplication::activeWindow(), request.Title, request.Directory, request.Filter);
        dialog.setAcceptMode(request.Mode == TFileMode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.Mode == TFileMode::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!request.DefaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.DefaultSuffix);
        if (!request.Proposed.isEmpty()) dialog.selectFile(request.Proposed);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const QStringList files = dialog.selectedFiles();
        if (files.size() != 1) return std::nullopt;
        return files.front();
    }
};

class TModalRunner final : public TDialogRunner {
public:
    int Run(TDialogForm& dialog) override
    {
        dialog.Prepare();
        const int result = dialog.exec();
        dialog.Finish();
        return result;
    }
};

class TDesktopOpener final : public TOpener {
public:
    bool Open(const QString& path) override { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }
};


class TScriptPrompter final : public TPrompter {
public:
    explicit TScriptPrompter(std::shared_ptr<TScriptedSeams> script) : FScript(std::move(script)) {}
    TAnswer Ask(const TPrompt& prompt) override { return FScript->AskPrompt(prompt); }

private:
    std::shared_ptr<TScriptedSeams> FScript;
};

class TScriptFiles final : public TFileChooser {
public:
    explicit TScriptFiles(std::shared_ptr<TScriptedSeams> script) : FScript(std::move(script)) {}
    std::optional<QString> Choose(const TFileRequest& request) override { return FScript->ChooseFile(request); }

private:
    std::shared_ptr<TScriptedSeams> FScript;
};

class TScriptDialogs final : public TDialogRunner {
public:
    explicit TScriptDialogs(std::shared_ptr<TScriptedSeams> script) : FScript(std::move(script)) {}
    int Run(TDialogForm& dialog) override { return FScript->RunDialog(dialog); }

private:
    std::shared_ptr<TScriptedSeams> FScript;
};

class TScriptOpener final : public TOpener {
public:
    explicit TScriptOpener(std::shared_ptr<TScriptedSeams> script) : FScript(std::move(script)) {}
    bool Open(const QString& path) override { return FScript->Open(path); }

private:
    std::shared_ptr<TScriptedSeams> FScript;
};

TPrompt MakePrompt(TPromptKind kind, const QString& text, std::vector<TButton> buttons)
{
    TPrompt prompt;
    prompt.Kind = kind;
    prompt.Title = ProgramTitle();
    prompt.Text = text;
    prompt.Buttons = std::move(buttons);
    return prompt;
}

QString Escaped(QString text)
{
    return text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

// How many TMessagesAfterEvent live, and the messages they hold.
int HoldingScopes = 0;
std::vector<TPrompt> HeldMessages;

void Tell(TPrompt prompt)
{
    if (HoldingScopes > 0)
        HeldMessages.push_back(std::move(prompt));
    else
        Seams().Prompter->Ask(prompt);
}

} // namespace

TMessagesAfterEvent::TMessagesAfterEvent()
{
    ++HoldingScopes;
}

TMessagesAfterEvent::~TMessagesAfterEvent()
{
    if (--HoldingScopes > 0 || HeldMessages.empty()) return;
    QTimer::singleShot(0, qApp, [held = std::exchange(HeldMessages, {})] {
        for (const TPrompt& prompt : held) Guarded([&] { Seams().Prompter->Ask(prompt); });
    });
}

TSeams ProductionSeams()
{
    return TSeams{std::make_shared<TBoxPrompter>(), std::make_shared<TDialogFileChooser>(),
                  std::make_shared<TModalRunner>(), std::make_shared<TDesktopOpener>()};
}

TSeams& Seams()
{
    static TSeams seams = ProductionSeams();
    return seams;
}

TScopedSeams::TScopedSeams(TSeams seams) : FSaved(Seams())
{
    Seams() = std::move(seams);
}

TScopedSeams::~TScopedSeams()
{
    Seams() = FSaved;
}

QString ProgramTitle()
{
    return QStringLiteral("Zephyrant");
}

void ShowInformation(const QString& text)
{
    Tell(MakePrompt(TPromptKind::Information, text, {TButton::Ok}));
}

void ShowWarning(const QString& text)
{
    Tell(MakePrompt(TPromptKind::Warning, text, {TButton::Ok}));
}

void ShowError(const QString& text)
{
    Tell(MakePrompt(TPromptKind::Error, text, {TButton::Ok}));
}

bool AskYesNo(const QString& text)
{
    return Seams().Prompter->Ask(MakePrompt(TPromptKind::Confirmation, text, {TButton::Yes, TButton::No})).Button ==
           TButton::Yes;
}

TButton AskCancelIgnore(const QString& text)
{
    const TButton button =
        Seams().Prompter->Ask(MakePrompt(TPromptKind::Error, text, {TButton::Cancel, TButton::Ignore})).Button;
    return button == TButton::Ignore ? TButton::Ignore : TButton::Cancel;
}

TButton AskSaveDiscardCancel(const QString& text)
{
    const TButton button =
        Seams()
            .Prompter->Ask(MakePrompt(TPromptKind::Confirmation, text, {TButton::Save, TButton::Discard, TButton::Cancel}))
            .Button;
    return button == TButton::Save || button == TButton::Discard ? button : TButton::Cancel;
}

std::optional<QString> InputBox(const QString& caption, const QString& prompt, const QString& initial)
{
    TPrompt request = MakePrompt(TPromptKind::Input, prompt, {TButton::Ok, TButton::Cancel});
    request.Title = caption;
    request.Initial = initial;
    const TAnswer answer = Seams().Prompter->Ask(request);
    if (answer.Button != TButton::Ok) return std::nullopt;
    return answer.Text;
}

std::optional<QString> ChooseFile(const TFileRequest& request)
{
    return Seams().Files->Choose(request);
}

int RunDialog(TDialogForm& dialog)
{
    return Seams().Dialogs->Run(dialog);
}

bool OpenWithDesktop(const QString& path)
{
    return Seams().Opener->Open(path);
}

// ---------------------------------------------------------------- scripted

QString TScriptedSeams::TRecord::Line() const
{
    QString line = QStringLiteral("prompt\t") + Escaped(Title) + QLatin1Char('\t') + Escaped(Text);
    if (!Filter.isEmpty()) line += QLatin1Char('\t') + Escaped(Filter);
    if (!Answered) line += QStringLiteral("\tunanswered");
    return line;
}

std::shared_ptr<TScriptedSeams> TScriptedSeams::Create()
{
    return std::shared_ptr<TScriptedSeams>(new TScriptedSeams());
}

TSeams TScriptedSeams::Install()
{
    auto self = shared_from_this();
    return TSeams{std::make_shared<TScriptPrompter>(self), std::make_shared<TScriptFiles>(self),
                  std::make_shared<TScriptDialogs>(self), std::make_shared<TScriptOpener>(self)};
}

void TScriptedSeams::AnswerButton(TButton button)
{
    FQueue.push_back(TItem{TKind::Button, button, {}, {}, {}});
}

void TScriptedSeams::AnswerText(const QString& text)
{
    FQueue.push_back(TItem{TKind::Text, TButton::Ok, text, {}, {}});
}

void TScriptedSeams::AnswerFile(const std::optional<QString>& path)
{
    FQueue.push_back(TItem{TKind::File, TButton::Ok, {}, path, {}});
}

void TScriptedSeams::AnswerDialog(TDialogAnswer answer)
{
    FQueue.push_back(TItem{TKind::Dialog, TButton::Ok, {}, {}, std::move(answer)});
}

void TScriptedSeams::Clear()
{
    FQueue.clear();
    Records.clear();
    Opened.clear();
}

std::optional<TScriptedSeams::TItem> TScriptedSeams::Take(TKind kind)
{
    if (FQueue.empty() || FQueue.front().Kind != kind) return std::nullopt;
    TItem item = std::move(FQueue.front());
    FQueue.pop_front();
    return item;
}

void TScriptedSeams::Record(const QString& title, const QString& text, const QString& filter, bool answered,
                            const QString& directory)
{
    Records.push_back(TRecord{title, text, filter, answered, directory});
    if (OnPrompt) OnPrompt(Records.back());
}

TAnswer TScriptedSeams::AskPrompt(const TPrompt& prompt)
{
    std::optional<TItem> item;
    if (prompt.Kind == TPromptKind::Input) {
        item = Take(TKind::Text);
        if (!item) item = Take(TKind::Button);
    } else {
        item = Take(TKind::Button);
    }
    TAnswer answer;
    if (item && item->Kind == TKind::Text) {
        answer = TAnswer{TButton::Ok, item->Text};
    } else if (item) {
        answer.Button = item->Button;
        if (prompt.Kind == TPromptKind::Input) answer.Text = prompt.Initial;
    } else {
        // Unanswered: the safe choice. A box with OK alone is simply closed.
        const auto& buttons = prompt.Buttons;
        const bool okOnly = buttons.size() <= 1;
        const bool yesNo = std::find(buttons.begin(), buttons.end(), TButton::No) != buttons.end() &&
                           std::find(buttons.begin(), buttons.end(), TButton::Cancel) == buttons.end();
        answer.Button = okOnly ? TButton::Ok : yesNo ? TButton::No : TButton::Cancel;
    }
    Record(prompt.Title, prompt.Text, {}, item.has_value());
    return answer;
}

std::optional<QString> TScriptedSeams::ChooseFile(const TFileRequest& request)
{
    std::optional<TItem> item = Take(TKind::File);
    Record(request.Title, request.Mode == TFileMode::Save ? request.Proposed : QString(), request.Filter,
           item.has_value(), request.Directory);
    if (!item) return std::nullopt;
    return item->File;
}

int TScriptedSeams::RunDialog(TDialogForm& dialog)
{
    std::optional<TItem> item = Take(TKind::Dialog);
    Record(dialog.windowTitle(), QString(), {}, item.has_value());
    dialog.Prepare();
    int result = QDialog::Rejected;
    if (item) {
        for (const auto& [name, value] : item->Dialog.Fields) dialog.ScriptField(name, value);
        if (item->Dialog.Ok && dialog.CanAccept() && dialog.CheckFields()) result = QDialog::Accepted;
    }
    dialog.setResult(result);
    dialog.Finish();
    return result;
}

bool TScriptedSeams::Open(const QString& path)
{
    Opened << path;
    if (OnOpen) OnOpen(path);
    return OpenSucceeds;
}
