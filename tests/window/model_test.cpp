// A seeded random walk through the real main dialog: each step is a row of a
// table of actions, and after it the window, the pages, conf and kept must be
// what a small model of the program says. A failing walk is shrunk to a list
// that runs again alone: TALLISK_MODEL_REPLAY=name:seed,...
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "builder/filecommands.h"
#include "builder/page.h"
#include "files/kept.h"
#include "files/settingsformat.h"
#include "tests/window/harness.h"
#include "ui/maindialog.h"
#include "ui/resource.h"
#include "ui/winmain.h"

namespace {

typedef std::chrono::steady_clock Clock;
// In kept's order: name, function, variables.
const int editorIds[keptTextCount] = {IDC_NAME, IDC_FUNCTION, IDC_VARIABLES};
typedef std::vector<std::string> Texts;
const Texts emptyTexts(keptTextCount);
const char* const poolNames[] = {"a.htm", "b.htm", "c.htm", "d.htm"};
const int poolSize = 4;

struct Rng {
    uint64_t state;
    uint64_t Next()  // splitmix64
    {
        uint64_t z = (state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
};

// A pool file: missing, the page of `texts`, or other bytes.
struct FileModel {
    bool present = false;
    bool page = false;
    Texts texts;
    std::string bytes;
};

struct Model {
    Texts texts = emptyTexts;
    bool inPage = false;
    bool untitled = true;
    int current = -1;  // the pool file named as current, even while untitled; -1 for none yet
    FileModel files[poolSize];
    // What kept may hold: the last write the model knows of and every later
    // state of the editors, since the delay's timer may have written any.
    std::vector<std::optional<Texts>> kept {std::nullopt};
    bool confWritten = false;
    std::map<std::string, int> launched;

    bool ReadsBack(int file) const { return files[file].present && files[file].page; }
};

// A window the step expects, and its answer: a pool file for a file dialog
// (a missing one makes the dialog's own box come, and both are cancelled),
// otherwise the button.
struct Expected {
    std::string caption, text;  // text "" takes any
    int file;
    int button;
};

std::string workFolder;  // DOS path of the pool's folder, with its separator
std::string openLog;
Model model;
std::vector<Expected> expected;
size_t answered;
std::string stepFault;  // a check made inside the step
HWND dialog;

std::string PoolPath(int file)
{
    return workFolder + poolNames[file];
}

std::string Quote(const std::string& text)
{
    std::string quoted = "\"";
    for (unsigned char c : text.substr(0, 80)) {
        char escaped[8];
        snprintf(escaped, sizeof escaped, c >= 32 && c < 127 ? "%c" : "\\x%02x", c);
        quoted += escaped;
    }
    return quoted + (text.size() > 80 ? "...\"" : "\"");
}

bool AnswerExpected(HWND window)
{
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner != mainWindow && owner != NULL) {  // the open dialog's "not found" box
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        return PostMessageA(owner, WM_COMMAND, IDCANCEL, 0);
    }
    const Shown& came = shown.back();
    const Expected* want = answered < expected.size() ? &expected[answered++] : NULL;
    if (want == NULL || came.caption != want->caption || (!want->text.empty() && came.text != want->text)) {
        stepFault = "windows: \"" + came.caption + "\" " + came.text + " came, not "
            + (want ? "\"" + want->caption + "\" " + want->text : "none");
        return false;
    }
    if (want->file < 0)
        return PostMessageA(window, WM_COMMAND, want->button, 0);
    SetDlgItemTextA(window, cmb13, PoolPath(want->file).c_str());
    SetDlgItemTextA(window, edt1, PoolPath(want->file).c_str());
    return PostMessageA(window, WM_COMMAND, IDOK, 0);
}

// ---- The model of the file commands: which windows come and how they are
// answered, and what the commands then leave.

const char saveTitle[] = "Specify a calculator file name to save as and to lauch";
const char launchTitle[] = "Select a calculator to lauch";
const char editTitle[] = "Select a calculator to edit";

int Ask(Rng& rng, UINT textId)
{
    static const int buttons[] = {IDYES, IDNO, IDCANCEL};
    int button = buttons[rng.Below(3)];
    expected.push_back({ProgramString(IDS_QUESTION_TITLE), ProgramString(textId), -1, button});
    return button;
}

// A file dialog's choice: a file there, or -1 when cancelled or missing.
int AskFile(Rng& rng, const char* title, bool open)
{
    int file = rng.Chance(15) ? -1 : rng.Below(poolSize);
    expected.push_back({title, "", file, IDCANCEL});
    return file >= 0 && open && !model.files[file].present ? -1 : file;
}

// The page read failure's box; only a missing file's text is the model's.
void ShowError(int file)
{
    bool missing = file < 0 || !model.files[file].present;
    expected.push_back(
        {ProgramString(IDS_ERROR_TITLE), missing ? ProgramString(IDS_PAGE_NOT_READ) : "", -1, IDCANCEL});
}

void MakeCurrent(int file)
{
    model.confWritten |= model.untitled || model.current != file;
    model.untitled = false;
    model.current = file;
}

void Launched(int file)  // the shell opens nothing for a missing file
{
    if (model.files[file].present)
        ++model.launched[PoolPath(file)];
}

// Create Launch without its launch: the file written, or -1.
int WriteCalculator(Rng& rng, bool forceDialog)
{
    bool asked = model.untitled || forceDialog;
    int file = asked ? AskFile(rng, saveTitle, false) : model.current;
    if (file < 0)
        return -1;
    MakeCurrent(file);
    FileModel& target = model.files[file];
    bool foreign = target.present && !target.page && !target.bytes.empty();
    if (!asked && foreign && Ask(rng, IDS_ASK_REPLACE_PAGE) != IDYES)
        return -1;
    target = {true, true, model.texts, ""};
    model.inPage = true;
    return file;
}

bool KeepUnwrittenTexts(Rng& rng)
{
    if (model.inPage || model.texts == emptyTexts)
        return true;
    int answer = Ask(rng, IDS_ASK_WRITE_TEXTS);
    return answer == IDNO || (answer == IDYES && WriteCalculator(rng, false) >= 0);
}

// New texts from a command are kept at once.
void SetTexts(const Texts& texts)
{
    model.texts = texts;
    model.kept = {texts};
    model.inPage = true;
}

// The page is read again when the answer just wrote it.
bool LoadPage(Rng& rng, int file)
{
    if (!KeepUnwrittenTexts(rng))
        return false;
    MakeCurrent(file);
    SetTexts(model.files[file].texts);
    return true;
}

void OpenAt(Rng& rng, int file)
{
    if (model.ReadsBack(file))
        LoadPage(rng, file);
    else
        ShowError(file);
}

void Launch(Rng& rng, bool forceDialog)
{
    if (!model.untitled && !forceDialog)
        return Launched(model.current);
    int file = AskFile(rng, launchTitle, true);
    if (file >= 0 && (model.ReadsBack(file) ? LoadPage(rng, file) : (MakeCurrent(file), true)))
        Launched(file);
}

// ---- The actions on the real window.

void Command(int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    PumpMessages();
}

std::string Editor(int id)
{
    char* text = ReadEditText(id);
    std::string held = text ? text : "<no memory>";
    free(text);
    return held;
}

std::string RandomText(Rng& rng)
{
    static const char* const pieces[] = {"&", "/", "\r\n?", "\r\n", "\r", "\n", "#", " = ", "(", ")", "<",
        "\"", "</script>", "&amp;", "\t", "?", "//"};
    std::string text;
    for (int count = 1 + rng.Below(8); count > 0; --count) {
        int kind = rng.Below(5);
        if (kind == 0)
            text += pieces[rng.Below(sizeof pieces / sizeof *pieces)];
        else if (kind == 1)  // accented letters: some other high bytes crash Wine's shaping
            text += static_cast<char>(0xc0 + rng.Below(64));
        else if (kind == 2 && rng.Chance(20))
            text += std::string(100 + rng.Below(3000), static_cast<char>('a' + rng.Below(26)));
        else
            for (int letters = 1 + rng.Below(8); letters > 0; --letters)
                text += static_cast<char>('a' + rng.Below(26));
    }
    return text;
}

// Typed as a person would: a selection replaced, now and then the whole
// text deleted. What the editor then holds is what the model holds.
void Type(Rng& rng)
{
    int which = rng.Below(keptTextCount);
    HWND editor = GetDlgItem(dialog, editorIds[which]);
    std::string before = Editor(editorIds[which]);
    bool clear = rng.Chance(10);
    int length = GetWindowTextLengthA(editor);
    int from = clear ? 0 : rng.Below(length + 1);
    int to = clear ? length : from + rng.Below(length - from + 1);
    std::string text = clear ? "" : RandomText(rng);
    SendMessageA(editor, EM_SETSEL, from, to);
    SendMessageA(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    if (Editor(editorIds[which]) == before)  // a change, so the model need not know the editor's rules
        SendMessageA(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("x"));
    PumpMessages();
    model.texts[which] = Editor(editorIds[which]);
    model.inPage = false;
    model.kept.push_back(model.texts);
}

std::optional<Texts> KeptFile()
{
    KeptTexts read;
    if (LoadKeptTexts(&read) != keptLoaded)
        return std::nullopt;
    Texts texts;
    for (int i = 0; i < keptTextCount; ++i)
        texts.push_back(std::string(read.text[i], read.length[i]));
    FreeKeptTexts(&read);
    return texts;
}

// A new run after the last was closed or ended: it starts with conf's file,
// if conf is there, and kept's texts, both checked after the last step.
void Restart(Rng& rng, bool close)
{
    close ? CloseMainWindow(dialog) : DestroyMainWindow(dialog);
    std::optional<Texts> kept = KeptFile();
    // Unchanged since a start without kept, the close writes none.
    if (close && kept != model.texts && (kept || model.texts != emptyTexts))
        stepFault = "kept: the close left " + (kept ? Quote((*kept)[0]) : "none");
    if (ReadWholeFile(ProgramFile("conf")) == "<missing>")
        model.untitled = true, model.current = -1;
    model.texts = kept ? *kept : emptyTexts;
    model.kept = {kept};
    int current = model.untitled ? -1 : model.current;
    model.inPage = current >= 0 && model.ReadsBack(current) && model.files[current].texts == model.texts;
    std::string tail;
    if (rng.Chance(50)) {
        int file = rng.Below(poolSize);
        tail = "\"" + PoolPath(file) + "\"";
        OpenAt(rng, file);
    }
    dialog = RestartMainWindow(tail.c_str());
}

// Done outside the program: another's page, a page changed since, a file
// that is no page or is empty, a file removed.
void ChangeOutside(Rng& rng)
{
    int file = rng.Below(poolSize), change = rng.Below(4);
    FileModel& f = model.files[file];
    std::string path = PoolPath(file);
    if (change == 0) {
        Texts texts {RandomText(rng), RandomText(rng), RandomText(rng)};
        std::string variables = texts[2];
        FILE* out = fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        ASSERT_TRUE(WriteCalculatorPage(out, texts[0].c_str(), &variables[0], texts[1].c_str()));
        fclose(out);
        f = {true, true, texts, ""};
    } else if (change == 3) {
        RemovePath(path);
        f = {};
    } else {
        std::string bytes = ReadWholeFile(path);
        if (change == 1 && f.present && !bytes.empty())
            bytes[rng.Below(static_cast<int>(bytes.size()))] ^= 1 << rng.Below(8);
        else
            bytes
                = rng.Chance(30) ? "" : "<html><body>not a calculator " + RandomText(rng) + "</body></html>";
        f = {true, false, {}, bytes};
        ASSERT_TRUE(WriteWholeFile(path, bytes));
    }
}

// ---- The table. A row's weight counts only while its precondition holds.

struct Action {
    const char* name;
    int weight;
    bool (*may)();
    void (*run)(Rng&);
};

const auto always = [] { return true; };

bool AFileIsThere()
{
    return std::any_of(model.files, model.files + poolSize, [](const FileModel& f) { return f.present; });
}

void Create(Rng& rng, bool forceDialog)
{
    int file = WriteCalculator(rng, forceDialog);
    if (file >= 0)
        Launched(file);
    Command(forceDialog ? IDM_CREATE_LAUNCH_AS : IDM_CREATE_LAUNCH);
}

const Action actions[] = {
    {"type", 40, always, Type},
    {"create", 5, always, [](Rng& rng) { Create(rng, false); }},
    {"createas", 1, always, [](Rng& rng) { Create(rng, true); }},
    {"launch", 3, always, [](Rng& rng) { Launch(rng, false), Command(IDM_LAUNCH); }},
    {"selectlaunch", 1, AFileIsThere, [](Rng& rng) { Launch(rng, true), Command(IDM_SELECT_LAUNCH); }},
    {"open", 3, AFileIsThere,
        [](Rng& rng) {
            int file = AskFile(rng, editTitle, true);
            if (file >= 0)
                OpenAt(rng, file);
            Command(IDM_OPEN);
        }},
    {"new", 5, [] { return model.texts != emptyTexts || !model.untitled; },
        [](Rng& rng) {
            if (KeepUnwrittenTexts(rng)) {
                model.confWritten |= !model.untitled;
                model.untitled = true;
                SetTexts(emptyTexts);
            }
            Command(IDM_NEW);
        }},
    // The first of the files dropped opens; none is a path that cannot be had.
    {"drop", 10, always,
        [](Rng& rng) {
            std::vector<std::string> paths;
            int first = rng.Below(poolSize);
            for (int count = rng.Below(4); count > 0; --count)
                paths.push_back(PoolPath(paths.empty() ? first : rng.Below(poolSize)));
            paths.empty() ? ShowError(-1) : OpenAt(rng, first);
            DropFiles(dialog, paths);
            PumpMessages();
        }},
    {"outside", 12, always, ChangeOutside},
    {"kill", 2, always, [](Rng& rng) { Restart(rng, false); }},
    {"close", 2, always, [](Rng& rng) { Restart(rng, true); }},
};
const int actionCount = sizeof actions / sizeof *actions;

// ---- The checks after every step: the first difference, or "".

std::string CheckFiles(const std::string& folder, const std::string& name)
{
    for (int file = 0; file < poolSize; ++file) {
        const FileModel& f = model.files[file];
        std::string bytes = ReadWholeFile(PoolPath(file)), variables = f.page ? f.texts[2] : "";
        bool same = !f.present ? bytes == "<missing>"
            : f.page           ? CalculatorPageMatches(
                            bytes.data(), bytes.size(), f.texts[0].c_str(), &variables[0], f.texts[1].c_str())
                     : bytes == f.bytes;
        if (!same)
            return std::string("page ") + poolNames[file] + ": " + Quote(bytes);
    }
    FILE* conf = fopen(ProgramFile("conf").c_str(), "rb");
    if (conf == NULL)
        return model.confWritten ? "conf: missing" : "";
    char confName[settingsTextSize] = "", confFolder[settingsTextSize] = "";
    int untitled = 0;
    SettingsField field = ReadSettingsHead(conf, confName, confFolder, &untitled);
    fclose(conf);
    if (field != settingsOk || !untitled != !model.untitled || name != confName || folder != confFolder)
        return "conf: " + std::string(confFolder) + confName + (untitled ? " untitled" : "");
    return "";
}

std::string CheckModel()
{
    if (!stepFault.empty() || answered < expected.size())
        return stepFault.empty()
            ? "windows: " + Quote(expected[answered].caption) + " " + expected[answered].text + " never came"
            : stepFault;
    for (int i = 0; i < keptTextCount; ++i)
        if (Editor(editorIds[i]) != model.texts[i])
            return "editor " + std::to_string(i) + ": " + Quote(Editor(editorIds[i])) + " not "
                + Quote(model.texts[i]);
    std::string folder = model.current >= 0 ? workFolder : "",
                name = model.current >= 0 ? poolNames[model.current] : "";
    std::string caption = std::string(programTitle) + " - " + (model.untitled ? "New" : folder + name);
    if (WindowText(dialog) != caption)
        return "caption: " + Quote(WindowText(dialog)) + " not " + Quote(caption);
    if (!isUntitled != !model.untitled || folder != currentFolder || name != currentFileName)
        return "current file: " + std::string(currentFolder) + currentFileName
            + (isUntitled ? " untitled" : "");
    if (document.textsInPage != model.inPage)
        return "textsInPage: " + std::to_string(document.textsInPage) + " not "
            + std::to_string(model.inPage);
    std::string files = CheckFiles(folder, name);
    if (!files.empty())
        return files;
    std::optional<Texts> kept = KeptFile();
    auto found = std::find(model.kept.begin(), model.kept.end(), kept);
    if (found == model.kept.end())
        return "kept: "
            + (kept ? Quote((*kept)[0]) + " " + Quote((*kept)[1]) + " " + Quote((*kept)[2]) : "none");
    model.kept.erase(model.kept.begin(), found);  // what came before that write is gone
    return "";
}

// The shell opens asynchronously: the record must come to hold each launch.
std::string CheckLaunches()
{
    size_t launches = 0, lines = 0;
    for (auto& [path, count] : model.launched) {
        if (!WaitForOpened(path, count))
            return "launches: " + path + " fewer than " + std::to_string(count);
        launches += count;
    }
    for (char c : ReadWholeFile(openLog))
        lines += c == '\n';
    return lines == launches ? "" : "launches: " + std::to_string(lines) + " not " + std::to_string(launches);
}

// ---- Walks, replays and shrinking.

struct Step {
    int action;
    uint64_t seed;
};
double actionSeconds[actionCount];
int actionRuns[actionCount];

void CleanFiles()
{
    for (int file = 0; file < poolSize; ++file)
        RemovePath(PoolPath(file));
    for (const char* name : {"conf", "kept", "kept.damaged"})
        RemovePath(ProgramFile(name));
    RemovePath(openLog);
}

std::string RunStep(const Step& step)
{
    shown.clear();
    expected.clear();
    answered = 0;
    stepFault.clear();
    Rng rng {step.seed};
    Clock::time_point start = Clock::now();
    actions[step.action].run(rng);
    actionSeconds[step.action] += std::chrono::duration<double>(Clock::now() - start).count();
    ++actionRuns[step.action];
    return ::testing::Test::HasFatalFailure() ? "setup: a pool file could not be written" : CheckModel();
}

// From a fresh start: the steps, then `more` picked by weight among the rows
// that may run, each with a seed of its own so that it does the same in any
// list. On a failure steps ends with the failing one; the check is returned.
std::string Walk(std::vector<Step>& steps, int more = 0, Rng rng = {})
{
    DestroyMainWindow(dialog);
    SetCurrentDirectoryA(ProgramFile("").c_str());  // the file dialogs move it
    CleanFiles();
    model = Model {};
    dialog = CreateMainWindow();
    answerShown = AnswerExpected;
    for (size_t i = 0; i < steps.size() || more-- > 0; ++i) {
        if (i == steps.size()) {
            int total = 0, row = 0;
            for (const Action& action : actions)
                total += action.may() ? action.weight : 0;
            for (int pick = rng.Below(total); !actions[row].may() || (pick -= actions[row].weight) >= 0;)
                ++row;
            steps.push_back({row, rng.Next()});
        }
        std::string check = RunStep(steps[i]);
        if (!check.empty())
            return steps.resize(i + 1), check;
    }
    return CheckLaunches();
}

std::string Replay(const std::vector<Step>& steps)
{
    std::string text;
    for (const Step& step : steps)
        text += (text.empty() ? "" : ",") + std::string(actions[step.action].name) + ":"
            + std::to_string(step.seed);
    return text;
}

std::vector<Step> ParseReplay(const std::string& text)
{
    std::vector<Step> steps;
    for (size_t at = 0; at < text.size();) {
        size_t colon = text.find(':', at), end = std::min(text.find(',', at), text.size());
        int row = 0;
        while (row < actionCount && text.compare(at, colon - at, actions[row].name) != 0)
            ++row;
        EXPECT_TRUE(row < actionCount && colon < end) << "no step " << text.substr(at, end - at);
        if (row < actionCount && colon < end)
            steps.push_back({row, std::stoull(text.substr(colon + 1, end - colon - 1))});
        at = end + 1;
    }
    return steps;
}

// Drops steps while the list still fails the same check: halves, quarters and
// so on down to single steps, again while that dropped any, for two minutes
// at most.
std::string Shrink(std::vector<Step>& steps, std::string check)
{
    auto kind = [](const std::string& text) { return text.substr(0, text.find(':')); };
    Clock::time_point end = Clock::now() + std::chrono::minutes(2);
    for (bool dropped = true; dropped && Clock::now() < end;) {
        dropped = false;
        for (size_t chunk = std::max<size_t>(1, steps.size() / 2); chunk >= 1 && Clock::now() < end;
             chunk /= 2)
            for (size_t at = 0; at + chunk <= steps.size() && Clock::now() < end;) {
                std::vector<Step> fewer(steps.begin(), steps.begin() + at);
                fewer.insert(fewer.end(), steps.begin() + at + chunk, steps.end());
                std::string again = Walk(fewer);
                if (!again.empty() && kind(again) == kind(check))
                    steps = fewer, check = again, dropped = true;
                else
                    at += chunk;
            }
    }
    return check;
}

TEST(ModelTest, RandomWalkAgreesWithTheModel)
{
    ASSERT_TRUE(PrepareProgram());
    workFolder = ProgramFile("model-files\\");
    CreateDirectoryA(workFolder.c_str(), NULL);
    openLog = workFolder + "opened.log";
    RecordOpenedFilesIn(openLog);
    const char* replay = getenv("TALLISK_MODEL_REPLAY");
    const char* seedText = getenv("TALLISK_MODEL_SEED");
    const char* countText = getenv("TALLISK_MODEL_ACTIONS");
    uint64_t seed = seedText ? std::stoull(seedText) : sizeof(void*) * 8;  // one walk per architecture
    int count = countText ? std::stoi(countText) : 5000;

    Clock::time_point start = Clock::now();
    std::vector<Step> steps = replay ? ParseReplay(replay) : std::vector<Step> {};
    std::string check = Walk(steps, replay ? 0 : count, Rng {seed});
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    printf("model: %zu actions in %.1f s (%.1f ms each), seed %llu\n", steps.size(), seconds,
        1000 * seconds / std::max<size_t>(1, steps.size()), static_cast<unsigned long long>(seed));
    for (int i = 0; i < actionCount; ++i)
        printf("  %-12s %6d runs %6.1f ms each\n", actions[i].name, actionRuns[i],
            1000 * actionSeconds[i] / std::max(1, actionRuns[i]));
    if (!check.empty()) {
        size_t failedAt = steps.size();
        // Said before shrinking, which a timeout may cut short.
        printf(
            "model: step %zu: %s\nTALLISK_MODEL_REPLAY=%s\n", failedAt, check.c_str(), Replay(steps).c_str());
        fflush(stdout);
        std::string shrunk = replay ? check : Shrink(steps, check);
        ADD_FAILURE() << "step " << failedAt << ": " << check << "\nshrunk to " << steps.size()
                      << " steps: " << shrunk << "\nTALLISK_MODEL_REPLAY=" << Replay(steps);
    }
    DestroyMainWindow(dialog);
    SetCurrentDirectoryA(ProgramFile("").c_str());
    CleanFiles();
    RemovePath(workFolder);
}

}  // namespace
